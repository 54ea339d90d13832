#include "alignment/frmAlignWiz.h"

#include "alignment/AlignStars.h"
#include "astro/Celest32.h"
#include "console/Registry.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/SlewEngine.h"
#include "link/Utilities.h"
#include "platform/Prompts.h"
#include "selection/frmMessage.h"
#include "setup/frmSite.h"

#include "platform/WidgetKit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <exception>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
const QString ChoosingMessage = QStringLiteral("Choosing alignment stars...");
const QString PolarisNumber = QStringLiteral("0019");
const QString CalDecTarget = QStringLiteral("89:59:30");
constexpr int MissingSitesExitCode = 1;
constexpr int AltLastPage = 5;
constexpr int PlrLastPage = 9;
constexpr int RefinementPage = 8;
constexpr double CalDec1OffsetHours = 6.1;
constexpr double CalDec2OffsetHours = 11.9;
constexpr double CalDec2AltOffsetHours = 0.1;

const QString RefusedTargetMessage =
    QStringLiteral("The telescope refused the target coordinates, so no slew was made.");
const QString RefusedSyncMessage = QStringLiteral(
    "The telescope refused the declination to sync on, so it was not synced. Check the box "
    "again to retry.");

// The wizard was closed while a handler waited with the message loop running: the handler ends
// without another word to the telescope, whose settings the close has put back.
struct WizardClosed : std::exception {};

void message(const QString& text, platform::MsgIcon icon) {
    platform::prompts().MsgBox(text, icon, platform::MsgButtons::OK, Title);
}

SiteEditorOpener& siteEditorOpener() {
    static SiteEditorOpener opener;
    return opener;
}

// Hours of a day as "hh:nn:ss", to the nearest second.
QString timeOfDay(double hours) {
    long seconds = std::lround(hours * 3600.0) % 86400;
    if (seconds < 0)
        seconds += 86400;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

using ui::button;
using ui::checkBox;

QLabel* text(const QString& caption) {
    auto* l = new QLabel(caption);
    l->setWordWrap(true);
    return l;
}

// A page: its title on top, then the given rows.
QWidget* page(const QString& name, const QString& title, QVBoxLayout*& body) {
    auto* p = new QWidget;
    p->setObjectName(name);
    body = new QVBoxLayout(p);
    auto* heading = new QLabel(title, p);
    heading->setObjectName(name + QStringLiteral("_Title"));
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    heading->setFont(font);
    body->addWidget(heading);
    return p;
}

const QString WelcomeText = QStringLiteral(
    "This Wizard will help you align your telescope by stepping you through the appropriate "
    "procedure.");
const QString ManualText = QStringLiteral(
    "See your telescope's instruction manual for a description of the alignment modes.");

} // namespace

void SetSiteEditorOpener(SiteEditorOpener opener) {
    siteEditorOpener() = std::move(opener);
}

void ShowWaitMessage(const QString& message) {
    ShowMessage(message);
}

void CloseWaitMessage() {
    HideMessage();
}

