// The telescope's object library: what "LM", "LC" and "LS" select and what "LI" describes.
// This holds a small built-in table; a full library is filled through add() from data files.
#pragma once

#include <QByteArray>

#include <map>
#include <utility>

namespace teleon::sim {

// The libraries a number is looked up in. "Lo" chooses the deep-sky one (0 NGC, 1 IC, 2 UGC)
// that "LC" uses, "Ls" the star one (0 STAR, 1 SAO, 2 GCVS) that "LS" uses; "LM" is Messier.
enum class Library { Messier, Ngc, Ic, Ugc, Star, Sao, Gcvs };

struct CatalogueObject {
    QByteArray name;        // as the telescope shows it: "M31", "NGC224", "STAR19"
    double raHours = 0;     // J2000
    double decDegrees = 0;  // J2000
    QByteArray typeCode;    // "GAL", "STAR", "MLTS", "OPNB", "OPEN", "GLOB", "PNEB", "DNEB"
    QByteArray qualityCode; // "SU", "EX", "VG", "GD", "FR", "PR", "VP"
    double magnitude = 0;
    double sizeArcmin = 0;
};

class Catalogue {
public:
    void add(Library library, int number, CatalogueObject object);
    // The object with that number, or nullptr when the library has none.
    const CatalogueObject* find(Library library, int number) const;
    qsizetype size() const { return static_cast<qsizetype>(objects_.size()); }

    // A few Messier objects (also under their NGC numbers) and stars under their real STAR
    // numbers (Polaris is STAR 19), enough to select, describe and slew to.
    static Catalogue builtIn();

private:
    std::map<std::pair<Library, int>, CatalogueObject> objects_;
};

} // namespace teleon::sim
