// Observing sites as the program stores them and as the telescope takes them: the site record of
// section "Sites", the three masked fields of the site editor, the field checks, the telescope's
// site coordinate text and the three-letter site ids.
//
// A site record is 29 characters with single blanks between the fields:
//     AAA N  33° 25' W 111° 50' +07
//     id  latitude   longitude  standard-time UTC offset (hours, + west)
#pragma once

#include <QString>

#include <optional>

namespace teleon {

// The title of every message of the site editor.
inline const QString SiteMessageTitle = QStringLiteral("LX-200 Vantor");

// The telescope's site coordinate: "-" when negative, three-digit whole degrees of the
// magnitude, the degree byte 223, two-digit minutes rounded half to even; 60 minutes carry into
// the degrees. 33.5 is "033ß30", -0.5 is "-000ß30", 33.9999 is "034ß00".
QString FormatSiteCoordinate(double degrees);

// ---- Masked fields ----------------------------------------------------------------------------

enum class SiteField { Latitude, Longitude, Offset };

// The field's prompt character, shown in every open position.
inline constexpr QChar SitePromptChar{u'_'};

// The QLineEdit input mask: the hemisphere letter or sign first (any character, upper-cased, the
// editor checks it), digits in every digit position, "_" as the prompt.
QString SiteFieldMask(SiteField field);
// The field with every position open: "_  __° __'", "_ ___° __'", "___".
QString EmptySiteField(SiteField field);
// The field's content without literals and open positions: "N  33° 25'" is "N3325",
// "W 111° 50'" is "W11150", "+07" is "+07", "_  3_° __'" is "3".
QString SiteFieldContent(SiteField field, const QString& text);
// The reverse: content placed into the field's positions, open positions where it runs out.
// "N3325" is "N  33° 25'"; "S05" is "S  05° __'".
QString SiteFieldText(SiteField field, const QString& content);
// Whether the content starts as it must: "N" or "S", "E" or "W", "+" or "-". Empty content
// counts as correct (nothing typed yet).
bool SiteFieldStartsRight(SiteField field, const QString& content);

// The field checks, on field content ("N3325", "W11150", "+07").
// Latitude: 5 characters, 00-89 degrees with 00-59 minutes, or exactly 90° 00'.
bool ValidLat(const QString& content);
// Longitude: 6 characters, 000-179 degrees with 00-59 minutes (180° is refused).
bool ValidLong(const QString& content);
// Offset: 3 characters reading as a whole number of magnitude 12 at most.
bool ValidGMT(const QString& content);

// ---- Telescope values ---------------------------------------------------------------------------

// Degrees + minutes / 60 of a valid latitude content, negative for "S".
double SiteLatitudeDegrees(const QString& latContent);
// Degrees west of Greenwich, 0-360, of a valid longitude content: an east longitude L is 360 − L
// (E 011° 30' is 348.5).
double SiteLongitudeWestDegrees(const QString& longContent);
// Hours as the sign and two digits of "SG": 7 is "+07", -3 is "-03", 0 is "+00".
QString FormatOffsetHours(int hours);
// The latitude field for a latitude the telescope reports: "N  33° 25'", "S  05° 07'".
QString LatitudeFieldFromScope(double latDegrees);
// The longitude field for the telescope's degrees west (0-360): above 180 it is 360 − value
// east. 111.8333 is "W 111° 50'", 348.5 is "E 011° 30'".
QString LongitudeFieldFromScope(double westDegrees);

// ---- Site records -------------------------------------------------------------------------------

struct SiteRecordFields {
    QString siteId;    // characters 1-3
    QString latitude;  // 5-14, the latitude field with its literals
    QString longitude; // 16-25
    QString offset;    // 27-29
};

// Id, latitude, longitude and offset joined by single blanks.
QString FormatSiteRecord(const SiteRecordFields& fields);
// The fields by their fixed positions. A record shorter than 29 characters gives what it holds
// (shorter or empty fields); the caller's masked fields show the rest as open.
SiteRecordFields ParseSiteRecord(const QString& record);

// ---- Site ids -----------------------------------------------------------------------------------

// Three capital letters A-Z.
bool IsSiteId(const QString& text);
// The id after id, the last letter counting fastest (AAZ → ABA, AZZ → BAA); nullopt after ZZZ
// or when id is not a site id.
std::optional<QString> NextSiteIdAfter(const QString& id);

// Hands out the id stored under "NextSiteNum" of section "General" and stores its successor.
// With "ZZZ" stored there is no successor: "WOW! You used 17,576 site names. That's it..."
// (critical) and "" is returned; nothing is stored.
//
// A missing or malformed "NextSiteNum" (not three capital letters) is rebuilt from the stored
// sites: the id after the highest id that a record of section "Sites" begins with, or "AAA"
// when no record holds an id. So a store that lost the key never hands out an id in use.
QString NextSiteId();

} // namespace teleon