frmAlignWiz::frmAlignWiz(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAlignWiz"));
    setWindowTitle(QStringLiteral("Alignment Wizard"));
    setModal(false);

    pages = new QStackedWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    QVBoxLayout* body = nullptr;

    // ---- alt-azimuth ----
    pgAltWelcome =
        page(QStringLiteral("pgAltWelcome"), QStringLiteral("Welcome to Alt-Az Alignment"), body);
    body->addWidget(text(WelcomeText));
    body->addWidget(text(QStringLiteral("Your telescope is set for alt-azimuth operation.")));
    body->addWidget(text(ManualText));
    body->addStretch();

    pgAltOrient =
        page(QStringLiteral("pgAltOrient"), QStringLiteral("Orientation and Levelling"), body);
    const QString altOrient[] = {
        QStringLiteral("Tripod is level (bubble completely inside circle)."),
        QStringLiteral("Tripod is on solid ground."),
        QStringLiteral("Scope was powered up in in \"home\" position, 0 hour angle, 0\u00B0 dec, "
                       "scope level and pointing South."),
        QStringLiteral("Tripod is tightened so extension struts 'ping' with similar tones when "
                       "plucked."),
        QStringLiteral("Right Ascension and Declination locks are set.")};
    for (int i = 0; i < 5; ++i) {
        chkAltOrient[i] =
            checkBox(pgAltOrient, QStringLiteral("chkAltOrient_%1").arg(i), altOrient[i]);
        body->addWidget(chkAltOrient[i]);
        connect(chkAltOrient[i], &QCheckBox::clicked, this, &frmAlignWiz::chkAltOrient_Click);
    }
    body->addStretch();

    pgTime = page(QStringLiteral("pgTime"), QStringLiteral("Time and Time Zone Setting"), body);
    body->addWidget(text(QStringLiteral(
        "The telescope needs an accurate UTC reference. Make sure that the computer's date, "
        "time and time zone are set correctly; checking the box below sets the telescope's "
        "clock from the computer.")));
    chkTime = checkBox(pgTime, QStringLiteral("chkTime"),
                       QStringLiteral("PC date, time, and time zone are accurately set."));
    body->addWidget(chkTime);
    body->addStretch();

    pgCoords = page(QStringLiteral("pgCoords"), QStringLiteral("Site Coordinates"), body);
    body->addWidget(text(QStringLiteral(
        "The telescope must know the latitude and longitude of your site. Click Sites... to "
        "select a stored site or to create a new one.")));
    auto* siteRow = new QHBoxLayout;
    siteRow->addWidget(new QLabel(QStringLiteral("Current Site:")));
    lblCoords_Site = new QLabel(pgCoords);
    lblCoords_Site->setObjectName(QStringLiteral("lblCoords_Site"));
    siteRow->addWidget(lblCoords_Site, 1);
    body->addLayout(siteRow);
    cmdCoords_Sites =
        button(pgCoords, QStringLiteral("cmdCoords_Sites"), QStringLiteral("Sites..."));
    body->addWidget(cmdCoords_Sites, 0, Qt::AlignLeft);
    body->addStretch();

    pgAltAlign =
        page(QStringLiteral("pgAltAlign"), QStringLiteral("Align to Reference Stars"), body);
    body->addWidget(text(QStringLiteral(
        "Choose two of the alignment stars from the dropdown lists below. The stars should be "
        "close to 90\u00B0 apart in azimuth and somewhere around 45\u00B0 in elevation.")));
    body->addWidget(text(QStringLiteral(
        "Now, in turn, click Go To to slew to each star and center it in the main eyepiece, then "
        "check the Centered box next to that star.")));
    auto* starGrid = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        cbAltAlignStars[i] = new QComboBox(pgAltAlign);
        cbAltAlignStars[i]->setObjectName(QStringLiteral("cbAltAlignStars_%1").arg(i));
        cmdAltAlignGoTo[i] = button(pgAltAlign, QStringLiteral("cmdAltAlignGoTo_%1").arg(i),
                                    QStringLiteral("Go To"));
        cmdAltAlignGoTo[i]->setToolTip(QStringLiteral("Go to"));
        chkAltAlignCentered[i] =
            checkBox(pgAltAlign, QStringLiteral("chkAltAlignCentered_%1").arg(i),
                     QStringLiteral("Centered"));
        starGrid->addWidget(cbAltAlignStars[i], i, 0);
        starGrid->addWidget(cmdAltAlignGoTo[i], i, 1);
        starGrid->addWidget(chkAltAlignCentered[i], i, 2);
        connect(cbAltAlignStars[i], &QComboBox::currentIndexChanged, this,
                &frmAlignWiz::cbAltAlignStars_Click);
        connect(cmdAltAlignGoTo[i], &QPushButton::clicked, this,
                [this, i] { cmdAltAlignGoTo_Click(i); });
        connect(chkAltAlignCentered[i], &QCheckBox::clicked, this,
                [this, i] { chkAltAlignCentered_Click(i); });
    }
    body->addLayout(starGrid);
    body->addStretch();

    pgAltFinished = page(QStringLiteral("pgAltFinished"), QStringLiteral("Congratulations!"), body);
    body->addWidget(text(QStringLiteral("Your telescope is now aligned.")));
    body->addWidget(text(QStringLiteral(
        "If you want to refine the alignment, back up to the previous page and pick two more "
        "stars in areas of the sky that you haven't yet used. Then repeat the slew-set procedure "
        "for each.")));
    body->addStretch();

    // ---- polar ----
    pgPlrWelcome =
        page(QStringLiteral("pgPlrWelcome"), QStringLiteral("Welcome to Polar Alignment"), body);
    body->addWidget(text(WelcomeText));
    body->addWidget(text(QStringLiteral("Your telescope is set for polar operation.")));
    body->addWidget(text(ManualText + QStringLiteral(" This Wizard does not handle LAND mode "
                                                     "alignment.")));
    body->addStretch();

    pgPlrOrient =
        page(QStringLiteral("pgPlrOrient"), QStringLiteral("Orient and Level the Tripod"), body);
    const QString plrOrient[] = {
        QStringLiteral("Right Ascension and Declination locks are set."),
        QStringLiteral("Tripod is tightened so extension struts 'ping' with similar tones when "
                       "plucked."),
        QStringLiteral("Scope was powered up in \"home\" position, fork horizontal (0 hour "
                       "angle), 0\u00B0 Declination."),
        QStringLiteral("Azimuth adjuster is at mid-range."),
        QStringLiteral("Tripod is on solid ground."),
        QStringLiteral("Tripod is level (bubble completely inside circle) with Polaris at center "
                       "of finder (adjust tripod/mount only!)")};
    for (int i = 0; i < 6; ++i) {
        chkPlrOrient[i] =
            checkBox(pgPlrOrient, QStringLiteral("chkPlrOrient_%1").arg(i), plrOrient[i]);
        body->addWidget(chkPlrOrient[i]);
        connect(chkPlrOrient[i], &QCheckBox::clicked, this, &frmAlignWiz::chkPlrOrient_Click);
    }
    body->addStretch();

    pgPlrCalDec1 = page(QStringLiteral("pgPlrCalDec1"),
                        QStringLiteral("Calibrate Declination (1 of 2)"), body);
    body->addWidget(text(QStringLiteral(
        "The fork should now be vertical. Use the mechanical AZIMUTH and LATITUDE adjustments on "
        "the telescope mount/wedge to center Polaris.")));
    chkPlrCalDec1 = checkBox(pgPlrCalDec1, QStringLiteral("chkPlrCalDec1"),
                             QStringLiteral("Polaris is centered"));
    body->addWidget(chkPlrCalDec1);
    body->addStretch();

    pgPlrCalDec2 = page(QStringLiteral("pgPlrCalDec2"),
                        QStringLiteral("Calibrate Declination (2 of 2)"), body);
    body->addWidget(text(QStringLiteral(
        "The fork should now be horizontal. Use the N/S keys on the keypad and the mechanical "
        "AZIMUTH adjustment on the telescope mount/wedge to center Polaris.")));
    chkPlrCalDec2 = checkBox(pgPlrCalDec2, QStringLiteral("chkPlrCalDec2"),
                             QStringLiteral("Polaris is centered"));
    body->addWidget(chkPlrCalDec2);
    body->addWidget(text(QStringLiteral(
        "If you ran out of motion on the N/S keys, your declination scale is in error in the "
        "opposite direction. In this case, check the box below and we'll roll the forks "
        "completely over. Then you can try again.")));
    chkPlrCalDec2a = checkBox(pgPlrCalDec2, QStringLiteral("chkPlrCalDec2a"),
                              QStringLiteral("I ran out of N/S motion"));
    body->addWidget(chkPlrCalDec2a);
    body->addStretch();

    pgPlrInitPolar = page(QStringLiteral("pgPlrInitPolar"),
                          QStringLiteral("Initial Polar Axis Adjustment"), body);
    body->addWidget(text(QStringLiteral(
        "The scope is now positioned to the coordinates of Polaris. Use the MECHANICAL azimuth "
        "and latitude adjustments on the mount/wedge to center Polaris. The adjustments needed "
        "should be small, less than one degree. If not, repeat the previous Calibrate "
        "Declination steps.")));
    chkPlrInitPolar = checkBox(pgPlrInitPolar, QStringLiteral("chkPlrInitPolar"),
                               QStringLiteral("Polaris is centered"));
    body->addWidget(chkPlrInitPolar);
    body->addStretch();

    pgPlrConverge =
        page(QStringLiteral("pgPlrConverge"), QStringLiteral("RA/Dec Convergence"), body);
    body->addWidget(text(QStringLiteral(
        "The scope is now positioned to an alignment star (see below). Use the N/S/E/W keys to "
        "center the star, then click the \"centered\" checkbox . If the star is obscured, select "
        "an alternate from the list below and click \"Use Star\" to use this alternate star.")));
    chkPlrConvergeCentered = checkBox(pgPlrConverge, QStringLiteral("chkPlrConvergeCentered"),
                                      QStringLiteral(" is centered"));
    body->addWidget(chkPlrConvergeCentered);
    auto* alternateRow = new QHBoxLayout;
    alternateRow->addWidget(new QLabel(QStringLiteral("Alternate Star")));
    cbPlrConvergeStar = new QComboBox(pgPlrConverge);
    cbPlrConvergeStar->setObjectName(QStringLiteral("cbPlrConvergeStar"));
    alternateRow->addWidget(cbPlrConvergeStar, 1);
    cmdPlrConvergeSet =
        button(pgPlrConverge, QStringLiteral("cmdPlrConvergeSet"), QStringLiteral("Use  Star"));
    alternateRow->addWidget(cmdPlrConvergeSet);
    body->addLayout(alternateRow);
    body->addStretch();

    pgPlrUpdPolar =
        page(QStringLiteral("pgPlrUpdPolar"), QStringLiteral("Polar Axis Refinement"), body);
    body->addWidget(text(QStringLiteral(
        "The scope is now positioned back at Polaris. Using the MECHANICAL azimuth and latitude "
        "adjustments, remove HALF of the off-center error, if any. If Polaris is centered, the "
        "scope is aligned to a high degree of precision suitable for astophotography or precise "
        "\"go to\" operations. In this case, click \"Aligned\" to complete the process.")));
    chkPlrUpd = checkBox(pgPlrUpdPolar, QStringLiteral("chkPlrUpd"),
                         QStringLiteral("Half of error removed"));
    body->addWidget(chkPlrUpd);
    cmdPgPlrUpd_Aligned =
        button(pgPlrUpdPolar, QStringLiteral("cmdPgPlrUpd_Aligned"), QStringLiteral("Aligned"));
    body->addWidget(cmdPgPlrUpd_Aligned, 0, Qt::AlignLeft);
    body->addStretch();

    pgPlrFinished = page(QStringLiteral("pgPlrFinished"), QStringLiteral("Congratulations!"), body);
    body->addWidget(text(QStringLiteral("Your telescope is now aligned.")));
    body->addWidget(text(QStringLiteral(
        "If you want to refine the alignment later in this session, open the Alignment Wizard "
        "again. The initial steps will be skipped, allowing you to quickly update the scope's "
        "alignment.")));
    body->addWidget(text(QStringLiteral(
        "The scope will now be moved to the \"home\" position so you can pick a star and check "
        "the alignment for declination drift. If you are doing astrophotography, you should "
        "verify that you cannot detect declination drift in a 15 minute period.")));
    body->addStretch();

    for (QWidget* p : {pgAltWelcome, pgAltOrient, pgTime, pgCoords, pgAltAlign, pgAltFinished,
                       pgPlrWelcome, pgPlrOrient, pgPlrCalDec1, pgPlrCalDec2, pgPlrInitPolar,
                       pgPlrConverge, pgPlrUpdPolar, pgPlrFinished})
        pages->addWidget(p);

    // The picture beside the pages.
    auto* picture = new QFrame(this);
    picture->setObjectName(QStringLiteral("imgWizard"));
    picture->setFrameShape(QFrame::StyledPanel);
    picture->setFixedWidth(100);
    picture->setStyleSheet(QStringLiteral(
        "#imgWizard { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #0b1030, "
        "stop:1 #2a3a70); }"));

    cmdBack = button(this, QStringLiteral("cmdBack"), QStringLiteral("< &Back"));
    cmdNext = button(this, QStringLiteral("cmdNext"), QStringLiteral("&Next >"));
    cmdCancel = button(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"));

    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addWidget(pages, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdBack);
    bottom->addWidget(cmdNext);
    bottom->addSpacing(12);
    bottom->addWidget(cmdCancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top, 1);
    outer->addLayout(bottom);
    // Wide enough for the longest check box caption on one line.
    setMinimumSize(820, 400);

    connect(cmdBack, &QPushButton::clicked, this, &frmAlignWiz::cmdBack_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmAlignWiz::cmdNext_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAlignWiz::cmdCancel_Click);
    connect(chkTime, &QCheckBox::clicked, this, &frmAlignWiz::chkTime_Click);
    connect(cmdCoords_Sites, &QPushButton::clicked, this, &frmAlignWiz::cmdCoords_Sites_Click);
    connect(chkPlrCalDec1, &QCheckBox::clicked, this, &frmAlignWiz::chkPlrCalDec1_Click);
    connect(chkPlrCalDec2, &QCheckBox::clicked, this, &frmAlignWiz::chkPlrCalDec2_Click);
    connect(chkPlrCalDec2a, &QCheckBox::clicked, this, &frmAlignWiz::chkPlrCalDec2a_Click);
    connect(chkPlrInitPolar, &QCheckBox::clicked, this, &frmAlignWiz::chkPlrInitPolar_Click);
    connect(chkPlrConvergeCentered, &QCheckBox::clicked, this,
            &frmAlignWiz::chkPlrConvergeCentered_Click);
    connect(cmdPlrConvergeSet, &QPushButton::clicked, this, &frmAlignWiz::cmdPlrConvergeSet_Click);
    connect(chkPlrUpd, &QCheckBox::clicked, this, &frmAlignWiz::chkPlrUpd_Click);
    connect(cmdPgPlrUpd_Aligned, &QPushButton::clicked, this,
            &frmAlignWiz::cmdPgPlrUpd_Aligned_Click);

    adjustSize();
}

