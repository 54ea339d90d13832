// The Registry module: the configuration root, its messages and program end, and the shipped
// default store.
#include "console/Registry.h"
#include "platform/ConfigStore.h"
#include "platform/Prompts.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cctype>
#include <limits>

using namespace teleon;
using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetConfigRoot();
        SetConfigDefaultPath(QString());
        platform::setPrompts(&prompts);
        platform::setEndProgramHandler(platform::throwProgramEnded);
    }
    void TearDown() override {
        ResetConfigRoot();
        SetConfigDefaultPath(QString());
        platform::setPrompts(nullptr);
        platform::setEndProgramHandler(nullptr);
    }
    QString storePath() const { return home.path() + "/Marrick/Teleon.ini"; }
    QByteArray shipped() const { return readBytes(":/teleon/Teleon.ini"); }
    // The store file with the shipped content, then a directory where the temporary file of the
    // next write must go: every write fails, also for root.
    void makeWritesFail() {
        OpenConfigRoot();
        ASSERT_TRUE(QDir().mkpath(platform::ConfigStore::temporaryPathFor(storePath())));
    }
    void expectOneMessage(const QString& text, MsgIcon icon, MsgButtons buttons,
                          const QString& title) {
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_TRUE(prompts.messages[0].text.startsWith(text)) // the file is named after it
            << prompts.messages[0].text.toStdString();
        EXPECT_EQ(prompts.messages[0].icon, icon);
        EXPECT_EQ(prompts.messages[0].buttons, buttons);
        EXPECT_EQ(prompts.messages[0].title, title);
    }

    test::TempConfigHome home;
    platform::ScriptedPrompts prompts;
};

} // namespace

