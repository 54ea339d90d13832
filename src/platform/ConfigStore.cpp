#include "ConfigStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace teleon::platform {

namespace {

constexpr char16_t ExpandMarker[] = u"[$e]";

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// Trims blanks and tabs only: other white space (no-break space and the like) is text.
QStringView trimBlanks(QStringView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Undoes the escapes of the file format; nullopt when an escape is malformed.
std::optional<QString> unescape(QStringView s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i >= s.size())
            return std::nullopt;
        switch (s[i].unicode()) {
        case u'\\':
            out += u'\\';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        case u't':
            out += u'\t';
            break;
        case u's':
            out += u' ';
            break;
        case u'=':
        case u'[':
        case u']':
        case u';':
        case u'#':
            out += s[i];
            break;
        case u'x': {
            if (i + 2 >= s.size())
                return std::nullopt;
            const int hi = hexDigit(s[i + 1]);
            const int lo = hexDigit(s[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out += QChar(char16_t(hi * 16 + lo));
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

// Index of the first character c in s that is not escaped, or -1.
qsizetype findUnescaped(QStringView s, QChar c) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\\')
            ++i;
        else if (s[i] == c)
            return i;
    }
    return -1;
}

void appendControl(QString& out, QChar c) {
    switch (c.unicode()) {
    case u'\n':
        out += u"\\n";
        return;
    case u'\r':
        out += u"\\r";
        return;
    case u'\t':
        out += u"\\t";
        return;
    default:
        out += QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QLatin1Char('0'));
    }
}

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7f;
}

// The common part of every escape: backslash, control characters, outer blanks.
QString escapeCommon(const QString& s, const QString& alsoEscaped) {
    QString out;
    out.reserve(s.size() + 8);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\\')
            out += u"\\\\";
        else if (isControl(c))
            appendControl(out, c);
        else if (c == u' ' && (i == 0 || i == s.size() - 1))
            out += u"\\s";
        else if (alsoEscaped.contains(c)) {
            out += u'\\';
            out += c;
        } else
            out += c;
    }
    return out;
}

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

using FileCalls = ConfigStore::FileCalls;

const FileCalls SystemFileCalls{
    [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
    ::fchmod,
    ::write,
    ::fsync,
    ::close,
    ::rename,
    ::unlink,
};
const FileCalls* fileCalls = &SystemFileCalls;

const FileCalls& files() {
    return *fileCalls;
}

} // namespace

ConfigStore::ConfigStore(QString path) : path_(std::move(path)) {}

void ConfigStore::clear() {
    lines_.clear();
    bom_ = false;
}

QString ConfigStore::escapeKey(const QString& key) {
    QString out = escapeCommon(key, QStringLiteral("=["));
    if (out.startsWith(u';') || out.startsWith(u'#'))
        out.prepend(u'\\');
    return out;
}

QString ConfigStore::escapeValue(const QString& text) {
    return escapeCommon(text, QString());
}

QString ConfigStore::escapeSection(const QString& section) {
    return escapeCommon(section, QStringLiteral("]"));
}

QString ConfigStore::expandEnvironment(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'$' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[i + 1];
        if (next == u'$') {
            out += u'$';
            ++i;
        } else if (next == u'{') {
            const qsizetype close = text.indexOf(u'}', i + 2);
            const QString name = close < 0 ? QString() : text.mid(i + 2, close - i - 2);
            bool valid = !name.isEmpty() && isNameStart(name[0]);
            for (QChar n : name)
                valid = valid && isNameChar(n);
            if (!valid) {
                out += c; // not a variable: the dollar sign is text
                continue;
            }
            out += qEnvironmentVariable(name.toLocal8Bit().constData());
            i = close;
        } else if (isNameStart(next)) {
            qsizetype end = i + 1;
            while (end < text.size() && isNameChar(text[end]))
                ++end;
            const QString name = text.mid(i + 1, end - i - 1);
            out += qEnvironmentVariable(name.toLocal8Bit().constData());
            i = end - 1;
        } else {
            out += c;
        }
    }
    return out;
}