// ---- loading and closing ----

void frmAlignWiz::guarded(const std::function<void()>& handler) {
    // A slew waits with the event loop running: a second click meanwhile is ignored.
    if (working_)
        return;
    working_ = true;
    try {
        handler();
    } catch (const std::exception&) {
        // A lost link (the main window is in standby already), a port failure, a reply that is
        // not a coordinate, or the wizard closed meanwhile: the page stays as it is.
    }
    working_ = false;
}

void frmAlignWiz::ensureOpen() const {
    if (!loaded_)
        throw WizardClosed();
}

bool frmAlignWiz::slew(bool showProgress) {
    const bool ended = SlewToTarget(showProgress, false);
    if (!ended && !ScopeConnected)
        throw LostLinkError(); // the link went during the slew: nothing more to say to it
    ensureOpen();
    return ended;
}

bool frmAlignWiz::setTarget(const QString& ra, const QString& dec) {
    if (SendCommandBool(lx::SetTargetRA, ra) && SendCommandBool(lx::SetTargetDec, dec))
        return true;
    message(RefusedTargetMessage, platform::MsgIcon::Critical);
    return false;
}

bool frmAlignWiz::slewToStar(const QString& numberText) {
    const StarLookup lookup = SelectStar(numberText);
    if (!lookup.found) {
        message(QStringLiteral("Lookup failed. Scope reported:\r\n  ") + lookup.info,
                platform::MsgIcon::Exclamation);
        return false;
    }
    slew(true);
    return true;
}