TEST_F(RegistryTest, FirstUseSeedsTheStoreFromTheShippedDefault) {
    EXPECT_EQ(ConfigRootKey, nullptr);
    EXPECT_FALSE(QFile::exists(storePath()));
    EXPECT_EQ(GetConfig("General", "ComPort"), "Simulator");
    EXPECT_NE(ConfigRootKey, nullptr);
    EXPECT_EQ(readBytes(storePath()), shipped());
    EXPECT_FALSE(shipped().isEmpty());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(RegistryTest, RootIsOpenedOnceAndKeptOpen) {
    OpenConfigRoot();
    const ConfigKey first = ConfigRootKey;
    // A change on disk behind the program's back is not seen: the store is read once.
    writeBytes(storePath(), "[General]\nComPort=7\n");
    EXPECT_EQ(GetConfig("General", "ComPort"), "Simulator");
    OpenConfigRoot();
    EXPECT_EQ(ConfigRootKey, first);
    ResetConfigRoot();
    EXPECT_EQ(GetConfig("General", "ComPort"), "7");
}

TEST_F(RegistryTest, MissingValuesReadEmpty) {
    EXPECT_EQ(GetConfig("General", "NoSuchKey"), "");
    EXPECT_EQ(GetConfig("No Such Section", "ComPort"), "");
    EXPECT_EQ(RegGetDword(nullptr, "General", "NoSuchKey"), 0);
    writeBytes(storePath(), "[General]\nTimeFormat=1\n");
    ResetConfigRoot();
    EXPECT_EQ(GetConfig("General", "ComPort"), ""); // the caller applies "1"
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(RegistryTest, PutConfigPersistsInPlaceAndAppendsNewValues) {
    PutConfig("General", "TimeFormat", "2");
    PutConfig("General", "BrandNewKey", "");
    PutConfig("Sites", "Back Yard", QString::fromUtf8("AAF N  33° 25' W 111° 50' +07"));
    ResetConfigRoot();
    EXPECT_EQ(GetConfig("General", "TimeFormat"), "2");
    EXPECT_EQ(GetConfig("General", "BrandNewKey"), "");
    const auto general = *EnumConfigSection("General");
    EXPECT_EQ(general.first().first, "ComPort"); // the order is kept
    EXPECT_EQ(general.last(), qMakePair(QString("BrandNewKey"), QString("")));
    const auto sites = *EnumConfigSection("Sites");
    EXPECT_EQ(sites.last().first, "Back Yard");
    EXPECT_EQ(sites.last().second.size(), 29);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(RegistryTest, PutConfigIntoAMissingSectionEndsTheProgram) {
    OpenConfigRoot();
    const QByteArray before = readBytes(storePath());
    EXPECT_THROW(PutConfig("Telescopes", "Mine", "1"), platform::ProgramEnded);
    expectOneMessage("Failed to open section key Telescopes.", MsgIcon::Exclamation, MsgButtons::OK,
                     "LX-200 Vantor");
    EXPECT_EQ(readBytes(storePath()), before);
}

TEST_F(RegistryTest, FailedWriteEndsTheProgramWhicheverButtonAndNamesTheFile) {
    for (MsgAnswer answer : {MsgAnswer::OK, MsgAnswer::Cancel}) {
        prompts.messages.clear();
        prompts.answers = {answer};
        makeWritesFail();
        const QByteArray before = readBytes(storePath());
        try {
            PutConfig("General", "ComPort", "3");
            ADD_FAILURE() << "the program did not end";
        } catch (const platform::ProgramEnded& e) {
            EXPECT_NE(e.exitCode, 0);
        }
        ASSERT_EQ(prompts.messages.size(), 1u);
        const QString text = prompts.messages[0].text;
        EXPECT_TRUE(
            text.startsWith("Failed to write config value ComPort to registry section General.\n\n"
                            "The settings file is " +
                            storePath() + ": "))
            << text.toStdString();
        EXPECT_TRUE(text.contains("Is a directory")) << "and the reason";
        EXPECT_EQ(prompts.messages[0].buttons, MsgButtons::OKCancel);
        EXPECT_EQ(readBytes(storePath()), before);
        EXPECT_EQ(GetConfig("General", "ComPort"), "Simulator");
    }
}

TEST_F(RegistryTest, BytesThatAreNotUtf8AreKeptAndTheStoreStaysUsable) {
    // A site typed in another encoding ("Zürich" in Latin-1) and a stray byte in a comment.
    const QByteArray file = "[General]\nComPort=Simulator\nTimeFormat=0\n; note \xFF\xFE\n"
                            "[Sites]\nZ\xFCrich=AAB N  47\xB0 22' E 008\xB0 33' -01\n";
    writeBytes(storePath(), file);
    EXPECT_EQ(GetConfig("General", "ComPort"), "Simulator");
    EXPECT_EQ(GetConfig("Sites", QString::fromUtf8("Zürich")).left(3), "AAB");
    PutConfig("General", "TimeFormat", "1");
    EXPECT_TRUE(prompts.messages.empty());
    QByteArray expected = file;
    expected.replace("TimeFormat=0", "TimeFormat=1");
    EXPECT_EQ(readBytes(storePath()), expected) << "every other line byte for byte";
}

TEST_F(RegistryTest, StoresThatCannotBeUsedNameTheFile) {
    // No store and no default to make one from.
    SetConfigDefaultPath(home.path() + "/missing-defaults.ini");
    writeBytes(home.path() + "/Marrick", "a file where the folder belongs");
    EXPECT_THROW(GetConfig("General", "ComPort"), platform::ProgramEnded);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith("Failed to open system registry data.\n\n"
                                                    "The settings file is " +
                                                    storePath()));
    EXPECT_EQ(prompts.messages[0].title, "LX-200");
    EXPECT_EQ(ConfigRootKey, nullptr);

    // The defaults are served while the folder cannot be made, but nothing can be stored.
    prompts.messages.clear();
    ResetConfigRoot();
    SetConfigDefaultPath(QString());
    EXPECT_EQ(GetConfig("Align Stars", "Polaris"), "19");
    EXPECT_THROW(PutConfig("General", "ComPort", "2"), platform::ProgramEnded);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains(storePath() + ": cannot create the folder"));

    // A file of garbage has none of the sections.
    prompts.messages.clear();
    QFile::remove(home.path() + "/Marrick");
    QByteArray garbage(300, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 167 + 13) % 256);
    writeBytes(storePath(), garbage);
    ResetConfigRoot();
    EXPECT_EQ(GetConfig("General", "ComPort"), "");
    EXPECT_THROW(PutConfig("General", "ComPort", "1"), platform::ProgramEnded);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith("Failed to open section key General.\n\n"
                                                    "The settings file is " +
                                                    storePath()));
    EXPECT_EQ(readBytes(storePath()), garbage);
}