void ConfigStore::parse(const QByteArray& content) {
    lines_.clear();
    QList<QByteArray> raws = content.split('\n');
    if (!raws.isEmpty() && raws.last().isEmpty())
        raws.removeLast(); // the file's final line end
    bool inSection = false;
    for (const QByteArray& bytes : raws) {
        Line line;
        line.dirty = false;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom);
        QString raw = utf8(bytes);
        if (utf8.hasError() || bytes.contains('\0')) {
            // Not UTF-8 (a hand edit in another encoding, a stray byte): the line keeps its
            // bytes exactly, and reads as Latin-1 so that a value in it is not lost.
            line.bytes = bytes;
            raw = QString::fromLatin1(bytes);
        }
        line.raw = raw;
        if (bytes.contains('\0')) { // never taken for a value: kept and written back only
            lines_.push_back(line);
            continue;
        }
        QStringView body = QStringView(line.raw);
        if (body.endsWith(u'\r'))
            body.chop(1);
        const QStringView t = trimBlanks(body);
        if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#')) {
            lines_.push_back(line);
            continue;
        }
        if (t.startsWith(u'[')) {
            const qsizetype close = findUnescaped(t.mid(1), u']');
            std::optional<QString> name;
            if (close >= 0 && trimBlanks(t.mid(close + 2)).isEmpty())
                name = unescape(t.mid(1, close));
            if (name) {
                line.kind = Line::Kind::Header;
                line.name = *name;
            }
            // A header that does not parse is kept, and the values below it belong to no
            // section until the next good header.
            inSection = bool(name);
            lines_.push_back(line);
            continue;
        }
        const qsizetype eq = findUnescaped(t, u'=');
        if (!inSection || eq < 0) {
            lines_.push_back(line);
            continue;
        }
        // An unescaped '[' in a key may only open the expandable marker at its end.
        QStringView keyPart = trimBlanks(t.left(eq));
        const qsizetype bracket = findUnescaped(keyPart, u'[');
        const bool expandable = bracket >= 0 && keyPart.mid(bracket) == QStringView(ExpandMarker);
        if (expandable)
            keyPart = trimBlanks(keyPart.left(bracket));
        const std::optional<QString> key =
            bracket < 0 || expandable ? unescape(keyPart) : std::nullopt;
        const std::optional<QString> value = unescape(trimBlanks(t.mid(eq + 1)));
        if (key && value) {
            line.kind = Line::Kind::Entry;
            line.name = *key;
            line.text = *value;
            line.expandable = expandable;
        }
        lines_.push_back(line);
    }
}

bool ConfigStore::loadFromBytes(const QByteArray& input) {
    clear();
    QByteArray bytes = input;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bom_ = true;
        bytes.remove(0, 3);
    }
    parse(bytes);
    state_ = State::Writable;
    lastError_.clear();
    return true;
}

bool ConfigStore::load() {
    clear();
    QFile file(path_);
    if (!file.exists()) {
        state_ = State::NotLoaded;
        lastError_ = QStringLiteral("the file does not exist");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        state_ = State::Unreadable;
        lastError_ = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        state_ = State::Unreadable;
        lastError_ = file.errorString();
        return false;
    }
    return loadFromBytes(bytes);
}

bool ConfigStore::loadOrSeed(const QString& defaultPath) {
    const QFileInfo info(path_);
    if (info.exists() || info.isSymLink()) {
        load();
        return true; // an unreadable file is served as an empty store that refuses writes
    }
    clear();
    QFile source(defaultPath);
    if (!source.open(QIODevice::ReadOnly)) {
        state_ = State::NotLoaded;
        lastError_ = QStringLiteral("%1: %2").arg(defaultPath, source.errorString());
        return false;
    }
    const QByteArray bytes = source.readAll();
    if (!loadFromBytes(bytes)) {
        state_ = State::NotLoaded;
        lastError_ = QStringLiteral("%1: %2").arg(defaultPath, lastError_);
        clear();
        return false;
    }
    QString error;
    if (!QDir().mkpath(info.absolutePath())) {
        state_ = State::ReadOnly;
        lastError_ = QStringLiteral("cannot create the folder %1").arg(info.absolutePath());
    } else if (!writeFileAtomically(path_, bytes, &error)) {
        state_ = State::ReadOnly;
        lastError_ = error;
    }
    return true;
}

QStringList ConfigStore::sectionNames() const {
    QStringList names;
    for (const Line& l : lines_) {
        if (l.kind != Line::Kind::Header)
            continue;
        bool seen = false;
        for (const QString& n : names)
            seen = seen || sameName(n, l.name);
        if (!seen)
            names << l.name;
    }
    return names;
}

int ConfigStore::findSection(const QString& section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::Kind::Header && sameName(lines_[i].name, section))
            return int(i);
    return -1;
}