void frmAlignWiz::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmAlignWiz::done(int result) {
    restore();
    loaded_ = false;
    QDialog::done(result);
}

void frmAlignWiz::closeEvent(QCloseEvent* event) {
    restore();
    loaded_ = false;
    QDialog::closeEvent(event);
}

void frmAlignWiz::restore() {
    if (restored_)
        return;
    restored_ = true;
    TiltUpLimit = SavedTiltUpLimit;
    // A limit chosen in Preferences while the wizard was open is the one that holds now.
    const QString stored = GetConfig(QStringLiteral("General"), QStringLiteral("UpLimit"));
    if (stored != storedUpLimit_) {
        try {
            TiltUpLimit = ParseNeutralNumber(stored);
        } catch (const std::exception&) {
        }
    }
    if (SavedHighLimit.isEmpty())
        return; // the opening never heard the telescope: nothing was changed there
    if (!ScopeConnected)
        return; // the link is lost: nothing can be sent, and waiting for it would hang the close
    try {
        SendCommandBool(lx::SetStarLibrary, QString::number(StarCatalog));
        SendCommandBool(lx::SetMinElevation, QStringLiteral(" ") + SavedHighLimit);
    } catch (const std::exception&) {
        // The link is gone; the telescope keeps what it has.
    }
}

