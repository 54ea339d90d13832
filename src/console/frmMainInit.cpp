// Bringing a freshly connected telescope to the stored state, and saving the window's settings.
#include "console/frmMain.h"

#include "console/Registry.h"
#include "console/SiteRecord.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/Utilities.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "setup/frmSite.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>
#include <stdexcept>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
const QString General = QStringLiteral("General");

// A stored number that must be there: an empty or non-numeric value is an error for the caller.
double requiredNumber(const QString& section, const QString& key) {
    const QString text = GetConfig(section, key);
    try {
        return ParseNeutralNumber(text);
    } catch (const std::exception&) {
        throw std::runtime_error(QStringLiteral("The setting \"%1\" of section \"%2\" must be a "
                                                "number, not \"%3\".")
                                     .arg(key, section, text)
                                     .toStdString());
    }
}

bool requiredBoolean(const QString& section, const QString& key) {
    const QString text = GetConfig(section, key).trimmed();
    if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double n = text.toDouble(&ok);
    if (!ok)
        throw std::runtime_error(QStringLiteral("The setting \"%1\" of section \"%2\" must be "
                                                "True or False, not \"%3\".")
                                     .arg(key, section, text)
                                     .toStdString());
    return n != 0;
}

double numberOr(const QString& section, const QString& key, const QString& fallback) {
    QString text = GetConfig(section, key);
    if (text.isEmpty() || text == u"n/a")
        text = fallback;
    return ParseNeutralNumber(text);
}

// Rounds halves to the even neighbour, as the telescope's field radius is sent.
double roundHalfEven(double x) {
    return std::nearbyint(x);
}

// Steps through the telescope's seven quality codes at most once round; more cannot help.
constexpr int QualityCodes = 7;

} // namespace

