// The telescope's object library: what "LM", "LC" and "LS" select, what "LI" describes, what
// the finder walks and what the field report counts. builtIn() holds the shipped library
// (CatalogueData.cpp); more objects can be added through add().
#pragma once

#include "sim/SolarSystem.h"

#include <QByteArray>
#include <QList>

#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace teleon::sim {

// The libraries a number is looked up in. "Lo" chooses the deep-sky one (0 NGC, 1 IC, 2 UGC)
// that "LC" uses, "Ls" the star one (0 STAR, 1 SAO, 2 GCVS) that "LS" uses; "LM" is Messier.
enum class Library { Messier, Ngc, Ic, Ugc, Star, Sao, Gcvs };

struct CatalogueObject {
    QByteArray name;        // as the telescope shows it: "M31", "NGC224", "STAR19", "MARS"
    double raHours = 0;     // J2000 (planets: computed for the date instead)
    double decDegrees = 0;  // J2000
    QByteArray typeCode;    // "GAL", "STAR", "MLTS", "OPNB", "OPEN", "GLOB", "PNEB", "DNEB", ""
    QByteArray qualityCode; // "SU", "EX", "VG", "GD", "FR", "PR", "VP", "" (stars, no data)
    std::optional<double> magnitude;
    std::optional<double> sizeArcmin;
    SolarSystemBody body = SolarSystemBody::None; // a moving body whose place is computed
    int objectId = -1; // the same object under several numbers (M31, NGC224) shares it

    // The library knows where the object is and nothing else ("Coordinates Only").
    bool coordinatesOnly() const {
        return body != SolarSystemBody::None || (typeCode.isEmpty() && !magnitude);
    }
};

class Catalogue {
public:
    // Adds or replaces an entry. An objectId of -1 gets a fresh id.
    void add(Library library, int number, CatalogueObject object);
    // The object with that number, or nullptr when the library has none.
    const CatalogueObject* find(Library library, int number) const;
    qsizetype size() const { return static_cast<qsizetype>(objects_.size()); }

    struct Entry {
        int number;
        const CatalogueObject* object;
    };
    // A library's entries in the order of their numbers.
    QList<Entry> entries(Library library) const;
    // One entry for each distinct object (the first number it was added under).
    QList<const CatalogueObject*> distinctObjects() const;

    // The highest number of the real telescope's library of that kind: a larger number is
    // refused as too large. STAR also holds the planets as 901-909 beyond it.
    static int libraryEnd(Library library);

    // The shipped library: all Messier objects, a few hundred NGC and IC objects, some UGC
    // numbers, the named stars under their STAR numbers (Polaris is STAR 19) with SAO and
    // GCVS numbers for some, and the planets and the Moon as STAR 901-909. Built once.
    static std::shared_ptr<const Catalogue> builtIn();

private:
    std::map<std::pair<Library, int>, CatalogueObject> objects_;
    int nextObjectId_ = 0;
};

} // namespace teleon::sim