void frmAlignWiz::unloadLater() {
    // Not from within the show event; and only this opening, should the wizard have been closed
    // and opened again meanwhile.
    QTimer::singleShot(0, this, [this, opening = openings_] {
        if (opening != openings_)
            return;
        if (isVisible())
            close();
        else
            restore();
    });
}

void frmAlignWiz::Form_Load() {
    loaded_ = true;
    restored_ = false;
    ++openings_;
    SavedTiltUpLimit = TiltUpLimit;
    storedUpLimit_ = GetConfig(QStringLiteral("General"), QStringLiteral("UpLimit"));
    SavedHighLimit.clear();
    WizardMode.clear();
    CurPage = 0;
    PlaceOneThirdDown(*this);
    pages->setCurrentIndex(-1);
    cmdCancel->setText(QStringLiteral("Cancel"));
    cmdBack->setEnabled(true);
    cmdNext->setEnabled(true);

    bool keepOpen = true;
    QWidget* first = nullptr;
    try {
        SavedHighLimit = SendCommandString(lx::GetMinElevation).left(2);
        const QString mode = QueryAlignMode();
        if (mode == QStringLiteral("A")) {
            WizardMode = QStringLiteral("A");
            ChooseAltAzStars();
            CurPage = 0;
        } else if (mode == QStringLiteral("P") || mode == QStringLiteral("G")) {
            WizardMode = QStringLiteral("P");
            ChoosePolarStars();
            CurPage = PolarAligned ? RefinementPage : 0;
        } else if (mode == QStringLiteral("L")) {
            platform::prompts().MsgBox(
                QStringLiteral("Your scope is in LAND mode. This wizard does not support LAND "
                               "alignment"),
                platform::MsgIcon::Critical, platform::MsgButtons::OKCancel, Title);
            keepOpen = false;
        }
        // Any other letter: the window opens without a page.
        first = pageAt(CurPage);
    } catch (const std::exception&) {
        CloseWaitMessage();
        keepOpen = false;
    }
    if (!loaded_)
        return; // closed meanwhile, and put back then
    // The question comes before the first page is prepared: the refinement page slews at once,
    // and that slew needs the limit out of the way.
    if (keepOpen && TiltUpLimit != 0.0) {
        const auto answer = platform::prompts().MsgBox(
            QStringLiteral("You have set an OTA tilt-up limit. Alignment may require the OTA to "
                           "tilt up beyond that limit. The tilt-up limit will be disabled during "
                           "alignment. Have you removed your camera or other long accessories so "
                           "that it is safe to do so?"),
            platform::MsgIcon::Question, platform::MsgButtons::YesNo, Title);
        if (!loaded_)
            return; // closed while the question was open: the limit stays as it was
        if (answer == platform::MsgAnswer::Yes)
            TiltUpLimit = 0.0;
        else
            keepOpen = false;
    }
    if (!keepOpen) {
        unloadLater();
        return;
    }
    if (first) {
        showPage(first);
        guarded([this, first] { preparePage(first); });
    }
}

// ---- star lists ----

AlignStarList frmAlignWiz::chooseStars(AlignSelection selection) {
    ShowWaitMessage(ChoosingMessage);
    try {
        ensureOpen(); // the message loop ran: before "Sh 30", make sure nobody closed us
        AlignStarList list = ChooseAlignStars(selection);
        CloseWaitMessage();
        ensureOpen();
        return list;
    } catch (...) {
        CloseWaitMessage();
        throw;
    }
}

