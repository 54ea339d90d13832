// The shipped object library against outside references: Messier and NGC coverage, real J2000
// positions, the telescope's STAR numbers as the shipped "Align Stars" section lists them, the
// order of the placeholder numbers, and the planets and the Moon against astropy.
#include "sim/Catalogue.h"
#include "sim/SolarSystem.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace teleon::sim {
namespace {

const Catalogue& shipped() {
    return *Catalogue::builtIn();
}

double arcsecBetween(double ra1Hours, double dec1Degrees, double ra2Hours, double dec2Degrees) {
    const double dRa =
        std::remainder(ra1Hours - ra2Hours, 24.0) * 15.0 * std::cos(dec1Degrees * M_PI / 180.0);
    return std::hypot(dRa, dec1Degrees - dec2Degrees) * 3600.0;
}

TEST(CatalogueTest, EveryMessierObjectIsThereAndItsNgcNumberToo) {
    for (int m = 1; m <= 110; ++m) {
        const CatalogueObject* o = shipped().find(Library::Messier, m);
        ASSERT_NE(o, nullptr) << "M" << m;
        EXPECT_FALSE(o->coordinatesOnly()) << "M" << m;
    }
    // Every NGC entry shares its object with the Messier entry of the same object.
    const int messier[] = {1, 13, 31, 42, 51, 57, 76, 104, 110};
    const int ngc[] = {1952, 6205, 224, 1976, 5194, 6720, 650, 4594, 205};
    for (int i = 0; i < 9; ++i) {
        const CatalogueObject* byNgc = shipped().find(Library::Ngc, ngc[i]);
        ASSERT_NE(byNgc, nullptr) << "NGC" << ngc[i];
        EXPECT_EQ(byNgc->objectId, shipped().find(Library::Messier, messier[i])->objectId);
    }
    EXPECT_GE(shipped().entries(Library::Ngc).size(), 300);
    EXPECT_GE(shipped().entries(Library::Ic).size(), 20);
    EXPECT_GE(shipped().entries(Library::Ugc).size(), 5);
}

struct PlaceRow {
    Library library;
    int number;
    double raHours; // J2000, from the outside source named in the comment
    double decDegrees;
    double toleranceArcsec;
};

class CataloguePlace : public ::testing::TestWithParam<PlaceRow> {};

TEST_P(CataloguePlace, HasItsRealJ2000Position) {
    const PlaceRow& row = GetParam();
    const CatalogueObject* o = shipped().find(row.library, row.number);
    ASSERT_NE(o, nullptr);
    EXPECT_LT(arcsecBetween(o->raHours, o->decDegrees, row.raHours, row.decDegrees),
              row.toleranceArcsec);
}

constexpr double sexagesimal(double whole, double minutes, double seconds) {
    return whole + minutes / 60 + seconds / 3600;
}
const PlaceRow kPlaces[] = {
    // Hipparcos (ICRS, J2000) positions as published in the star's SIMBAD record.
    {Library::Star, 67, sexagesimal(6, 45, 8.917), -sexagesimal(16, 42, 58.02), 1.0},  // Sirius
    {Library::Star, 214, sexagesimal(18, 36, 56.336), sexagesimal(38, 47, 1.28), 1.0}, // Vega
    {Library::Sao, 308, sexagesimal(2, 31, 49.09), sexagesimal(89, 15, 50.8), 2.0},    // Polaris
    // Deep-sky objects: the usual published J2000 centres, to an arc-minute.
    {Library::Messier, 31, sexagesimal(0, 42, 44.3), sexagesimal(41, 16, 9.0), 60},
    {Library::Messier, 42, sexagesimal(5, 35, 17.3), -sexagesimal(5, 23, 28.0), 60},
    {Library::Ngc, 6720, sexagesimal(18, 53, 35.1), sexagesimal(33, 1, 45.0), 60},
    {Library::Messier, 45, sexagesimal(3, 47, 24.0), sexagesimal(24, 7, 0), 120}};
INSTANTIATE_TEST_SUITE_P(Rows, CataloguePlace, ::testing::ValuesIn(kPlaces));

TEST(CatalogueTest, StarNumbersAreThoseOfTheShippedAlignStars) {
    QSettings ini(QStringLiteral(TELEON_SOURCE_DIR "/data/Teleon.ini"), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Align Stars"));
    const QStringList names = ini.childKeys();
    ASSERT_GE(names.size(), 30);
    for (const QString& name : names) {
        const int number = ini.value(name).toInt();
        const CatalogueObject* o = shipped().find(Library::Star, number);
        ASSERT_NE(o, nullptr) << name.toStdString();
        EXPECT_TRUE(o->typeCode == "STAR" || o->typeCode == "MLTS");
        EXPECT_LT(*o->magnitude, 3.5) << name.toStdString();
    }
    EXPECT_NEAR(shipped().find(Library::Star, 19)->decDegrees, 89.264, 0.001); // Polaris
}

TEST(CatalogueTest, StarNumbersRiseWithRightAscensionAndNeverCollide) {
    double lastRa = -1;
    std::set<int> ids;
    for (const Catalogue::Entry& e : shipped().entries(Library::Star)) {
        if (e.number > 900)
            break;
        EXPECT_TRUE(ids.insert(e.object->objectId).second) << e.number;
        if (e.number == 19)
            continue; // Polaris, by the telescope's own numbering
        EXPECT_GE(e.object->raHours, lastRa) << "STAR" << e.number;
        lastRa = e.object->raHours;
    }
    EXPECT_GE(ids.size(), 80u);
    // SAO and GCVS numbers point at the same stars.
    EXPECT_EQ(shipped().find(Library::Sao, 151881)->objectId,
              shipped().find(Library::Star, 67)->objectId);
    EXPECT_FALSE(shipped().entries(Library::Gcvs).isEmpty());
}

// Planets and the Moon, looked up as STAR 901-909, against astropy (fixtures/planets_astropy.json).

TEST(SolarSystemTest, PositionsMatchTheAstropyReference) {
    QFile file(QStringLiteral(TELEON_SOURCE_DIR "/tests/sim/fixtures/planets_astropy.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray cases = QJsonDocument::fromJson(file.readAll()).object()["cases"].toArray();
    ASSERT_EQ(cases.size(), 45);
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const QDateTime utc = QDateTime::fromString(c["utc"].toString(), Qt::ISODate);
        // The fixture names each body by its STAR number, which the library must map to it.
        const CatalogueObject* o = shipped().find(Library::Star, c["star"].toInt());
        ASSERT_NE(o, nullptr);
        const QByteArray name = c["body"].toString().toUpper().toLatin1();
        EXPECT_EQ(o->name, name == "MOON" ? QByteArray("THE MOON") : name);
        const BodyPosition p = bodyPosition(o->body, utc.toMSecsSinceEpoch());
        EXPECT_LT(arcsecBetween(p.raHours, p.decDegrees, c["ra_hours"].toDouble(),
                                c["dec_degrees"].toDouble()),
                  c["tolerance_arcsec"].toDouble())
            << c["body"].toString().toStdString() << " " << c["utc"].toString().toStdString();
    }
}

} // namespace
} // namespace teleon::sim
