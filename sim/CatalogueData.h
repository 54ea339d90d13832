// The rows of the simulated telescope's object library, as sim/tools/make_catalogue.py writes
// them into CatalogueData.cpp. Catalogue::builtIn() turns them into library entries.
#pragma once

#include <cstddef>

namespace teleon::sim::data {

// Stands for a magnitude or size the source does not give.
inline constexpr double kNoValue = -99.0;

// One deep-sky object; a catalogue number of 0 means "not in that catalogue".
struct DeepSkyRow {
    int messier;
    int ngc;
    int ic;
    int ugc;
    double raHours;      // J2000
    double decDegrees;   // J2000
    const char* type;    // "GAL", "OPEN", "GLOB", "DNEB", "PNEB", "MLTS" or "" (none known)
    const char* quality; // "SU" ... "VP", or "" without a magnitude
    double magnitude;    // visual, or kNoValue
    double sizeArcmin;   // major axis, or kNoValue
};

// One star under its STAR number, with its SAO and GCVS numbers where it has them (else 0).
struct StarRow {
    int star;
    int sao;
    int gcvs;
    double raHours;    // J2000
    double decDegrees; // J2000
    double magnitude;  // visual
    const char* type;  // "STAR" or "MLTS"
    const char* name;  // the star's proper name (not shown by the telescope)
};

extern const DeepSkyRow kDeepSky[];
extern const std::size_t kDeepSkyCount;
extern const StarRow kStars[];
extern const std::size_t kStarCount;

} // namespace teleon::sim::data