void frmAlignWiz::ChooseAltAzStars() {
    const AlignStarList list = chooseStars(AlignSelection::AltAz);
    preparingAlign_ = true;
    for (QComboBox* box : cbAltAlignStars) {
        box->clear();
        for (const AlignStarEntry& star : list.stars)
            box->addItem(star.name, int(star.number));
        box->setCurrentIndex(-1);
    }
    preparingAlign_ = false;
}

void frmAlignWiz::ChoosePolarStars() {
    const AlignStarList list = chooseStars(AlignSelection::Polar);
    cbPlrConvergeStar->clear();
    for (const AlignStarEntry& star : list.stars)
        cbPlrConvergeStar->addItem(star.name, int(star.number));
    cbPlrConvergeStar->setCurrentIndex(int(list.preselected));
}

void frmAlignWiz::cbAltAlignStars_Click() {
    const bool both =
        cbAltAlignStars[0]->currentIndex() >= 0 && cbAltAlignStars[1]->currentIndex() >= 0;
    for (int i = 0; i < 2; ++i) {
        cmdAltAlignGoTo[i]->setEnabled(both);
        chkAltAlignCentered[i]->setChecked(false);
        chkAltAlignCentered[i]->setEnabled(false);
    }
    if (!both || preparingAlign_)
        return;
    guarded([this] {
        CheckAlignStarGeometry(qint16(cbAltAlignStars[0]->currentData().toInt()),
                               qint16(cbAltAlignStars[1]->currentData().toInt()));
    });
}

// ---- pages ----

QWidget* frmAlignWiz::pageAt(int index) const {
    if (WizardMode == QStringLiteral("A")) {
        QWidget* const sequence[] = {pgAltWelcome, pgAltOrient, pgTime,
                                     pgCoords,     pgAltAlign,  pgAltFinished};
        return index >= 0 && index <= AltLastPage ? sequence[index] : nullptr;
    }
    if (WizardMode == QStringLiteral("P")) {
        QWidget* const sequence[] = {pgPlrWelcome,  pgPlrOrient,  pgTime,         pgCoords,
                                     pgPlrCalDec1,  pgPlrCalDec2, pgPlrInitPolar, pgPlrConverge,
                                     pgPlrUpdPolar, pgPlrFinished};
        return index >= 0 && index <= PlrLastPage ? sequence[index] : nullptr;
    }
    return nullptr;
}

QString frmAlignWiz::currentPageName() const {
    QWidget* shown = pages->currentWidget();
    return shown ? shown->objectName() : QString();
}

void frmAlignWiz::showPage(QWidget* p) {
    pages->setCurrentWidget(p);
}

void frmAlignWiz::GoToPage(int delta) {
    QWidget* target = pageAt(CurPage + delta);
    if (!target || working_)
        return;
    CurPage += delta;
    showPage(target);
    guarded([this, target] { preparePage(target); });
}

void frmAlignWiz::setCheckedQuietly(QCheckBox* box, bool checked) {
    box->setChecked(checked); // clicked() is not emitted by setChecked
}

void frmAlignWiz::preparePage(QWidget* p) {
    const bool last = p == pgAltFinished || p == pgPlrFinished;
    cmdCancel->setText(last ? QStringLiteral("Close") : QStringLiteral("Cancel"));
    if (p == pgAltWelcome || p == pgPlrWelcome) {
        cmdBack->setEnabled(false);
    } else if (p == pgAltOrient || p == pgPlrOrient) {
        for (QCheckBox* box : chkAltOrient)
            setCheckedQuietly(box, false);
        for (QCheckBox* box : chkPlrOrient)
            setCheckedQuietly(box, false);
        cmdBack->setEnabled(true);
        cmdNext->setEnabled(false);
    } else if (p == pgTime) {
        cmdNext->setEnabled(chkTime->isChecked());
        cmdBack->setEnabled(true);
    } else if (p == pgCoords) {
        cmdBack->setEnabled(true);
        prepareCoords();
    } else if (p == pgAltAlign) {
        prepareAltAlign();
    } else if (p == pgAltFinished) {
        cmdBack->setEnabled(true);
        cmdNext->setEnabled(false);
    } else if (p == pgPlrCalDec1) {
        // Each box confirms where the telescope stands: usable once it took the page's target.
        cmdNext->setEnabled(false);
        setCheckedQuietly(chkPlrCalDec1, false);
        chkPlrCalDec1->setEnabled(false);
        chkPlrCalDec1->setEnabled(slewPolaris(CalDec1OffsetHours, true));
    } else if (p == pgPlrCalDec2) {
        cmdNext->setEnabled(false);
        setCheckedQuietly(chkPlrCalDec2, false);
        setCheckedQuietly(chkPlrCalDec2a, false);
        chkPlrCalDec2->setEnabled(false);
        chkPlrCalDec2->setEnabled(slewPolaris(calDec2Offset(), true));
    } else if (p == pgPlrInitPolar) {
        cmdNext->setEnabled(false);
        setCheckedQuietly(chkPlrInitPolar, false);
        chkPlrInitPolar->setEnabled(false);
        chkPlrInitPolar->setEnabled(slewPolaris(calDec2Offset(), false) &&
                                    slewToStar(PolarisNumber));
    } else if (p == pgPlrConverge) {
        slewToConvergeStar();
    } else if (p == pgPlrUpdPolar) {
        cmdNext->setEnabled(false);
        setCheckedQuietly(chkPlrUpd, false);
        chkPlrUpd->setEnabled(false);
        chkPlrUpd->setEnabled(slewToStar(PolarisNumber));
    } else if (p == pgPlrFinished) {
        PolarAligned = true;
        cmdBack->setEnabled(false);
        cmdNext->setEnabled(false);
    }
}

