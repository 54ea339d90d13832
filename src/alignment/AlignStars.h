// The choice of alignment stars: which of the stars named in the "Align Stars" section of the
// store stand well placed now for an alt-azimuth two-star alignment or for the convergence step
// of a polar alignment, and whether two chosen alt-az stars are far enough apart in azimuth.
// The positions come from the telescope's own star catalogue; the site from the telescope; the
// sidereal time from the computer's clock at the telescope's longitude.
#pragma once

#include "console/Registry.h"

#include <QList>
#include <QString>

#include <functional>
#include <limits>
#include <optional>

namespace teleon {

// Where and when: the site latitude and the local sidereal time.
struct AlignSite {
    double latitudeRad = 0.0;
    double siderealHours = 0.0;
};

// One star as seen from the site now.
struct StarPlace {
    double raHours = 0.0;
    double decRad = 0.0;
    double hourAngleHours = 0.0; // in [0, 24): 21 is three hours east of the meridian
    double altitudeDeg = 0.0;
    double azimuthDeg = 0.0; // from north through east
};

// Places a star of right ascension raHours and declination decRad for the site.
StarPlace PlaceStar(const AlignSite& site, double raHours, double decRad);

enum class AlignSelection { AltAz, Polar };

// The bounds of one pass; all inclusive. maxHourAngleHours is infinite when not limited.
struct AlignLimits {
    double maxAbsDecDeg;
    double maxHourAngleHours;
    double minAltitudeDeg;
    double maxAltitudeDeg;
};
AlignLimits SelectionLimits(AlignSelection selection, bool relaxed);

// The tests of a pass in their order: declination, hour angle (either side of the meridian),
// altitude.
bool StarAccepted(const AlignLimits& limits, const StarPlace& place);

// The placement value of an accepted polar convergence star; the smallest is pre-selected. It
// is the star's distance from the zenith in degrees, so that the star closest to the zenith is
// pre-selected, as the relaxed-limits message promises.
double PolarPlacement(const StarPlace& place);

// Two alt-az stars make a poor pair when their azimuths are within 30 degrees of the same or of
// the opposite direction: the separation folded into [0, 90] is below 30. Pairs close to 90
// degrees apart are best.
bool PoorGeometry(double azimuth1Deg, double azimuth2Deg);

struct AlignStarEntry {
    QString name;
    qint16 number = 0; // in the telescope's STAR catalogue
};

struct AlignStarList {
    QList<AlignStarEntry> stars;
    qsizetype preselected = -1; // polar only: the entry to select; -1 for none
    bool relaxed = false;       // the second pass ran
};

// The two passes over the section's values, given a way to place a star by number (nullopt for a
// star the telescope does not know). A value whose data is not a 16-bit decimal number is not a
// star, and a star that cannot be placed is not a candidate: both are passed over. onRelaxed runs
// once between the first pass (three or fewer stars accepted) and the second.
using StarPlacer = std::function<std::optional<StarPlace>(qint16 number)>;
AlignStarList SelectAlignStars(AlignSelection selection, const QList<ConfigValue>& section,
                               const StarPlacer& place, const std::function<void()>& onRelaxed);

// ---- with the telescope ----

// The site-and-time steps: "Ls 0" (and StarCatalog = 0 when setStarCatalog), "Sh 30" when
// setMinElevation, then "Gg" and "Gt". Throws the channel's errors.
AlignSite ReadAlignSite(bool setStarCatalog, bool setMinElevation);

// Makes a star of the chosen catalogue the telescope's current object: "LS " + numberText, then
// "LI". Not found when the telescope reports a failed lookup ("Too large a number", "No match in
// library"): its target is then still the previous one. info is the trimmed "LI" reply.
struct StarLookup {
    bool found = false;
    QString info;
};
StarLookup SelectStar(const QString& numberText);

// "LS " + number and "LI", then "Gr" and "Gd": the star's place now, or nullopt when the
// telescope does not know the star. Throws the channel's errors and ScopeTextError for a reply
// that is not a coordinate.
std::optional<StarPlace> ReadStarPlace(const AlignSite& site, qint16 number);

// The list builders: the site-and-time steps, then the passes over section "Align Stars" with
// the relaxed-limits message between them; for the polar list "No suitable alignment stars
// found" when none is accepted. A missing section shows its message and ends the program.
AlignStarList ChooseAlignStars(AlignSelection selection);

// The geometry check of two chosen alt-az stars: the site-and-time steps (StarCatalog set to 0,
// no "Sh 30"), both stars' places, and the poor-geometry warning. True when it warned; a star the
// telescope does not know gives no warning (its Go To reports it).
bool CheckAlignStarGeometry(qint16 firstNumber, qint16 secondNumber);

// Message texts.
inline constexpr char kAlignStarsSection[] = "Align Stars";
QString RelaxedLimitsMessage(AlignSelection selection);
QString PoorGeometryMessage();
QString NoPolarStarMessage();
QString MissingAlignStarsMessage();

} // namespace teleon
