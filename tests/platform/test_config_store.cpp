// The configuration file: stored order, escaping, expandable values, atomic writes and damaged
// files.
#include "platform/ConfigStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using teleon::platform::ConfigStore;
using Status = ConfigStore::WriteStatus;
using State = ConfigStore::State;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class ConfigStoreTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("Teleon.ini")); }
    // Writes the file and loads a store from it.
    ConfigStore& storeWith(const QByteArray& bytes) {
        writeBytes(path(), bytes);
        store = std::make_unique<ConfigStore>(path());
        store->load();
        return *store;
    }
    // A directory where the temporary file must go makes every write fail, even for root.
    void blockWrites() { ASSERT_TRUE(QDir().mkpath(ConfigStore::temporaryPathFor(path()))); }
    void unblockWrites() {
        ASSERT_TRUE(QDir(ConfigStore::temporaryPathFor(path())).removeRecursively());
    }

    QTemporaryDir dir;
    std::unique_ptr<ConfigStore> store;
};

const QByteArray Sample = "; settings\n"
                          "[General]\n"
                          "ComPort=1\n"
                          "TimeFormat=0\n"
                          "\n"
                          "; the sites\n"
                          "[Sites]\n"
                          "Home=AAA N  33\xC2\xB0 25' W 111\xC2\xB0 50' +07\n"
                          "Field=AAB N  51\xC2\xB0 29' W 000\xC2\xB0 00' +00\n";

} // namespace

TEST_F(ConfigStoreTest, ReadsSectionsAndValuesInStoredOrder) {
    ConfigStore& s = storeWith(Sample);
    EXPECT_EQ(s.state(), State::Writable);
    EXPECT_EQ(s.sectionNames(), (QStringList{"General", "Sites"}));
    const auto sites = s.values("Sites");
    ASSERT_EQ(sites.size(), 2);
    EXPECT_EQ(sites[0].first, "Home");
    EXPECT_EQ(sites[0].second, QString::fromUtf8("AAA N  33° 25' W 111° 50' +07"));
    EXPECT_EQ(sites[0].second.size(), 29);
    EXPECT_EQ(sites[1].first, "Field");
    EXPECT_EQ(s.value("General", "ComPort"), "1");
    EXPECT_FALSE(s.value("General", "Missing"));
    EXPECT_FALSE(s.value("Missing", "ComPort"));
}

TEST_F(ConfigStoreTest, WriteChangesInPlaceAndAppendsAtTheEndOfItsSection) {
    ConfigStore& s = storeWith(Sample);
    ASSERT_EQ(s.setValue("General", "ComPort", "3"), Status::Ok);
    ASSERT_EQ(s.setValue("General", "NightVision", "1"), Status::Ok);
    ASSERT_EQ(s.setValue("Sites", "Third", "AAC"), Status::Ok);
    const QByteArray expected = "; settings\n"
                                "[General]\n"
                                "ComPort=3\n"
                                "TimeFormat=0\n"
                                "NightVision=1\n"
                                "\n"
                                "; the sites\n"
                                "[Sites]\n"
                                "Home=AAA N  33\xC2\xB0 25' W 111\xC2\xB0 50' +07\n"
                                "Field=AAB N  51\xC2\xB0 29' W 000\xC2\xB0 00' +00\n"
                                "Third=AAC\n";
    EXPECT_EQ(readBytes(path()), expected);
    ConfigStore again(path());
    ASSERT_TRUE(again.load());
    const auto general = again.values("General");
    ASSERT_EQ(general.size(), 3);
    EXPECT_EQ(general[0], qMakePair(QString("ComPort"), QString("3")));
    EXPECT_EQ(general[2], qMakePair(QString("NightVision"), QString("1")));
}

TEST_F(ConfigStoreTest, FirstValueOfAnEmptySectionGoesBelowItsComments) {
    ConfigStore& s = storeWith("[Scripting]\n; last folder\n\n[Other]\nA=1\n");
    ASSERT_EQ(s.setValue("Scripting", "DefBrowseDir", "/tmp"), Status::Ok);
    EXPECT_EQ(readBytes(path()), "[Scripting]\n; last folder\nDefBrowseDir=/tmp\n\n[Other]\nA=1\n");
}