void frmAlignWiz::prepareCoords() {
    ShowCurrentSite();
    if (lblCoords_Site->text().startsWith(QStringLiteral("None"))) {
        platform::prompts().MsgBox(
            QStringLiteral("Unknown scope position. Click Sites... to select or create site "
                           "coordinates. Be sure to click Set in the Sites dialog to load the "
                           "Site into the scope"),
            platform::MsgIcon::Exclamation, platform::MsgButtons::OK, Title);
        cmdNext->setEnabled(false);
    } else {
        cmdNext->setEnabled(true);
    }
}

void frmAlignWiz::prepareAltAlign() {
    preparingAlign_ = true;
    for (QComboBox* box : cbAltAlignStars)
        box->setCurrentIndex(-1);
    preparingAlign_ = false;
    for (int i = 0; i < 2; ++i) {
        cmdAltAlignGoTo[i]->setEnabled(false);
        chkAltAlignCentered[i]->setChecked(false);
        chkAltAlignCentered[i]->setEnabled(false);
    }
    cmdBack->setEnabled(true);
    cmdNext->setEnabled(false);
}

double frmAlignWiz::calDec2Offset() const {
    const bool zero =
        GetConfig(QStringLiteral("General"), QStringLiteral("CalDec2Mode")).trimmed().toInt() == 0;
    return zero ? CalDec2OffsetHours : CalDec2AltOffsetHours;
}

// The right ascension at hour angle offsetHours: the telescope's sidereal time less the offset.
QString frmAlignWiz::raAtHourAngle(double offsetHours) {
    const double s = ParseScopeHours(SendCommandString(lx::GetSiderealTime));
    double r = s - offsetHours;
    if (r < 0.0)
        r += 24.0;
    return timeOfDay(r);
}

// The telescope near the pole at hour angle offsetHours. False when the target was refused (and
// reported): no slew was made.
bool frmAlignWiz::slewPolaris(double offsetHours, bool showProgress) {
    if (!setTarget(raAtHourAngle(offsetHours), CalDecTarget))
        return false;
    slew(showProgress);
    return true;
}

void frmAlignWiz::slewToConvergeStar() {
    // A sync confirms the star now chosen: the box starts cleared, usable once the telescope
    // found the star. "&" in a star's name is shown, not taken as a mnemonic.
    cmdNext->setEnabled(false);
    setCheckedQuietly(chkPlrConvergeCentered, false);
    chkPlrConvergeCentered->setEnabled(false);
    const int index = cbPlrConvergeStar->currentIndex();
    QString name = index >= 0 ? cbPlrConvergeStar->itemText(index) : QString();
    chkPlrConvergeCentered->setText(name.replace(u'&', QStringLiteral("&&")) +
                                    QStringLiteral(" is centered"));
    if (index < 0)
        return; // no star to converge on: the page waits for a choice from the list
    chkPlrConvergeCentered->setEnabled(
        slewToStar(QString::number(cbPlrConvergeStar->itemData(index).toInt())));
}

void frmAlignWiz::ShowCurrentSite() {
    BusyGuard busy;
    SendCommandBlind(lx::SelectSite4);
    const QString id = SendCommandString(lx::GetSite4Name).left(3);
    QString label = QStringLiteral("None - Click Sites");
    const auto sites = EnumConfigSection(QStringLiteral("Sites"));
    if (!sites) {
        platform::prompts().MsgBox(QStringLiteral("Failed to find \"sites\" section in registry"),
                                   platform::MsgIcon::Critical, platform::MsgButtons::OK, Title);
        platform::EndProgram(MissingSitesExitCode);
    }
    for (const ConfigValue& site : *sites)
        if (site.second.left(3) == id)
            label = site.first;
    lblCoords_Site->setText(label);
}

// ---- handlers ----

void frmAlignWiz::cmdNext_Click() {
    GoToPage(+1);
}

void frmAlignWiz::cmdBack_Click() {
    GoToPage(-1);
}

void frmAlignWiz::cmdCancel_Click() {
    if (WizardMode == QStringLiteral("P") && CurPage == PlrLastPage &&
        pages->currentWidget() == pgPlrFinished) {
        guarded([this] {
            if (!setTarget(SendCommandString(lx::GetSiderealTime), QStringLiteral("00:00:00")))
                return;
            slew(true);
            if (Hooks().UpdateWhatsVis)
                Hooks().UpdateWhatsVis();
            if (Hooks().UpdateScopeCoords)
                Hooks().UpdateScopeCoords();
        });
    }
    close();
}

