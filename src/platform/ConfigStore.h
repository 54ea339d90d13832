// The configuration store on disk: one INI-style UTF-8 file of named sections holding named text
// values, kept in memory as read and written back whole, atomically, on every change.
//
// File format
//   ; comment                 lines starting with ';' or '#' are kept verbatim
//   [Section]                 a section header
//   Key=Value                 a plain value
//   Key[$e]=${HOME}/x         an expandable value: $VAR and ${VAR} come from the environment on
//                             reading (unset: empty), "$$" is one dollar sign
// Escapes in key names, section names and values: "\\" backslash, "\n" "\r" "\t" the control
// characters, "\s" a blank (written for leading and trailing blanks, which are otherwise
// trimmed), "\xHH" any other control character; key names also escape "=" and "[" as "\=" and
// "\[", and a leading ';' or '#' as "\;" and "\#"; section names escape "]" as "\]".
// Blanks around '=' and around a line are not part of the name or the value.
//
// Lines that do not parse are kept verbatim where they stand, and every line that a write does
// not touch is written back byte for byte. A line that is not UTF-8 keeps its bytes and reads
// as Latin-1; a line holding a NUL byte is kept but never read as a value. Names are compared
// without regard to case, as the system registry does, and keep the spelling they were first stored
// with.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>
#include <sys/types.h>
#include <vector>

namespace teleon::platform {

class ConfigStore {
public:
    enum class WriteStatus { Ok, NoSection, NoValue, WriteFailed };

    enum class State {
        NotLoaded,  // load() not called yet, or it found nothing to read
        Writable,   // the file was read (or seeded) and writes go to it
        ReadOnly,   // the shipped defaults are served from memory: the file could not be made
        Unreadable, // the file exists but cannot be read (no permission, a folder): reads as
                    // empty and refuses writes
    };

    // No file is touched here.
    explicit ConfigStore(QString path);

    // Reads the file. Returns false when it is missing or unreadable (then the store is empty;
    // an unreadable file also refuses every write). A file with lines that do not parse still
    // loads: those lines are kept.
    bool load();

    // Reads the file; when it is missing, makes it from the default file (for example a Qt
    // resource) by an atomic copy. When the copy cannot be made the defaults are served from
    // memory and writes fail. Returns false only when neither file can be read.
    bool loadOrSeed(const QString& defaultPath);

    // Parses text as the file's content without touching the disk (tests, fuzzing).
    bool loadFromBytes(const QByteArray& bytes);

    State state() const { return state_; }
    QString path() const { return path_; }
    // Why the last load or write failed, in plain words ("" when it did not).
    QString lastError() const { return lastError_; }

    QStringList sectionNames() const;
    bool hasSection(const QString& section) const;
    // The value's text with environment variables expanded when it is marked expandable;
    // nullopt when the section or the value is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // The stored text without expansion, and whether it is marked expandable.
    std::optional<QString> rawValue(const QString& section, const QString& key) const;
    bool isExpandable(const QString& section, const QString& key) const;
    // Every value of the section as (name, text), texts expanded, in stored order.
    QList<QPair<QString, QString>> values(const QString& section) const;

    // Changes the value in place or appends it at the end of its section, then writes the file.
    // The section must exist. On WriteFailed the memory and the file stay as they were.
    WriteStatus setValue(const QString& section, const QString& key, const QString& text,
                         bool expandable = false);
    WriteStatus removeValue(const QString& section, const QString& key);
    // Appends an empty section at the end of the file (Ok also when it exists already).
    WriteStatus createSection(const QString& section);

    // The whole file as it is written.
    QByteArray serialize() const;

    // Helpers of the file format, public for tests.
    static QString expandEnvironment(const QString& text);
    static QString escapeKey(const QString& key);
    static QString escapeValue(const QString& text);
    static QString escapeSection(const QString& section);
    // Writes bytes to path through a temporary file in the same folder, flushed to the disk
    // and renamed over path; the folder is flushed too. On failure path is untouched.
    static bool writeFileAtomically(const QString& path, const QByteArray& bytes,
                                    QString* error = nullptr);
    // The temporary file's name used by writeFileAtomically.
    static QString temporaryPathFor(const QString& path);

    // The system calls of writeFileAtomically, replaceable so that a test can see their order
    // (the temporary file must reach the disk before it is renamed over the store).
    struct FileCalls {
        int (*open)(const char* path, int flags, mode_t mode);
        int (*fchmod)(int fd, mode_t mode);
        ssize_t (*write)(int fd, const void* data, size_t size);
        int (*fsync)(int fd);
        int (*close)(int fd);
        int (*rename)(const char* from, const char* to);
        int (*unlink)(const char* path);
    };
    // nullptr puts the system's calls back.
    static void setFileCalls(const FileCalls* calls);

private:
    struct Line {
        enum class Kind { Verbatim, Header, Entry };
        Kind kind = Kind::Verbatim;
        QString raw;       // the line as read, without its '\n'; empty when made in memory
        QByteArray bytes;  // the line's bytes when they are not UTF-8: written back unchanged
        bool dirty = true; // re-encode on writing instead of writing raw
        QString name;      // section name (Header) or key name (Entry)
        QString text;      // stored text (Entry)
        bool expandable = false;
    };

    void clear();
    void parse(const QByteArray& content);
    QString encode(const Line& line) const;
    int findSection(const QString& section) const;            // header line index or -1
    int findEntry(int headerIndex, const QString& key) const; // entry line index or -1
    int sectionEnd(int headerIndex) const;                    // one past its last line
    int insertionPoint(int headerIndex) const;                // after its last non-blank
    bool commit(std::vector<Line> lines);

    QString path_;
    State state_ = State::NotLoaded;
    QString lastError_;
    std::vector<Line> lines_;
    bool bom_ = false;
};

// Where the program's store lives: $XDG_CONFIG_HOME/Marrick/Teleon.ini, with ~/.config when
// XDG_CONFIG_HOME is unset or empty.
QString defaultConfigPath();

} // namespace teleon::platform