TEST_F(ConfigStoreTest, NamesMatchWithoutRegardToCaseAndKeepTheirSpelling) {
    ConfigStore& s = storeWith("[Align Stars]\nPolaris=19\n");
    EXPECT_EQ(s.value("ALIGN STARS", "POLARIS"), "19");
    ASSERT_EQ(s.setValue("align stars", "polaris", "20"), Status::Ok);
    EXPECT_EQ(readBytes(path()), "[Align Stars]\nPolaris=20\n");
}

TEST_F(ConfigStoreTest, WritingIntoAMissingSectionFailsAndLeavesTheFile) {
    ConfigStore& s = storeWith(Sample);
    EXPECT_EQ(s.setValue("Filter", "Types", "GPDCO"), Status::NoSection);
    EXPECT_EQ(s.removeValue("Filter", "Types"), Status::NoSection);
    EXPECT_EQ(readBytes(path()), Sample);
    ASSERT_EQ(s.createSection("Filter"), Status::Ok);
    ASSERT_EQ(s.setValue("Filter", "Types", "GPDCO"), Status::Ok);
    EXPECT_TRUE(readBytes(path()).endsWith("\n\n[Filter]\nTypes=GPDCO\n"));
}

TEST_F(ConfigStoreTest, RemoveValueDeletesOnlyItsLine) {
    ConfigStore& s = storeWith(Sample);
    ASSERT_EQ(s.removeValue("sites", "HOME"), Status::Ok);
    EXPECT_EQ(s.removeValue("Sites", "Home"), Status::NoValue);
    QByteArray expected = Sample;
    expected.replace("Home=AAA N  33\xC2\xB0 25' W 111\xC2\xB0 50' +07\n", "");
    EXPECT_EQ(readBytes(path()), expected);
}

TEST_F(ConfigStoreTest, CommentsGarbageAndLineEndsSurviveAWrite) {
    const QByteArray original = "# hash comment\r\n"
                                "[General]\r\n"
                                "this line has no equals sign\r\n"
                                "  Spaced  =  value with blanks around  \r\n"
                                "Bad=escape \\q here\r\n"
                                "Locale[de]=kept as it is\r\n"
                                "[Broken\r\n"
                                "Orphan=not in any section\r\n"
                                "[Sites]\r\n"
                                "A=1";
    ConfigStore& s = storeWith(original);
    EXPECT_EQ(s.value("General", "Spaced"), "value with blanks around");
    EXPECT_FALSE(s.value("General", "Bad"));
    EXPECT_FALSE(s.value("General", "Orphan"));
    EXPECT_EQ(s.sectionNames(), (QStringList{"General", "Sites"}));
    ASSERT_EQ(s.setValue("Sites", "A", "2"), Status::Ok);
    QByteArray expected = original;
    expected.chop(3);
    expected += "A=2\n";
    EXPECT_EQ(readBytes(path()), expected);
}

TEST_F(ConfigStoreTest, ByteOrderMarkIsKept) {
    ConfigStore& s = storeWith("\xEF\xBB\xBF[General]\nA=1\n");
    EXPECT_EQ(s.value("General", "A"), "1");
    ASSERT_EQ(s.setValue("General", "A", "2"), Status::Ok);
    EXPECT_EQ(readBytes(path()), "\xEF\xBB\xBF[General]\nA=2\n");
}

struct EscapeRow {
    const char* what;
    QString key;
    QString text;
};

class EscapeRoundTrip : public ConfigStoreTest, public ::testing::WithParamInterface<EscapeRow> {};