void frmAlignWiz::chkAltOrient_Click() {
    bool all = true;
    for (QCheckBox* box : chkAltOrient)
        all = all && box->isChecked();
    cmdNext->setEnabled(all);
}

void frmAlignWiz::chkPlrOrient_Click() {
    bool all = true;
    for (QCheckBox* box : chkPlrOrient)
        all = all && box->isChecked();
    cmdNext->setEnabled(all);
}

void frmAlignWiz::chkTime_Click() {
    if (!chkTime->isChecked()) {
        cmdNext->setEnabled(false);
        return;
    }
    guarded([this] {
        double now = celest32::OleFromDateTime(QDateTime::currentDateTime());
        cmdNext->setEnabled(SetScopeClock(now, true));
    });
}

void frmAlignWiz::cmdCoords_Sites_Click() {
    guarded([this] {
        if (siteEditorOpener()) {
            siteEditorOpener()(this);
        } else {
            frmSite editor(this);
            editor.exec();
        }
        ensureOpen();
        prepareCoords();
    });
}

void frmAlignWiz::cmdAltAlignGoTo_Click(int index) {
    if (index < 0 || index > 1 || cbAltAlignStars[index]->currentIndex() < 0)
        return;
    guarded([this, index] {
        SendCommandBool(lx::SetStarLibrary, QStringLiteral("0"));
        // A star the telescope cannot find is reported; its box stays off: a sync now would
        // land on the previous target.
        chkAltAlignCentered[index]->setEnabled(slewToStar(FormatNeutralNumber(
            cbAltAlignStars[index]->currentData().toInt(), QStringLiteral("0000"))));
    });
}

void frmAlignWiz::chkAltAlignCentered_Click(int index) {
    if (index < 0 || index > 1)
        return;
    if (chkAltAlignCentered[index]->isChecked()) {
        guarded([] { SendCommandString(lx::Sync); });
        cmdAltAlignGoTo[index]->setEnabled(false);
        chkAltAlignCentered[index]->setEnabled(false);
    }
    cmdNext->setEnabled(chkAltAlignCentered[0]->isChecked() && chkAltAlignCentered[1]->isChecked());
}

void frmAlignWiz::chkPlrCalDec1_Click() {
    cmdNext->setEnabled(chkPlrCalDec1->isChecked());
}

void frmAlignWiz::chkPlrCalDec2_Click() {
    if (!chkPlrCalDec2->isChecked()) {
        cmdNext->setEnabled(false);
        return;
    }
    guarded([this] {
        if (!SendCommandBool(lx::SetTargetDec,
                             QStringLiteral("+89") + QChar(0xDF) + QStringLiteral("59'59\""))) {
            // No sync on the old target: that would calibrate the wrong declination.
            setCheckedQuietly(chkPlrCalDec2, false);
            cmdNext->setEnabled(false);
            message(RefusedSyncMessage, platform::MsgIcon::Critical);
            return;
        }
        SendCommandString(lx::Sync);
        cmdNext->setEnabled(true);
    });
}

void frmAlignWiz::chkPlrCalDec2a_Click() {
    guarded([this] {
        const bool zero = calDec2Offset() == CalDec2OffsetHours;
        // The forks roll over only when the telescope takes the target; until then the mode
        // stays, and so does the page.
        if (!setTarget(raAtHourAngle(zero ? CalDec2OffsetHours : CalDec2AltOffsetHours),
                       CalDecTarget)) {
            setCheckedQuietly(chkPlrCalDec2a, false);
            return;
        }
        PutConfig(QStringLiteral("General"), QStringLiteral("CalDec2Mode"),
                  zero ? QStringLiteral("1") : QStringLiteral("0"));
        slew(false);
        preparePage(pgPlrCalDec2);
    });
}

void frmAlignWiz::chkPlrInitPolar_Click() {
    cmdNext->setEnabled(chkPlrInitPolar->isChecked());
}

void frmAlignWiz::chkPlrConvergeCentered_Click() {
    if (!chkPlrConvergeCentered->isChecked()) {
        cmdNext->setEnabled(false);
        return;
    }
    guarded([this] {
        SendCommandString(lx::Sync);
        cmdNext->setEnabled(true);
    });
}

void frmAlignWiz::cmdPlrConvergeSet_Click() {
    guarded([this] { slewToConvergeStar(); });
}

void frmAlignWiz::chkPlrUpd_Click() {
    if (!chkPlrUpd->isChecked())
        return;
    QCoreApplication::processEvents();
    guarded([] { WaitMs(500); });
    QCoreApplication::processEvents();
    if (loaded_)
        GoToPage(-1);
}

void frmAlignWiz::cmdPgPlrUpd_Aligned_Click() {
    GoToPage(+1);
}

} // namespace teleon
