#include "console/Registry.h"

#include "platform/ConfigStore.h"
#include "platform/Prompts.h"

#include <memory>

// The shipped default store lives in this library's resources; a static library needs its
// resources registered by hand.
static void initShippedDefaults() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(teleon_console);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace teleon {

ConfigKey ConfigRootKey = nullptr;

namespace {

using platform::ConfigStore;
using platform::MsgButtons;
using platform::MsgIcon;

constexpr int StoreFailureExitCode = 1;
const QString Title = QStringLiteral("LX-200 Vantor");

std::unique_ptr<ConfigStore> rootStore;
QString defaultPathOverride;

QString shippedDefaultPath() {
    return defaultPathOverride.isEmpty() ? QStringLiteral(":/teleon/Teleon.ini")
                                         : defaultPathOverride;
}

ConfigStore& storeOf(ConfigKey parent) {
    OpenConfigRoot();
    return parent ? *parent : *ConfigRootKey;
}

// The file and what is wrong with it, so that the user can put it right.
QString whatFailed(const ConfigStore& store) {
    const QString reason = store.lastError();
    return QStringLiteral("\n\nThe settings file is %1%2")
        .arg(store.path(), reason.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + reason);
}

[[noreturn]] void sectionFailure(const ConfigStore& store, const QString& subkey) {
    platform::prompts().MsgBox(QStringLiteral("Failed to open section key ") + subkey +
                                   QStringLiteral(".\n\nThe settings file is ") + store.path() +
                                   QStringLiteral("."),
                               MsgIcon::Exclamation, MsgButtons::OK, Title);
    platform::EndProgram(StoreFailureExitCode);
}

[[noreturn]] void writeFailure(const ConfigStore& store, const QString& subkey,
                               const QString& valueName) {
    // Whichever button is pressed, the program ends.
    platform::prompts().MsgBox(QStringLiteral("Failed to write config value ") + valueName +
                                   QStringLiteral(" to registry section ") + subkey +
                                   QStringLiteral(".") + whatFailed(store),
                               MsgIcon::Critical, MsgButtons::OKCancel, Title);
    platform::EndProgram(StoreFailureExitCode);
}

void reportWrite(const ConfigStore& store, ConfigStore::WriteStatus status, const QString& subkey,
                 const QString& valueName) {
    switch (status) {
    case ConfigStore::WriteStatus::Ok:
    case ConfigStore::WriteStatus::NoValue:
        return;
    case ConfigStore::WriteStatus::NoSection:
        sectionFailure(store, subkey);
    case ConfigStore::WriteStatus::WriteFailed:
        writeFailure(store, subkey, valueName);
    }
}

} // namespace

void OpenConfigRoot() {
    if (ConfigRootKey)
        return;
    initShippedDefaults();
    auto store = std::make_unique<ConfigStore>(platform::defaultConfigPath());
    if (!store->loadOrSeed(shippedDefaultPath())) {
        platform::prompts().MsgBox(QStringLiteral("Failed to open system registry data.") +
                                       whatFailed(*store),
                                   MsgIcon::Critical, MsgButtons::OK, QStringLiteral("LX-200"));
        platform::EndProgram(StoreFailureExitCode);
    }
    rootStore = std::move(store);
    ConfigRootKey = rootStore.get();
}

QString RegGetString(ConfigKey parent, const QString& subkey, const QString& valueName) {
    ConfigStore& store = storeOf(parent);
    const std::optional<QString> raw = store.rawValue(subkey, valueName);
    if (!raw)
        return QString();
    QString text = *raw;
    if (text.endsWith(QChar(u'\0')))
        text.chop(1); // a terminating NUL stored with the text is not part of it
    return store.isExpandable(subkey, valueName) ? ConfigStore::expandEnvironment(text) : text;
}

qint32 RegGetDword(ConfigKey parent, const QString& subkey, const QString& valueName) {
    const QString text = RegGetString(parent, subkey, valueName).trimmed();
    bool ok = false;
    qint64 number = 0;
    if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        number = qint64(text.mid(2).toULongLong(&ok, 16));
    else
        number = text.toLongLong(&ok, 10);
    if (!ok)
        return 0;
    return qint32(quint32(quint64(number) & 0xFFFFFFFFu));
}

void RegPutString(ConfigKey parent, const QString& subkey, const QString& valueName,
                  const QString& text) {
    ConfigStore& store = storeOf(parent);
    if (!store.hasSection(subkey) && store.state() != ConfigStore::State::Unreadable)
        sectionFailure(store, subkey);
    reportWrite(store, store.setValue(subkey, valueName, text), subkey, valueName);
}

QString GetConfig(const QString& section, const QString& key) {
    return RegGetString(ConfigRootKey, section, key);
}

void PutConfig(const QString& section, const QString& key, const QString& value) {
    RegPutString(ConfigRootKey, section, key, value);
}

std::optional<QList<ConfigValue>> EnumConfigSection(const QString& section) {
    ConfigStore& store = storeOf(nullptr);
    if (!store.hasSection(section))
        return std::nullopt;
    return store.values(section);
}

void DeleteConfig(const QString& section, const QString& key) {
    ConfigStore& store = storeOf(nullptr);
    if (!store.hasSection(section) && store.state() != ConfigStore::State::Unreadable)
        sectionFailure(store, section);
    reportWrite(store, store.removeValue(section, key), section, key);
}

void ResetConfigRoot() {
    ConfigRootKey = nullptr;
    rootStore.reset();
}

void SetConfigDefaultPath(const QString& path) {
    defaultPathOverride = path;
}

} // namespace teleon