TEST_F(RegistryTest, ReadsATrailingNulAndExpandableValues) {
    OpenConfigRoot();
    qputenv("TELEON_TEST_SCRIPTS", "/home/observer/scripts");
    ASSERT_EQ(ConfigRootKey->setValue("General", "Port", QString("COM3") + QChar(0)),
              platform::ConfigStore::WriteStatus::Ok);
    ASSERT_EQ(
        ConfigRootKey->setValue("Scripting", "DefBrowseDir", "${TELEON_TEST_SCRIPTS}/m", true),
        platform::ConfigStore::WriteStatus::Ok);
    ASSERT_EQ(ConfigRootKey->setValue("Scripting", "Unset", "a$TELEON_TEST_UNSET_VAR/b", true),
              platform::ConfigStore::WriteStatus::Ok);
    ResetConfigRoot();
    EXPECT_EQ(GetConfig("General", "Port"), "COM3");
    EXPECT_EQ(GetConfig("Scripting", "DefBrowseDir"), "/home/observer/scripts/m");
    EXPECT_EQ(RegGetString(ConfigRootKey, "Scripting", "Unset"), "a/b");
    qunsetenv("TELEON_TEST_SCRIPTS");
}

TEST_F(RegistryTest, ShippedScriptFolderIsTheHomeFolder) {
    EXPECT_EQ(GetConfig("Scripting", "DefBrowseDir"), QString::fromLocal8Bit(qgetenv("HOME")));
}

TEST_F(RegistryTest, RegGetDwordReadsTheNumberAsFourBytes) {
    const std::pair<const char*, qint32> rows[] = {
        {"42", 42},
        {"0x10", 16},
        {"0XfF", 255},
        {"-5", -5},
        {" 7 ", 7},
        {"2147483647", 2147483647},
        {"4294967295", -1},
        {"0xFFFFFFFF", -1},
        {"0x80000000", std::numeric_limits<qint32>::min()},
        {"4294967296", 0},
        {"abc", 0},
        {"12abc", 0},
        {"", 0},
        {"0x", 0}};
    for (const auto& [text, value] : rows) {
        PutConfig("General", "KeyHoldHotKey", QString::fromLatin1(text));
        EXPECT_EQ(RegGetDword(ConfigRootKey, "General", "KeyHoldHotKey"), value) << text;
        EXPECT_EQ(RegGetDword(nullptr, "General", "KeyHoldHotKey"), value) << text;
    }
}

TEST_F(RegistryTest, EnumerationKeepsTheStoredOrder) {
    EXPECT_EQ(EnumConfigSection("No Such Section"), std::nullopt);
    const auto before = *EnumConfigSection("Eyepieces");
    ASSERT_GE(before.size(), 3);
    PutConfig("Eyepieces", before[1].first, "25 52"); // in place
    PutConfig("Eyepieces", "55 mm Wide", "55 62");    // at the end
    ResetConfigRoot();
    const auto after = *EnumConfigSection("Eyepieces");
    ASSERT_EQ(after.size(), before.size() + 1);
    for (int i = 0; i < before.size(); ++i)
        EXPECT_EQ(after[i].first, before[i].first);
    EXPECT_EQ(after[1].second, "25 52");
    EXPECT_EQ(after.last().first, "55 mm Wide");
}

