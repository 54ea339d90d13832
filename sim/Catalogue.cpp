#include "sim/Catalogue.h"

namespace teleon::sim {

void Catalogue::add(Library library, int number, CatalogueObject object) {
    objects_[{library, number}] = std::move(object);
}

const CatalogueObject* Catalogue::find(Library library, int number) const {
    const auto it = objects_.find({library, number});
    return it == objects_.end() ? nullptr : &it->second;
}

Catalogue Catalogue::builtIn() {
    Catalogue c;
    // Deep-sky positions, magnitudes and sizes from the OpenNGC catalogue by Mattia Verga
    // (CC-BY-SA-4.0), as in the shared ngc-ic-openngc.csv; right ascension turned into hours.
    // The quality codes are assigned by eye for these showpieces.
    struct DeepSky {
        int messier;
        int ngc;
        double raDegrees;
        double decDegrees;
        const char* type;
        const char* quality;
        double magnitude;
        double sizeArcmin;
    };
    static const DeepSky deepSky[] = {
        {1, 1952, 83.63321, 22.01447, "DNEB", "VG", 8.40, 8.00},
        {13, 6205, 250.42346, 36.46131, "GLOB", "EX", 5.80, 16.50},
        {27, 6853, 299.90158, 22.72103, "PNEB", "EX", 7.60, 6.70},
        {31, 224, 10.68479, 41.26906, "GAL", "EX", 4.36, 177.83},
        {42, 1976, 83.81867, -5.38967, "DNEB", "SU", 4.00, 90.00},
        {51, 5194, 202.46962, 47.19517, "GAL", "VG", 9.26, 13.71},
        {57, 6720, 283.39587, 33.02858, "PNEB", "VG", 9.70, 1.27},
        {81, 3031, 148.88821, 69.06531, "GAL", "VG", 7.89, 21.63},
        {104, 4594, 189.99762, -11.62306, "GAL", "GD", 9.55, 8.45},
    };
    for (const DeepSky& d : deepSky) {
        CatalogueObject o;
        o.raHours = d.raDegrees / 15.0;
        o.decDegrees = d.decDegrees;
        o.typeCode = d.type;
        o.qualityCode = d.quality;
        o.magnitude = d.magnitude;
        o.sizeArcmin = d.sizeArcmin;
        o.name = "M" + QByteArray::number(d.messier);
        c.add(Library::Messier, d.messier, o);
        o.name = "NGC" + QByteArray::number(d.ngc);
        c.add(Library::Ngc, d.ngc, o);
    }

    // Alignment stars under the telescope's own STAR numbers, with the J2000 positions listed
    // beside them in the shared lx200-star-library.csv; magnitudes rounded.
    struct Star {
        int number;
        double raHours;
        double decDegrees;
        double magnitude;
    };
    static const Star stars[] = {
        {8, 0.72648056, -17.98638889, 2.0},  // Diphda
        {13, 1.62857222, -57.23697222, 0.5}, // Achernar
        {17, 2.11953611, 23.46222222, 2.0},  // Hamal
        {19, 2.53069167, 89.26436111, 2.0},  // Polaris
        {20, 2.32240833, -2.97750000, 3.0},  // Mira (variable)
    };
    for (const Star& s : stars)
        c.add(Library::Star, s.number,
              {"STAR" + QByteArray::number(s.number), s.raHours, s.decDegrees, "STAR", "SU",
               s.magnitude, 0.0});
    return c;
}

} // namespace teleon::sim
