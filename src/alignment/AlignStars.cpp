#include "alignment/AlignStars.h"

#include "astro/Celest32.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/Utilities.h"
#include "platform/Prompts.h"

#include <cmath>

namespace teleon {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double DegPerRad = 180.0 / Pi;
constexpr double PoorSeparationDeg = 30.0;
constexpr int MissingSectionExitCode = 1;
const QString Title = QStringLiteral("LX-200 Vantor");
// The telescope reports site coordinates to the minute; read them as zero seconds.
const QString ZeroSeconds = QStringLiteral("x00x");

void message(const QString& text, platform::MsgIcon icon) {
    platform::prompts().MsgBox(text, icon, platform::MsgButtons::OK, Title);
}

} // namespace

StarPlace PlaceStar(const AlignSite& site, double raHours, double decRad) {
    StarPlace place;
    place.raHours = raHours;
    place.decRad = decRad;
    double h = site.siderealHours - raHours;
    if (h < 0.0)
        h += 24.0;
    place.hourAngleHours = h;
    double alt = 0.0, az = 0.0;
    celest32::hadec_aa(site.latitudeRad, h * 15.0 / DegPerRad, decRad, &alt, &az);
    place.altitudeDeg = alt * DegPerRad;
    place.azimuthDeg = az * DegPerRad;
    return place;
}

AlignLimits SelectionLimits(AlignSelection selection, bool relaxed) {
    constexpr double Unlimited = std::numeric_limits<double>::infinity();
    if (selection == AlignSelection::AltAz)
        return relaxed ? AlignLimits{70.0, Unlimited, 20.0, 70.0}
                       : AlignLimits{60.0, Unlimited, 30.0, 60.0};
    return relaxed ? AlignLimits{40.0, 4.5, 20.0, Unlimited}
                   : AlignLimits{30.0, 3.5, 30.0, Unlimited};
}

bool StarAccepted(const AlignLimits& limits, const StarPlace& place) {
    if (!(std::fabs(place.decRad * DegPerRad) <= limits.maxAbsDecDeg))
        return false;
    const double h = place.hourAngleHours;
    if (!(h <= limits.maxHourAngleHours || 24.0 - h <= limits.maxHourAngleHours))
        return false;
    return place.altitudeDeg >= limits.minAltitudeDeg && place.altitudeDeg <= limits.maxAltitudeDeg;
}

double PolarPlacement(const StarPlace& place) {
    return 90.0 - place.altitudeDeg;
}

bool PoorGeometry(double azimuth1Deg, double azimuth2Deg) {
    if (!std::isfinite(azimuth1Deg) || !std::isfinite(azimuth2Deg))
        return true;
    double separation = std::fmod(std::fabs(azimuth1Deg - azimuth2Deg), 180.0);
    if (separation > 90.0)
        separation = 180.0 - separation;
    return separation < PoorSeparationDeg;
}

AlignStarList SelectAlignStars(AlignSelection selection, const QList<ConfigValue>& section,
                               const StarPlacer& place, const std::function<void()>& onRelaxed) {
    AlignStarList list;
    for (bool relaxed : {false, true}) {
        list.stars.clear();
        list.preselected = -1;
        list.relaxed = relaxed;
        double best = 1e20;
        const AlignLimits limits = SelectionLimits(selection, relaxed);
        for (const ConfigValue& value : section) {
            bool ok = false;
            const qint16 number = value.second.trimmed().toShort(&ok);
            if (!ok)
                continue;
            const std::optional<StarPlace> p = place(number);
            if (!p || !StarAccepted(limits, *p))
                continue;
            list.stars.append({value.first, number});
            if (selection == AlignSelection::Polar) {
                const double placement = PolarPlacement(*p);
                if (placement < best) {
                    best = placement;
                    list.preselected = list.stars.size() - 1;
                }
            }
        }
        if (relaxed || list.stars.size() > 3)
            break;
        if (onRelaxed)
            onRelaxed();
    }
    return list;
}

AlignSite ReadAlignSite(bool setStarCatalog, bool setMinElevation) {
    SendCommandBool(lx::SetStarLibrary, QStringLiteral("0"));
    if (setStarCatalog)
        StarCatalog = 0;
    if (setMinElevation)
        SendCommandBool(lx::SetMinElevation, QStringLiteral(" 30"));
    AlignSite site;
    const double longitudeWestRad =
        ParseScopeAngleRad(SendCommandString(lx::GetLongitude) + ZeroSeconds);
    site.siderealHours = celest32::now_lst(-longitudeWestRad);
    site.latitudeRad = ParseScopeAngleRad(SendCommandString(lx::GetLatitude) + ZeroSeconds);
    return site;
}

StarLookup SelectStar(const QString& numberText) {
    SendCommandBlind(lx::SelectStar, numberText);
    StarLookup lookup;
    lookup.info = SendCommandString(lx::GetObjectInfo).trimmed();
    lookup.found = !lookup.info.startsWith(QStringLiteral("Too")) &&
                   !lookup.info.startsWith(QStringLiteral("No m"));
    return lookup;
}

std::optional<StarPlace> ReadStarPlace(const AlignSite& site, qint16 number) {
    if (!SelectStar(QString::number(number)).found)
        return std::nullopt;
    const double raHours = ParseScopeHours(SendCommandString(lx::GetTargetRA));
    const double decRad = ParseScopeAngleRad(SendCommandString(lx::GetTargetDec));
    return PlaceStar(site, raHours, decRad);
}

QString RelaxedLimitsMessage(AlignSelection selection) {
    const QString common = QStringLiteral(
        "Three or fewer alignment stars are in excellent positions for use. Selection limits "
        "have been relaxed to provide you with more stars to choose from. ");
    return common + (selection == AlignSelection::AltAz
                         ? QStringLiteral("Choose your stars with care.")
                         : QStringLiteral("The closest to the zenith will be pre-selected."));
}

QString PoorGeometryMessage() {
    return QStringLiteral("Your choice of stars has poor geometry. Pick stars that are closer to "
                          "90 degrees apart if possible. If you use these stars, accuracy will be "
                          "questionable.");
}

QString NoPolarStarMessage() {
    return QStringLiteral("No suitable alignment stars found");
}

QString MissingAlignStarsMessage() {
    return QStringLiteral("Failed to find \"align stars\" section in registry");
}

AlignStarList ChooseAlignStars(AlignSelection selection) {
    const bool polar = selection == AlignSelection::Polar;
    const AlignSite site = ReadAlignSite(polar, true);
    const auto section = EnumConfigSection(QString::fromLatin1(kAlignStarsSection));
    if (!section) {
        message(MissingAlignStarsMessage(), platform::MsgIcon::Critical);
        platform::EndProgram(MissingSectionExitCode);
    }
    AlignStarList list = SelectAlignStars(
        selection, *section, [&site](qint16 n) { return ReadStarPlace(site, n); },
        [selection] { message(RelaxedLimitsMessage(selection), platform::MsgIcon::Information); });
    if (polar && list.stars.isEmpty())
        message(NoPolarStarMessage(), platform::MsgIcon::Critical);
    return list;
}

bool CheckAlignStarGeometry(qint16 firstNumber, qint16 secondNumber) {
    const AlignSite site = ReadAlignSite(true, false);
    const std::optional<StarPlace> first = ReadStarPlace(site, firstNumber);
    const std::optional<StarPlace> second = ReadStarPlace(site, secondNumber);
    if (!first || !second || !PoorGeometry(first->azimuthDeg, second->azimuthDeg))
        return false;
    message(PoorGeometryMessage(), platform::MsgIcon::Exclamation);
    return true;
}

} // namespace teleon
