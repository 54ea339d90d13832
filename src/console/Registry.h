// The configuration store as the program uses it: named sections of named text values below one
// root that is opened on first use and stays open. Reading never fails (a missing value reads
// as ""); a write that cannot be made shows its message and ends the program.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace teleon {

namespace platform {
class ConfigStore;
}

// A handle of an open store; nullptr stands for the configuration root.
using ConfigKey = platform::ConfigStore*;
using ConfigValue = QPair<QString, QString>; // (value name, text)

// The open configuration root, nullptr until the first store operation opens it.
extern ConfigKey ConfigRootKey;

// Opens ConfigRootKey when it is not open yet: the user's store file, made from the shipped
// default when it is missing. When neither can be read: "Failed to open system registry data."
// and the program ends.
void OpenConfigRoot();

// The stored text, or "" when the section or the key is missing or unreadable.
QString GetConfig(const QString& section, const QString& key);
// Stores text; a missing section or a failed write shows its message and ends the program.
void PutConfig(const QString& section, const QString& key, const QString& value);

// The general reader: the text of valueName in section subkey of parent (nullptr: the root).
// A text ending in a NUL character reads without it; an expandable value reads expanded.
QString RegGetString(ConfigKey parent, const QString& subkey, const QString& valueName);
// The value read as a 32-bit integer from its decimal or "0x" hexadecimal text (wrapping like
// the four bytes it stands for); 0 when it is missing or not a number.
qint32 RegGetDword(ConfigKey parent, const QString& subkey, const QString& valueName);
// The general writer. Missing section: "Failed to open section key " + subkey + "." and the
// program ends; failed write: "Failed to write config value " + valueName + " to registry
// section " + subkey + "." and the program ends.
void RegPutString(ConfigKey parent, const QString& subkey, const QString& valueName,
                  const QString& text);

// Every value of the section as (name, text) in the store's order; nullopt when the section
// is missing (the caller shows its own message).
std::optional<QList<ConfigValue>> EnumConfigSection(const QString& section);
// Deletes a value; a missing value is no error. Missing section or failed write: the messages
// and program end of RegPutString.
void DeleteConfig(const QString& section, const QString& key);

// Tests: closes the root so that the next operation opens it again (at the store path of the
// XDG_CONFIG_HOME then in effect), and chooses the default file that seeds a missing store
// ("" restores the shipped one, ":/teleon/Teleon.ini").
void ResetConfigRoot();
void SetConfigDefaultPath(const QString& path);

} // namespace teleon