void frmMain::InitSystem() {
    // 1. Stop every motion.
    for (const LxCommand* stop : {&lx::StopNorth, &lx::StopSouth, &lx::StopEast, &lx::StopWest})
        SendCommandBlind(*stop);
    ScopeMoving = false;

    // 2. Notices and the speed slider.
    AlertFlags = int(requiredNumber(General, QStringLiteral("AlertFlags")));
    {
        const QSignalBlocker block(sldRate);
        sldRate->setValue(int(requiredNumber(General, QStringLiteral("SlewRate"))));
        loadedSettings_.insert(QStringLiteral("SlewRate"));
    }

    // 3. Long coordinate format.
    SetLongFormat(true);

    // 4. High precision exists on polar mounts only.
    if (AlignmentMode != u"P") {
        chkHiPrec->setEnabled(false);
        chkHiPrec->setChecked(false);
    } else {
        chkHiPrec->setEnabled(true);
        chkHiPrec->setChecked(requiredNumber(General, QStringLiteral("HiPrec")) != 0);
        loadedSettings_.insert(QStringLiteral("HiPrec"));
        chkHiPrec_Click();
    }

    // 5. Default tracking.
    SendCommandBlind(lx::TrackSidereal);
    TrackFrequency = 60.1;

    // 6. Focus speed.
    const int focusIndex = requiredBoolean(General, QStringLiteral("FocusFast")) ? 0 : 1;
    loadedSettings_.insert(QStringLiteral("FocusFast"));
    rbgFocus[std::size_t(focusIndex)]->setChecked(true);
    rbgFocus_Click(focusIndex);

    // 7. The finder's filter, when one is stored.
    const QString filter = QStringLiteral("Filter");
    const QString types = GetConfig(filter, QStringLiteral("Types"));
    if (!types.isEmpty()) {
        SendCommandBool(lx::SetFilterTypes, types);
        const QString wanted = GetConfig(filter, QStringLiteral("MinQual"));
        QString quality = SendCommandString(lx::GetMinQuality);
        for (int step = 0; quality != wanted && step < QualityCodes; ++step) {
            SendCommandBlind(lx::StepMinQuality);
            quality = SendCommandString(lx::GetMinQuality);
        }
        if (quality != wanted)
            lblStatus->setText(QStringLiteral("The telescope does not offer the stored minimum "
                                              "quality \"%1\"; it stays at \"%2\".")
                                   .arg(wanted, quality));
        SendCommandBool(lx::SetMinElevation, GetConfig(filter, QStringLiteral("MinElev")));
        SendCommandBool(lx::SetBrightMag, GetConfig(filter, QStringLiteral("MinMag")));
        SendCommandBool(lx::SetFaintMag, GetConfig(filter, QStringLiteral("MaxMag")));
        SendCommandBool(lx::SetMinSize, GetConfig(filter, QStringLiteral("MinSize")));
        SendCommandBool(lx::SetMaxSize, GetConfig(filter, QStringLiteral("MaxSize")));
    }

    // 8. Tilt-up limit.
    TiltUpLimit = requiredNumber(General, QStringLiteral("UpLimit"));

    // 9. Library catalogues.
    const QString catalogs = QStringLiteral("Catalogs");
    const QString deepSky = GetConfig(catalogs, QStringLiteral("Deep Sky"));
    if (!deepSky.isEmpty()) {
        DeepSkyCatalog = deepSky.toInt();
        SendCommandBool(lx::SetDeepSkyLibrary, deepSky);
        const QString star = GetConfig(catalogs, QStringLiteral("Star"));
        StarCatalog = star.toInt();
        loadedSettings_.insert(QStringLiteral("Catalogs"));
        SendCommandBool(lx::SetStarLibrary, star);
    } else {
        DeepSkyCatalog = 0;
        StarCatalog = 0;
    }

    // 10. Sliders, each followed by its handler.
    const auto setSlider = [this](QSlider* s, const QString& key, int fallback) {
        const QString text = GetConfig(General, key);
        const QSignalBlocker block(s);
        s->setValue(text.isEmpty() ? fallback : int(ParseNeutralNumber(text)));
        loadedSettings_.insert(key);
    };
    setSlider(sldRate, QStringLiteral("SlewRate"), 1);
    sldRate_Change();
    setSlider(sldRetBrt, QStringLiteral("ReticleBriteness"), 0);
    sldRetBrt_Change();
    setSlider(sldRetBlink, QStringLiteral("ReticleBlink"), 0);
    sldRetBlink_Change();

    // 11. Optics and the field radius.
    const QString optics = QStringLiteral("Optics");
    const QString sixty = QStringLiteral("60");
    FieldRadius = numberOr(optics, QStringLiteral("Radius"), sixty);
    if (!SendCommandBool(lx::SetFieldRadius,
                         FormatNeutralNumber(roundHalfEven(FieldRadius), QStringLiteral("000"))))
        platform::prompts().MsgBox(QStringLiteral("Failed to set the FIELD radius."),
                                   platform::MsgIcon::Critical, platform::MsgButtons::OKCancel,
                                   Title);
    FieldWidth = numberOr(optics, QStringLiteral("Width"), sixty);
    FieldHeight = numberOr(optics, QStringLiteral("Height"), sixty);
    FieldMagnification = numberOr(optics, QStringLiteral("Mag"), QStringLiteral("0"));
    const QString rect = GetConfig(optics, QStringLiteral("RectFOV"));
    RectField =
        rect.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0 || (rect.toInt() != 0);
    const QString notSet = QStringLiteral("not set");
    ScopeName = GetConfig(optics, QStringLiteral("Scope"));
    if (ScopeName.isEmpty())
        ScopeName = notSet;
    EyepieceName = GetConfig(optics, QStringLiteral("Eyepiece"));
    if (EyepieceName.isEmpty())
        EyepieceName = notSet;

    // 12. The site the telescope has in its site #4.
    SendCommandBlind(lx::SelectSite4);
    const QString siteId = SendCommandString(lx::GetSite4Name).left(3);
    const auto sites = EnumConfigSection(QStringLiteral("Sites"));
    if (!sites) {
        platform::prompts().MsgBox(QStringLiteral("Failed to find \"sites\" section in registry"),
                                   platform::MsgIcon::Critical, platform::MsgButtons::OK, Title);
        platform::EndProgram(1);
    }
    for (const ConfigValue& site : *sites) {
        if (siteId.isEmpty() || !site.second.startsWith(siteId))
            continue;
        const auto args = SiteCommandsFor(site.second);
        if (!args) {
            lblStatus->setText(QStringLiteral("The stored site \"%1\" is damaged and was not sent.")
                                   .arg(site.first));
            continue;
        }
        SendCommandBool(lx::SetLatitude, args->latitude);
        SendCommandBool(lx::SetLongitude, args->longitude);
        SendCommandBool(lx::SetUtcOffset, args->utcOffset);
    }

    // 13. Without any site the user must make one.
    if (sites->isEmpty()) {
        platform::prompts().MsgBox(QStringLiteral("You need to enter and save at least one "
                                                  "observing site. We will open this dialog now."),
                                   platform::MsgIcon::Information, platform::MsgButtons::OK, Title);
        try {
            frmSite site(this);
            site.exec();
        } catch (...) {
        }
    }

    // 14.
    platform::DoEvents();
}

void frmMain::SaveSystem() {
    // Only what this session has loaded from the store (and what the user has changed since):
    // a session that never connected, or lost the link half-way through InitSystem, has the
    // controls' defaults in its hands, not the user's settings.
    const auto putLoaded = [this](const char* key, const QString& value) {
        if (loadedSettings_.contains(QLatin1String(key)))
            PutConfig(General, QLatin1String(key), value);
    };
    const QString catalogs = QStringLiteral("Catalogs");
    if (loadedSettings_.contains(catalogs) || DeepSkyCatalog != 0 || StarCatalog != 0) {
        PutConfig(catalogs, QStringLiteral("Deep Sky"), QString::number(DeepSkyCatalog));
        PutConfig(catalogs, QStringLiteral("Star"), QString::number(StarCatalog));
    }
    putLoaded("ReticleBriteness", QString::number(sldRetBrt->value()));
    putLoaded("ReticleBlink", QString::number(sldRetBlink->value()));
    putLoaded("SlewRate", QString::number(sldRate->value()));
    PutConfig(General, QStringLiteral("NightVision"), chkNightVision->isChecked() ? "1" : "0");
    PutConfig(General, QStringLiteral("TimeFormat"), QString::number(TimeFormat));
    putLoaded("HiPrec", chkHiPrec->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    putLoaded("FocusFast", FastFocus ? QStringLiteral("True") : QStringLiteral("False"));
}

} // namespace teleon