TEST_F(RegistryTest, DeleteConfigRemovesASite) {
    const auto sites = *EnumConfigSection("Sites");
    ASSERT_FALSE(sites.isEmpty());
    DeleteConfig("Sites", sites[0].first);
    DeleteConfig("Sites", "Never Stored"); // no error
    ResetConfigRoot();
    EXPECT_EQ(GetConfig("Sites", sites[0].first), "");
    EXPECT_EQ(EnumConfigSection("Sites")->size(), sites.size() - 1);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_THROW(DeleteConfig("Telescopes", "Mine"), platform::ProgramEnded);
    expectOneMessage("Failed to open section key Telescopes.", MsgIcon::Exclamation, MsgButtons::OK,
                     "LX-200 Vantor");
}

// ---- the shipped default store ----

TEST_F(RegistryTest, DefaultStoreHoldsEverySection) {
    platform::ConfigStore store(":/teleon/Teleon.ini");
    ASSERT_TRUE(store.load());
    const QStringList expected = {"General",     "Filter",    "Catalogs",  "Optics",
                                  "Scopes",      "Eyepieces", "Cameras",   "Sites",
                                  "Align Stars", "Scripting", "M Objects", "Constellations"};
    EXPECT_EQ(store.sectionNames(), expected);
    for (const QString& section : expected)
        EXPECT_FALSE(store.values(section).isEmpty()) << section.toStdString();
    // Written back unchanged when nothing changes.
    EXPECT_EQ(store.serialize(), shipped());
}

TEST_F(RegistryTest, DefaultStoreSitesAreWellFormedAndBelowTheNextId) {
    const auto sites = *EnumConfigSection("Sites");
    ASSERT_GE(sites.size(), 3);
    const QRegularExpression record(
        QString::fromUtf8("^[A-Z]{3} [NS]  [0-9]{2}° [0-5][0-9]' [EW] [01][0-9]{2}° [0-5][0-9]' "
                          "[+-][0-9]{2}$"));
    const QString next = GetConfig("General", "NextSiteNum");
    QStringList ids;
    bool east = false;
    for (const auto& [name, text] : sites) {
        EXPECT_EQ(text.size(), 29) << name.toStdString();
        EXPECT_TRUE(record.match(text).hasMatch()) << text.toStdString();
        EXPECT_LT(text.left(3), next) << "a new site would reuse id " << text.left(3).toStdString();
        EXPECT_FALSE(ids.contains(text.left(3)));
        ids << text.left(3);
        east = east || text.mid(15, 1) == "E";
    }
    EXPECT_TRUE(east);
    bool mesa = false;
    for (const auto& [name, text] : sites)
        mesa = mesa || text.mid(4) == QString::fromUtf8("N  33° 25' W 111° 50' +07");
    EXPECT_TRUE(mesa);
}

TEST_F(RegistryTest, DefaultStoreAlignStarsUseTheTelescopeNumbers) {
    EXPECT_EQ(GetConfig("Align Stars", "Polaris"), "19");
    // The Scope object looks stars up by their upper-case name.
    EXPECT_EQ(GetConfig("Align Stars", "POLARIS"), "19");
    EXPECT_EQ(GetConfig("Align Stars", "Betelgeuse"), "56");
    EXPECT_EQ(GetConfig("Align Stars", "Sirius"), "67");
    EXPECT_EQ(GetConfig("Align Stars", "Vega"), "214");
    const auto stars = *EnumConfigSection("Align Stars");
    EXPECT_EQ(stars.size(), 34);
    int previous = 0;
    for (const auto& [name, text] : stars) {
        bool ok = false;
        const int number = text.toInt(&ok);
        EXPECT_TRUE(ok && number > previous && number < 900) << name.toStdString();
        previous = number;
    }
}