TEST_P(EscapeRoundTrip, KeyAndTextComeBackUnchanged) {
    const EscapeRow row = GetParam();
    SCOPED_TRACE(row.what);
    ConfigStore& s = storeWith("[Sites]\nBefore=1\n");
    ASSERT_EQ(s.setValue("Sites", row.key, row.text), Status::Ok);
    ASSERT_EQ(s.setValue("Sites", "After", "2"), Status::Ok);
    ConfigStore again(path());
    ASSERT_TRUE(again.load()) << readBytes(path()).constData();
    const auto values = again.values("Sites");
    ASSERT_EQ(values.size(), 3) << readBytes(path()).constData();
    EXPECT_EQ(values[1].first, row.key);
    EXPECT_EQ(values[1].second, row.text);
    EXPECT_EQ(values[2].second, "2");
    EXPECT_FALSE(again.isExpandable("Sites", row.key));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EscapeRoundTrip,
    ::testing::Values(
        EscapeRow{"plain", "Home", "AAA N  33° 25' W 111° 50' +07"},
        EscapeRow{"empty text", "Empty", ""},
        EscapeRow{"newlines", "Two\nlines", "first\nsecond\r\nthird"},
        EscapeRow{"outer blanks", "  padded name ", "  padded text  "},
        EscapeRow{"only blanks", " ", "   "}, EscapeRow{"tabs", "\tTab", "a\tb\t"},
        EscapeRow{"backslashes", "C:\\Sites\\", "\\n is not a newline \\"},
        EscapeRow{"equals and brackets", "a=b [c] d", "x=y [z]"},
        EscapeRow{"comment starts", "; not a comment", "# not a comment"},
        EscapeRow{"hash key", "#hash", ";"}, EscapeRow{"header look", "[General]", "[General]"},
        EscapeRow{"expand marker as text", "Dir[$e]", "${HOME}"},
        EscapeRow{"control characters", QString("bell") + QChar(7), QString("nul") + QChar(0)},
        EscapeRow{"unicode", QString::fromUtf8("Zürich ß °"), QString::fromUtf8("Ωμέγα 日本 🔭")},
        EscapeRow{"no-break spaces", QString::fromUtf8("\u00a0name\u00a0"),
                  QString::fromUtf8("\u00a0text\u2003")}));

TEST(ConfigStoreEscapes, GoldenForms) {
    EXPECT_EQ(ConfigStore::escapeValue(" a\\b\n "), "\\sa\\\\b\\n\\s");
    EXPECT_EQ(ConfigStore::escapeValue("x=y"), "x=y");
    EXPECT_EQ(ConfigStore::escapeKey("a=b[c]"), "a\\=b\\[c]");
    EXPECT_EQ(ConfigStore::escapeKey(";x"), "\\;x");
    EXPECT_EQ(ConfigStore::escapeKey(QString("a") + QChar(1)), "a\\x01");
    EXPECT_EQ(ConfigStore::escapeSection("a]b"), "a\\]b");
}

struct ExpandRow {
    const char* stored;
    const char* expanded;
};