bool ConfigStore::hasSection(const QString& section) const {
    return findSection(section) >= 0;
}

int ConfigStore::sectionEnd(int headerIndex) const {
    // A header that did not parse ends the section too.
    size_t i = size_t(headerIndex) + 1;
    while (i < lines_.size()) {
        const Line& l = lines_[i];
        if (l.kind == Line::Kind::Header ||
            (l.kind == Line::Kind::Verbatim && trimBlanks(l.raw).startsWith(u'[')))
            break;
        ++i;
    }
    return int(i);
}

int ConfigStore::findEntry(int headerIndex, const QString& key) const {
    const int end = sectionEnd(headerIndex);
    for (int i = headerIndex + 1; i < end; ++i)
        if (lines_[size_t(i)].kind == Line::Kind::Entry && sameName(lines_[size_t(i)].name, key))
            return i;
    return -1;
}

int ConfigStore::insertionPoint(int headerIndex) const {
    const int end = sectionEnd(headerIndex);
    int lastEntry = -1;
    for (int i = headerIndex + 1; i < end; ++i)
        if (lines_[size_t(i)].kind == Line::Kind::Entry)
            lastEntry = i;
    if (lastEntry >= 0)
        return lastEntry + 1;
    // No values yet: after the header and the comment lines right below it.
    int i = headerIndex + 1;
    while (i < end && !trimBlanks(lines_[size_t(i)].raw).isEmpty())
        ++i;
    return i;
}

std::optional<QString> ConfigStore::rawValue(const QString& section, const QString& key) const {
    const int h = findSection(section);
    if (h < 0)
        return std::nullopt;
    const int e = findEntry(h, key);
    if (e < 0)
        return std::nullopt;
    return lines_[size_t(e)].text;
}

bool ConfigStore::isExpandable(const QString& section, const QString& key) const {
    const int h = findSection(section);
    const int e = h < 0 ? -1 : findEntry(h, key);
    return e >= 0 && lines_[size_t(e)].expandable;
}

std::optional<QString> ConfigStore::value(const QString& section, const QString& key) const {
    const int h = findSection(section);
    const int e = h < 0 ? -1 : findEntry(h, key);
    if (e < 0)
        return std::nullopt;
    const Line& l = lines_[size_t(e)];
    return l.expandable ? expandEnvironment(l.text) : l.text;
}

QList<QPair<QString, QString>> ConfigStore::values(const QString& section) const {
    QList<QPair<QString, QString>> out;
    const int h = findSection(section);
    if (h < 0)
        return out;
    const int end = sectionEnd(h);
    for (int i = h + 1; i < end; ++i) {
        const Line& l = lines_[size_t(i)];
        if (l.kind != Line::Kind::Entry || findEntry(h, l.name) != i)
            continue; // a repeated name: the first one counts
        out.append({l.name, l.expandable ? expandEnvironment(l.text) : l.text});
    }
    return out;
}

QString ConfigStore::encode(const Line& line) const {
    if (!line.dirty)
        return line.raw;
    switch (line.kind) {
    case Line::Kind::Header:
        return u'[' + escapeSection(line.name) + u']';
    case Line::Kind::Entry:
        return escapeKey(line.name) + (line.expandable ? QStringLiteral("[$e]") : QString()) +
               u'=' + escapeValue(line.text);
    case Line::Kind::Verbatim:
        break;
    }
    return line.raw;
}

QByteArray ConfigStore::serialize() const {
    QByteArray out;
    if (bom_)
        out += "\xEF\xBB\xBF";
    for (const Line& l : lines_) {
        out += !l.dirty && !l.bytes.isNull() ? l.bytes : encode(l).toUtf8();
        out += '\n';
    }
    return out;
}

bool ConfigStore::commit(std::vector<Line> lines) {
    std::swap(lines_, lines);
    const QByteArray bytes = serialize();
    QString error;
    if (!writeFileAtomically(path_, bytes, &error)) {
        std::swap(lines_, lines); // back to what the file holds
        lastError_ = error;
        return false;
    }
    lastError_.clear();
    return true;
}

