#include "setup/SiteFormat.h"

#include "console/Registry.h"
#include "link/Utilities.h"
#include "platform/Prompts.h"

#include <cfenv>
#include <cmath>

namespace teleon {

namespace {

const QString General = QStringLiteral("General");
const QString Sites = QStringLiteral("Sites");
const QString NextSiteNum = QStringLiteral("NextSiteNum");

// The fields' layouts: "#" is an open position, everything else a literal.
QString layout(SiteField field) {
    switch (field) {
    case SiteField::Latitude:
        return QStringLiteral("#  ##\u00B0 ##'");
    case SiteField::Longitude:
        return QStringLiteral("# ###\u00B0 ##'");
    case SiteField::Offset:
        break;
    }
    return QStringLiteral("###");
}

QString digits(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// Characters from (0-based) of content as a number; -1 when they are not all digits.
int digitsAt(const QString& content, int from, int count) {
    const QString part = content.mid(from, count);
    if (part.size() != count)
        return -1;
    for (QChar c : part)
        if (c < u'0' || c > u'9')
            return -1;
    return part.toInt();
}

} // namespace

QString FormatSiteCoordinate(double degrees) {
    const double magnitude = std::fabs(degrees);
    double whole = std::trunc(magnitude);
    // std::nearbyint rounds in the current mode, which is to-nearest-even unless changed.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    double minutes = std::nearbyint((magnitude - whole) * 60.0);
    std::fesetround(saved);
    if (minutes >= 60.0) {
        minutes = 0.0;
        whole += 1.0;
    }
    return (degrees < 0 ? QStringLiteral("-") : QString()) + digits(int(whole), 3) +
           ScopeDegreeSign + digits(int(minutes), 2);
}

QString SiteFieldMask(SiteField field) {
    QString mask = layout(field);
    mask.replace(0, 1, QStringLiteral(">X"));
    mask.replace(u'#', u'9');
    return mask + QStringLiteral(";") + SitePromptChar;
}

QString EmptySiteField(SiteField field) {
    return layout(field).replace(u'#', SitePromptChar);
}

QString SiteFieldContent(SiteField field, const QString& text) {
    const QString pattern = layout(field);
    QString content;
    for (qsizetype i = 0; i < pattern.size() && i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (pattern.at(i) == u'#' && c != SitePromptChar && c != u' ')
            content += c;
    }
    return content;
}

QString SiteFieldText(SiteField field, const QString& content) {
    QString text = layout(field);
    qsizetype next = 0;
    for (QChar& c : text) {
        if (c != u'#')
            continue;
        c = next < content.size() ? content.at(next++) : SitePromptChar;
    }
    return text;
}

bool SiteFieldStartsRight(SiteField field, const QString& content) {
    if (content.isEmpty())
        return true;
    const QChar first = content.at(0);
    switch (field) {
    case SiteField::Latitude:
        return first == u'N' || first == u'S';
    case SiteField::Longitude:
        return first == u'E' || first == u'W';
    case SiteField::Offset:
        break;
    }
    return first == u'+' || first == u'-';
}

bool ValidLat(const QString& content) {
    if (content.size() != 5 || (content.at(0) != u'N' && content.at(0) != u'S'))
        return false;
    const int deg = digitsAt(content, 1, 2);
    const int min = digitsAt(content, 3, 2);
    if (deg < 0 || min < 0)
        return false;
    return (deg == 90 && min == 0) || (deg <= 89 && min <= 59);
}

bool ValidLong(const QString& content) {
    if (content.size() != 6 || (content.at(0) != u'E' && content.at(0) != u'W'))
        return false;
    const int deg = digitsAt(content, 1, 3);
    const int min = digitsAt(content, 4, 2);
    return deg >= 0 && min >= 0 && deg <= 179 && min <= 59;
}

bool ValidGMT(const QString& content) {
    if (content.size() != 3)
        return false;
    bool ok = false;
    const int hours = content.toInt(&ok);
    return ok && std::abs(hours) <= 12;
}

double SiteLatitudeDegrees(const QString& latContent) {
    const double value = digitsAt(latContent, 1, 2) + digitsAt(latContent, 3, 2) / 60.0;
    return latContent.startsWith(u'S') ? -value : value;
}

double SiteLongitudeWestDegrees(const QString& longContent) {
    const double value = digitsAt(longContent, 1, 3) + digitsAt(longContent, 4, 2) / 60.0;
    return longContent.startsWith(u'E') ? 360.0 - value : value;
}

QString FormatOffsetHours(int hours) {
    return (hours < 0 ? QStringLiteral("-") : QStringLiteral("+")) + digits(std::abs(hours), 2);
}

// The telescope's latitude through FormatSiteCoordinate: "-0dd" is south, read from its third
// character, anything else north, read from its second ("033ß25" gives 33 and 25).
QString LatitudeFieldFromScope(double latDegrees) {
    const QString text = FormatSiteCoordinate(latDegrees);
    const bool south = text.startsWith(QStringLiteral("-0"));
    const QString rest = text.mid(south ? 2 : 1);
    return SiteFieldText(SiteField::Latitude, (south ? QStringLiteral("S") : QStringLiteral("N")) +
                                                  rest.left(2) + rest.mid(3, 2));
}

QString LongitudeFieldFromScope(double westDegrees) {
    const bool east = westDegrees > 180.0;
    const QString text = FormatSiteCoordinate(east ? 360.0 - westDegrees : westDegrees);
    return SiteFieldText(SiteField::Longitude, (east ? QStringLiteral("E") : QStringLiteral("W")) +
                                                   text.left(3) + text.mid(4, 2));
}

QString FormatSiteRecord(const SiteRecordFields& fields) {
    return fields.siteId + u' ' + fields.latitude + u' ' + fields.longitude + u' ' + fields.offset;
}

SiteRecordFields ParseSiteRecord(const QString& record) {
    return {record.mid(0, 3), record.mid(4, 10), record.mid(15, 10), record.mid(26, 3)};
}

bool IsSiteId(const QString& text) {
    if (text.size() != 3)
        return false;
    for (QChar c : text)
        if (c < u'A' || c > u'Z')
            return false;
    return true;
}

std::optional<QString> NextSiteIdAfter(const QString& id) {
    if (!IsSiteId(id))
        return std::nullopt;
    QString next = id;
    for (qsizetype i = 2; i >= 0; --i) {
        if (next.at(i) != u'Z') {
            next[i] = QChar(next.at(i).unicode() + 1);
            return next;
        }
        next[i] = u'A';
    }
    return std::nullopt; // past ZZZ
}

QString NextSiteId() {
    QString id = GetConfig(General, NextSiteNum);
    if (!IsSiteId(id)) {
        // The key is missing or malformed: continue after the highest id in use.
        QString highest;
        if (const auto records = EnumConfigSection(Sites)) {
            for (const ConfigValue& record : *records) {
                const QString recordId = record.second.left(3);
                if (IsSiteId(recordId) && recordId > highest)
                    highest = recordId;
            }
        }
        // After "ZZZ" (never a stored id, but a hand-edited store may hold it) nothing follows.
        id = highest.isEmpty() ? QStringLiteral("AAA") : NextSiteIdAfter(highest).value_or(highest);
    }
    const std::optional<QString> next = NextSiteIdAfter(id);
    if (!next) {
        platform::prompts().MsgBox(QStringLiteral("WOW! You used 17,576 site names. That's it..."),
                                   platform::MsgIcon::Critical, platform::MsgButtons::OK,
                                   SiteMessageTitle);
        return {};
    }
    PutConfig(General, NextSiteNum, *next);
    return id;
}

} // namespace teleon