void PrintTo(const ExpandRow& row, std::ostream* os) {
    for (const char* c = row.stored; *c; ++c)
        *os << (std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
}

class ExpandEnvironment : public ::testing::TestWithParam<ExpandRow> {
protected:
    void SetUp() override {
        qputenv("TELEON_TEST_DIR", "/data/scripts");
        qunsetenv("TELEON_TEST_UNSET");
    }
    void TearDown() override { qunsetenv("TELEON_TEST_DIR"); }
};

TEST_P(ExpandEnvironment, Expands) {
    EXPECT_EQ(ConfigStore::expandEnvironment(QString::fromUtf8(GetParam().stored)),
              QString::fromUtf8(GetParam().expanded));
}

INSTANTIATE_TEST_SUITE_P(Rows, ExpandEnvironment,
                         ::testing::Values(ExpandRow{"${TELEON_TEST_DIR}/x", "/data/scripts/x"},
                                           ExpandRow{"$TELEON_TEST_DIR/x", "/data/scripts/x"},
                                           ExpandRow{"a${TELEON_TEST_UNSET}b", "ab"},
                                           ExpandRow{"a$TELEON_TEST_UNSET/b", "a/b"},
                                           ExpandRow{"cost $$5", "cost $5"},
                                           ExpandRow{"end $", "end $"},
                                           ExpandRow{"${unclosed", "${unclosed"},
                                           ExpandRow{"${}", "${}"}, ExpandRow{"$1", "$1"},
                                           ExpandRow{"${TELEON_TEST_DIR}${TELEON_TEST_DIR}",
                                                     "/data/scripts/data/scripts"}));

TEST_F(ConfigStoreTest, ExpandableValuesReadExpandedAndKeepTheirMarker) {
    qputenv("TELEON_TEST_DIR", "/data/scripts");
    ConfigStore& s = storeWith("[Scripting]\nDefBrowseDir[$e]=${TELEON_TEST_DIR}/mine\n"
                               "Plain=${TELEON_TEST_DIR}\n");
    EXPECT_EQ(s.value("Scripting", "DefBrowseDir"), "/data/scripts/mine");
    EXPECT_EQ(s.rawValue("Scripting", "DefBrowseDir"), "${TELEON_TEST_DIR}/mine");
    EXPECT_TRUE(s.isExpandable("Scripting", "DefBrowseDir"));
    EXPECT_EQ(s.value("Scripting", "Plain"), "${TELEON_TEST_DIR}");
    EXPECT_EQ(s.values("Scripting")[0].second, "/data/scripts/mine");

    ASSERT_EQ(s.setValue("Scripting", "Other", "$HOME/x", true), Status::Ok);
    EXPECT_TRUE(readBytes(path()).contains("Other[$e]=$HOME/x\n"));
    // A plain write replaces an expandable value with plain text.
    ASSERT_EQ(s.setValue("Scripting", "DefBrowseDir", "/srv"), Status::Ok);
    EXPECT_FALSE(s.isExpandable("Scripting", "DefBrowseDir"));
    EXPECT_TRUE(readBytes(path()).startsWith("[Scripting]\nDefBrowseDir=/srv\n"));
    qunsetenv("TELEON_TEST_DIR");
}

TEST_F(ConfigStoreTest, FailedWriteLeavesTheFileAndTheMemoryAsTheyWere) {
    ConfigStore& s = storeWith(Sample);
    blockWrites();
    EXPECT_EQ(s.setValue("General", "ComPort", "5"), Status::WriteFailed);
    EXPECT_EQ(s.setValue("General", "New", "x"), Status::WriteFailed);
    EXPECT_EQ(s.removeValue("Sites", "Home"), Status::WriteFailed);
    EXPECT_FALSE(s.lastError().isEmpty());
    EXPECT_EQ(readBytes(path()), Sample);
    EXPECT_EQ(s.value("General", "ComPort"), "1");
    EXPECT_FALSE(s.value("General", "New"));
    EXPECT_TRUE(s.value("Sites", "Home"));
    unblockWrites();
    EXPECT_EQ(s.setValue("General", "ComPort", "5"), Status::Ok);
    EXPECT_EQ(s.value("General", "ComPort"), "5");
}

TEST_F(ConfigStoreTest, SuccessfulWriteLeavesNoTemporaryFileAndKeepsTheMode) {
    ConfigStore& s = storeWith(Sample);
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_EQ(s.setValue("General", "ComPort", "2"), Status::Ok);
    EXPECT_FALSE(QFile::exists(ConfigStore::temporaryPathFor(path())));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ConfigStoreTest, WritesThroughASymbolicLink) {
    const QString real = dir.filePath("real.ini");
    writeBytes(real, "[General]\nA=1\n");
    ASSERT_TRUE(QFile::link(real, path()));
    ConfigStore s(path());
    ASSERT_TRUE(s.load());
    ASSERT_EQ(s.setValue("General", "A", "2"), Status::Ok);
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(readBytes(real), "[General]\nA=2\n");
}

// A hand edit in another encoding, a stray byte, a NUL: the store stays usable, those lines keep
// their bytes through every write, and a Latin-1 value still reads.
TEST_F(ConfigStoreTest, LinesThatAreNotUtf8KeepTheirBytes) {
    const struct {
        const char* what;
        QByteArray line;
        std::optional<QString> home;
    } rows[] = {
        {"latin1", "Home=AAA N  33\xB0 25'", QString::fromUtf8("AAA N  33\u00B0 25'")},
        {"bad_utf8", "Home=\xC3\x28", QString::fromUtf8("\u00C3(")},
        {"nul_byte", QByteArray("Home=1\0", 7), std::nullopt},
        {"binary",
         QByteArray("\x7F"
                    "ELF\x02\x01\x01\0\0\0\xFF\xFE",
                    12),
         std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const QByteArray file = "[General]\nComPort=1\n[Sites]\n" + row.line + "\n";
        ConfigStore& s = storeWith(file);
        EXPECT_EQ(s.state(), State::Writable);
        EXPECT_EQ(s.value("Sites", "Home"), row.home);
        ASSERT_EQ(s.setValue("General", "ComPort", "2"), Status::Ok);
        QByteArray expected = file;
        expected.replace("ComPort=1", "ComPort=2");
        EXPECT_EQ(readBytes(path()), expected);
    }
}

TEST_F(ConfigStoreTest, TheTemporaryFileReachesTheDiskBeforeItReplacesTheStore) {
    static QStringList calls;
    calls.clear();
    static const ConfigStore::FileCalls recording{
        [](const char* p, int flags, mode_t mode) {
            calls << ((flags & O_DIRECTORY) ? "open folder" : "open " + QFileInfo(p).fileName());
            return ::open(p, flags, mode);
        },
        [](int fd, mode_t mode) { return ::fchmod(fd, mode); },
        [](int fd, const void* data, size_t n) {
            calls << "write";
            return ::write(fd, data, n);
        },
        [](int fd) {
            calls << "fsync";
            return ::fsync(fd);
        },
        [](int fd) {
            calls << "close";
            return ::close(fd);
        },
        [](const char* from, const char* to) {
            calls << "rename " + QFileInfo(from).fileName() + " " + QFileInfo(to).fileName();
            return ::rename(from, to);
        },
        [](const char* p) { return ::unlink(p); },
    };
    ConfigStore& s = storeWith(Sample);
    ConfigStore::setFileCalls(&recording);
    const Status status = s.setValue("General", "ComPort", "2");
    ConfigStore::setFileCalls(nullptr);
    ASSERT_EQ(status, Status::Ok);
    EXPECT_EQ(calls,
              (QStringList{"open .Teleon.ini.tmp", "write", "fsync", "close",
                           "rename .Teleon.ini.tmp Teleon.ini", "open folder", "fsync", "close"}));
}

TEST_F(ConfigStoreTest, AFolderInPlaceOfTheFileIsUnreadable) {
    ASSERT_TRUE(QDir().mkpath(path()));
    ConfigStore s(path());
    EXPECT_FALSE(s.load());
    EXPECT_EQ(s.state(), State::Unreadable);
    EXPECT_EQ(s.setValue("General", "A", "1"), Status::WriteFailed);
}

TEST_F(ConfigStoreTest, MissingFileIsSeededFromTheDefault) {
    const QString defaults = dir.filePath("defaults.ini");
    writeBytes(defaults, Sample);
    const QString target = dir.filePath("sub/folder/Teleon.ini");
    ConfigStore s(target);
    ASSERT_TRUE(s.loadOrSeed(defaults));
    EXPECT_EQ(s.state(), State::Writable);
    EXPECT_EQ(readBytes(target), Sample);
    EXPECT_EQ(s.value("General", "ComPort"), "1");
    ASSERT_EQ(s.setValue("General", "ComPort", "4"), Status::Ok);
    // An existing file is read, not seeded again.
    ConfigStore again(target);
    ASSERT_TRUE(again.loadOrSeed(defaults));
    EXPECT_EQ(again.value("General", "ComPort"), "4");
}

TEST_F(ConfigStoreTest, DefaultsAreServedFromMemoryWhenTheCopyFails) {
    const QString defaults = dir.filePath("defaults.ini");
    writeBytes(defaults, Sample);
    blockWrites();
    ConfigStore s(path());
    ASSERT_TRUE(s.loadOrSeed(defaults));
    EXPECT_EQ(s.state(), State::ReadOnly);
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(s.values("Sites").size(), 2);
}

TEST_F(ConfigStoreTest, NothingToReadWhenFileAndDefaultAreMissing) {
    ConfigStore s(path());
    EXPECT_FALSE(s.loadOrSeed(dir.filePath("no-defaults.ini")));
    EXPECT_EQ(s.state(), State::NotLoaded);
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(s.setValue("General", "A", "1"), Status::WriteFailed);
}

TEST(ConfigStorePath, FollowsXdgConfigHome) {
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/somewhere/config");
    EXPECT_EQ(teleon::platform::defaultConfigPath(), "/somewhere/config/Marrick/Teleon.ini");
    qputenv("XDG_CONFIG_HOME", "");
    EXPECT_EQ(teleon::platform::defaultConfigPath(),
              QDir::homePath() + "/.config/Marrick/Teleon.ini");
    qputenv("XDG_CONFIG_HOME", "relative/path");
    EXPECT_EQ(teleon::platform::defaultConfigPath(),
              QDir::homePath() + "/.config/Marrick/Teleon.ini");
    qputenv("XDG_CONFIG_HOME", old);
}

// Random bytes, and random mixtures of the format's own characters, as a file: no crash; a file
// that loads is written back byte for byte; a value written into it reads back unchanged and
// leaves every other value as it was.
TEST_F(ConfigStoreTest, FuzzRandomFiles) {
    std::mt19937 rng(20240611u);
    const std::vector<QByteArray> tokens = {
        "[",  "]",       "=",     "\\",  "\n",       "\r\n",         "[$e]", ";",
        "#",  "$",       "{",     "}",   "\\x4",     "\\s",          "\\n",  " ",
        "\t", "General", "Sites", "Key", "\xC2\xB0", "\xEF\xBB\xBF", "\0",   "\xFF"};
    auto randomText = [&rng](int maxLen) {
        QString t;
        const int n = int(rng() % unsigned(maxLen + 1));
        for (int i = 0; i < n; ++i) {
            char32_t c = 0;
            switch (rng() % 4) {
            case 0:
                c = U" \t\n\r\\=[];#$e{}"[rng() % 14];
                break;
            case 1:
                c = char32_t(rng() % 0x80);
                break;
            default:
                c = char32_t(rng() % 0x1F000);
                if (c >= 0xD800 && c <= 0xDFFF)
                    c = u'?';
            }
            t += QString::fromUcs4(&c, 1);
        }
        return t;
    };
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes;
        const int parts = int(rng() % 60);
        for (int i = 0; i < parts; ++i) {
            if (rng() % 3 == 0)
                bytes += char(rng() % 256);
            else
                bytes += tokens[rng() % tokens.size()];
        }
        ConfigStore s(path());
        ASSERT_TRUE(s.loadFromBytes(bytes));
        QByteArray expected = bytes;
        if (!expected.isEmpty() && !expected.endsWith('\n') && expected != "\xEF\xBB\xBF")
            expected += '\n';
        ASSERT_EQ(s.serialize(), expected) << "round " << round;

        const QStringList sections = s.sectionNames();
        if (sections.isEmpty() || round % 8 != 0)
            continue;
        const QString section = sections[int(rng() % unsigned(sections.size()))];
        const QString key = randomText(12);
        const QString text = randomText(40);
        QMap<QString, QList<QPair<QString, QString>>> before;
        for (const QString& sec : sections)
            before[sec] = s.values(sec);
        ASSERT_EQ(s.setValue(section, key, text), Status::Ok) << "round " << round;
        ConfigStore again(path());
        ASSERT_TRUE(again.load()) << "round " << round;
        EXPECT_EQ(again.rawValue(section, key), text) << "round " << round;
        for (const QString& sec : sections) {
            for (const auto& [name, value] : before[sec]) {
                if (sec.compare(section, Qt::CaseInsensitive) == 0 &&
                    name.compare(key, Qt::CaseInsensitive) == 0)
                    continue;
                EXPECT_EQ(again.value(sec, name), value) << "round " << round;
            }
        }
    }
}
