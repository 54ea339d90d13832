// The telescope commands that send a stored observing site: latitude, longitude and UTC offset.
#pragma once

#include <QString>

#include <optional>

namespace teleon {

struct SiteCommandArgs {
    QString latitude;  // for "St ": -33ß52 (plain degrees, degree byte, two-digit minutes)
    QString longitude; // for "Sg ": degrees west 0-360, e.g. 111ß50, or 348ß26 for 11°34' E
    QString utcOffset; // for "SG ": the three stored characters, e.g. +07
};

// Reads a site record ("AAA N  33° 25' W 111° 50' +07") by its fixed positions. nullopt when the
// record is too short or a field is not a number.
std::optional<SiteCommandArgs> SiteCommandsFor(const QString& record);

} // namespace teleon
