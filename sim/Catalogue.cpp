#include "sim/Catalogue.h"

#include "sim/CatalogueData.h"

#include <set>

namespace teleon::sim {

void Catalogue::add(Library library, int number, CatalogueObject object) {
    if (object.objectId < 0)
        object.objectId = nextObjectId_++;
    else
        nextObjectId_ = std::max(nextObjectId_, object.objectId + 1);
    objects_[{library, number}] = std::move(object);
}

const CatalogueObject* Catalogue::find(Library library, int number) const {
    const auto it = objects_.find({library, number});
    return it == objects_.end() ? nullptr : &it->second;
}

QList<Catalogue::Entry> Catalogue::entries(Library library) const {
    QList<Entry> list;
    for (auto it = objects_.lower_bound({library, 0});
         it != objects_.end() && it->first.first == library; ++it)
        list.append({it->first.second, &it->second});
    return list;
}

QList<const CatalogueObject*> Catalogue::distinctObjects() const {
    QList<const CatalogueObject*> list;
    std::set<int> seen;
    for (const auto& [key, object] : objects_) {
        if (seen.insert(object.objectId).second)
            list.append(&object);
    }
    return list;
}

int Catalogue::libraryEnd(Library library) {
    switch (library) {
    case Library::Messier:
        return 110;
    case Library::Ngc:
        return 7840;
    case Library::Ic:
        return 5386;
    case Library::Ugc:
        return 12921;
    case Library::Star:
        return 351;
    case Library::Sao:
        return 258997;
    case Library::Gcvs:
        return 9999;
    }
    return 0;
}

namespace {

std::optional<double> known(double value) {
    if (value == data::kNoValue)
        return std::nullopt;
    return value;
}

Catalogue makeBuiltIn() {
    Catalogue c;
    int id = 0;
    for (std::size_t i = 0; i < data::kDeepSkyCount; ++i, ++id) {
        const data::DeepSkyRow& row = data::kDeepSky[i];
        CatalogueObject o;
        o.raHours = row.raHours;
        o.decDegrees = row.decDegrees;
        o.typeCode = row.type;
        o.qualityCode = row.quality;
        o.magnitude = known(row.magnitude);
        o.sizeArcmin = known(row.sizeArcmin);
        o.objectId = id;
        const std::pair<Library, int> numbers[] = {{Library::Messier, row.messier},
                                                   {Library::Ngc, row.ngc},
                                                   {Library::Ic, row.ic},
                                                   {Library::Ugc, row.ugc}};
        static const char* const prefixes[] = {"M", "NGC", "IC", "UGC"};
        for (int k = 0; k < 4; ++k) {
            if (numbers[k].second <= 0)
                continue;
            o.name = prefixes[k] + QByteArray::number(numbers[k].second);
            c.add(numbers[k].first, numbers[k].second, o);
        }
    }
    for (std::size_t i = 0; i < data::kStarCount; ++i, ++id) {
        const data::StarRow& row = data::kStars[i];
        CatalogueObject o;
        o.raHours = row.raHours;
        o.decDegrees = row.decDegrees;
        o.typeCode = row.type;
        o.magnitude = row.magnitude;
        o.objectId = id;
        o.name = "STAR" + QByteArray::number(row.star);
        c.add(Library::Star, row.star, o);
        if (row.sao > 0) {
            o.name = "SAO" + QByteArray::number(row.sao);
            c.add(Library::Sao, row.sao, o);
        }
        if (row.gcvs > 0) {
            o.name = "GCVS" + QByteArray::number(row.gcvs);
            c.add(Library::Gcvs, row.gcvs, o);
        }
    }
    for (int b = 1; b <= 9; ++b, ++id) {
        CatalogueObject o;
        o.body = static_cast<SolarSystemBody>(b);
        o.name = bodyName(o.body);
        o.objectId = id;
        c.add(Library::Star, 900 + b, o);
    }
    return c;
}

} // namespace

std::shared_ptr<const Catalogue> Catalogue::builtIn() {
    static const std::shared_ptr<const Catalogue> shipped =
        std::make_shared<const Catalogue>(makeBuiltIn());
    return shipped;
}

} // namespace teleon::sim
