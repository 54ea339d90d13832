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
        EXPECT_EQ(o->name, "M" + QByteArray::number(m));
        EXPECT_FALSE(o->coordinatesOnly()) << "M" << m;
    }
    // Every NGC entry shares its object with the Messier entry of the same object.
    for (const auto& [m, ngc] : {std::pair{1, 1952},
                                 {13, 6205},
                                 {31, 224},
                                 {42, 1976},
                                 {51, 5194},
                                 {57, 6720},
                                 {76, 650},
                                 {104, 4594},
                                 {110, 205}}) {
        const CatalogueObject* byNgc = shipped().find(Library::Ngc, ngc);
        ASSERT_NE(byNgc, nullptr) << "NGC" << ngc;
        EXPECT_EQ(byNgc->objectId, shipped().find(Library::Messier, m)->objectId);
        EXPECT_EQ(byNgc->name, "NGC" + QByteArray::number(ngc));
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

constexpr double kHms = 1.0 / 60.0;
INSTANTIATE_TEST_SUITE_P(
    Rows, CataloguePlace,
    ::testing::Values(
        // Hipparcos (ICRS, J2000) positions as published in the star's SIMBAD record.
        PlaceRow{Library::Star, 67, 6 + 45 * kHms + 8.917 / 3600, -(16 + 42 * kHms + 58.02 / 3600),
                 1.0}, // Sirius
        PlaceRow{Library::Star, 214, 18 + 36 * kHms + 56.336 / 3600, 38 + 47 * kHms + 1.28 / 3600,
                 1.0}, // Vega
        PlaceRow{Library::Sao, 308, 2 + 31 * kHms + 49.09 / 3600, 89 + 15 * kHms + 50.8 / 3600,
                 2.0}, // Polaris by its SAO number
        // Deep-sky objects: the usual published J2000 centres, to an arc-minute.
        PlaceRow{Library::Messier, 31, 0 + 42 * kHms + 44.3 / 3600, 41 + 16 * kHms + 9.0 / 3600,
                 60},
        PlaceRow{Library::Messier, 42, 5 + 35 * kHms + 17.3 / 3600, -(5 + 23 * kHms + 28.0 / 3600),
                 60},
        PlaceRow{Library::Ngc, 6720, 18 + 53 * kHms + 35.1 / 3600, 33 + 1 * kHms + 45.0 / 3600, 60},
        PlaceRow{Library::Messier, 45, 3 + 47 * kHms + 24.0 / 3600, 24 + 7 * kHms, 120}));

TEST(CatalogueTest, StarNumbersAreThoseOfTheShippedAlignStars) {
    QSettings ini(QStringLiteral(TELEON_SOURCE_DIR "/data/Teleon.ini"), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Align Stars"));
    const QStringList names = ini.childKeys();
    ASSERT_GE(names.size(), 30);
    for (const QString& name : names) {
        const int number = ini.value(name).toInt();
        const CatalogueObject* o = shipped().find(Library::Star, number);
        ASSERT_NE(o, nullptr) << name.toStdString();
        EXPECT_EQ(o->name, "STAR" + QByteArray::number(number));
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
    EXPECT_EQ(shipped().find(Library::Sao, 151881)->name, QByteArray("SAO151881"));
    EXPECT_FALSE(shipped().entries(Library::Gcvs).isEmpty());
}

TEST(CatalogueTest, PlanetsAndMoonAreStar901To909) {
    const char* const names[] = {"MERCURY", "VENUS",  "THE MOON", "MARS", "JUPITER",
                                 "SATURN",  "URANUS", "NEPTUNE",  "PLUTO"};
    for (int i = 0; i < 9; ++i) {
        const CatalogueObject* o = shipped().find(Library::Star, 901 + i);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->name, QByteArray(names[i]));
        EXPECT_EQ(o->body, static_cast<SolarSystemBody>(i + 1));
        EXPECT_TRUE(o->coordinatesOnly());
    }
}

TEST(CatalogueTest, QualityFollowsBrightnessAndSurfaceBrightness) {
    const auto quality = [](int m) { return shipped().find(Library::Messier, m)->qualityCode; };
    EXPECT_EQ(quality(42), QByteArray("SU")); // bright and large
    EXPECT_EQ(quality(13), QByteArray("SU"));
    EXPECT_EQ(quality(57), QByteArray("VG")); // faint but compact
    EXPECT_EQ(quality(76), QByteArray("PR")); // faint
    EXPECT_TRUE(shipped().find(Library::Star, 19)->qualityCode.isEmpty());
    EXPECT_TRUE(shipped().find(Library::Ngc, 20)->coordinatesOnly());
}

// ---- Planets and the Moon against astropy (fixtures/planets_astropy.json) ----------------------

TEST(SolarSystemTest, PositionsMatchTheAstropyReference) {
    QFile file(QStringLiteral(TELEON_SOURCE_DIR "/tests/sim/fixtures/planets_astropy.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray cases = QJsonDocument::fromJson(file.readAll()).object()["cases"].toArray();
    ASSERT_EQ(cases.size(), 45);
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const QDateTime utc = QDateTime::fromString(c["utc"].toString(), Qt::ISODate);
        const auto body = static_cast<SolarSystemBody>(c["star"].toInt() - 900);
        const BodyPosition p = bodyPosition(body, utc.toMSecsSinceEpoch());
        EXPECT_LT(arcsecBetween(p.raHours, p.decDegrees, c["ra_hours"].toDouble(),
                                c["dec_degrees"].toDouble()),
                  c["tolerance_arcsec"].toDouble())
            << c["body"].toString().toStdString() << " " << c["utc"].toString().toStdString();
    }
}

TEST(SolarSystemTest, NoBodyHasNoPosition) {
    EXPECT_EQ(bodyPosition(SolarSystemBody::None, 0).distanceAu, 0.0);
    EXPECT_STREQ(bodyName(SolarSystemBody::None), "");
    // The Moon is near, Neptune far.
    EXPECT_LT(bodyPosition(SolarSystemBody::Moon, 1'700'000'000'000).distanceAu, 0.003);
    EXPECT_GT(bodyPosition(SolarSystemBody::Neptune, 1'700'000'000'000).distanceAu, 28.0);
}

} // namespace
} // namespace teleon::sim