ConfigStore::WriteStatus ConfigStore::setValue(const QString& section, const QString& key,
                                               const QString& text, bool expandable) {
    if (state_ != State::Writable) {
        if (lastError_.isEmpty())
            lastError_ = QStringLiteral("the store cannot be written");
        return WriteStatus::WriteFailed;
    }
    const int h = findSection(section);
    if (h < 0)
        return WriteStatus::NoSection;
    std::vector<Line> lines = lines_;
    const int e = findEntry(h, key);
    if (e >= 0) {
        Line& l = lines[size_t(e)];
        l.text = text;
        l.expandable = expandable;
        l.dirty = true;
    } else {
        Line l;
        l.kind = Line::Kind::Entry;
        l.name = key;
        l.text = text;
        l.expandable = expandable;
        lines.insert(lines.begin() + insertionPoint(h), l);
    }
    return commit(std::move(lines)) ? WriteStatus::Ok : WriteStatus::WriteFailed;
}

ConfigStore::WriteStatus ConfigStore::removeValue(const QString& section, const QString& key) {
    if (state_ != State::Writable) {
        if (lastError_.isEmpty())
            lastError_ = QStringLiteral("the store cannot be written");
        return WriteStatus::WriteFailed;
    }
    const int h = findSection(section);
    if (h < 0)
        return WriteStatus::NoSection;
    const int e = findEntry(h, key);
    if (e < 0)
        return WriteStatus::NoValue;
    std::vector<Line> lines = lines_;
    lines.erase(lines.begin() + e);
    return commit(std::move(lines)) ? WriteStatus::Ok : WriteStatus::WriteFailed;
}

ConfigStore::WriteStatus ConfigStore::createSection(const QString& section) {
    if (state_ != State::Writable) {
        if (lastError_.isEmpty())
            lastError_ = QStringLiteral("the store cannot be written");
        return WriteStatus::WriteFailed;
    }
    if (hasSection(section))
        return WriteStatus::Ok;
    std::vector<Line> lines = lines_;
    if (!lines.empty() && !trimBlanks(lines.back().raw).isEmpty()) {
        Line blank;
        blank.dirty = false;
        lines.push_back(blank);
    }
    Line header;
    header.kind = Line::Kind::Header;
    header.name = section;
    lines.push_back(header);
    return commit(std::move(lines)) ? WriteStatus::Ok : WriteStatus::WriteFailed;
}

void ConfigStore::setFileCalls(const FileCalls* calls) {
    fileCalls = calls ? calls : &SystemFileCalls;
}

QString ConfigStore::temporaryPathFor(const QString& path) {
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".tmp");
}

bool ConfigStore::writeFileAtomically(const QString& path, const QByteArray& bytes,
                                      QString* error) {
    auto fail = [error](const QString& what, int err) {
        if (error)
            *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err));
        return false;
    };
    // Write through a symbolic link to the file it names, as editors do.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString resolved = info.symLinkTarget();
        if (!resolved.isEmpty())
            target = resolved;
    }
    const QByteArray targetName = QFile::encodeName(target);
    const QByteArray tempName = QFile::encodeName(temporaryPathFor(target));
    const QByteArray dirName = QFile::encodeName(QFileInfo(target).absolutePath());

    mode_t mode = 0644;
    struct stat st {};
    if (::stat(targetName.constData(), &st) == 0)
        mode = st.st_mode & 07777;

    const int fd = files().open(tempName.constData(),
                                O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0)
        return fail(QStringLiteral("cannot create %1").arg(QFile::decodeName(tempName)), errno);
    auto abandon = [&](const QString& what) {
        const int err = errno;
        files().close(fd);
        files().unlink(tempName.constData());
        return fail(what, err);
    };
    if (files().fchmod(fd, mode) != 0)
        return abandon(QStringLiteral("cannot set the mode of the temporary file"));
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = files().write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return abandon(QStringLiteral("cannot write the temporary file"));
        p += n;
        left -= n;
    }
    if (files().fsync(fd) != 0)
        return abandon(QStringLiteral("cannot flush the temporary file"));
    if (files().close(fd) != 0) {
        const int err = errno;
        files().unlink(tempName.constData());
        return fail(QStringLiteral("cannot close the temporary file"), err);
    }
    if (files().rename(tempName.constData(), targetName.constData()) != 0) {
        const int err = errno;
        files().unlink(tempName.constData());
        return fail(QStringLiteral("cannot replace %1").arg(target), err);
    }
    // Make the rename itself durable.
    const int dirFd = files().open(dirName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dirFd >= 0) {
        files().fsync(dirFd);
        files().close(dirFd);
    }
    return true;
}

QString defaultConfigPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Marrick/Teleon.ini");
}

} // namespace teleon::platform
