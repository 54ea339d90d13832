#include "console/frmMain.h"

#include "astro/Celest32.h"
#include "console/Registry.h"
#include "console/StatusText.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/SlewEngine.h"
#include "link/Utilities.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "selection/frmSlew.h"
#include "setup/SetupWindows.h"
#include "setup/frmPrefs.h"
#include "sim/SimServer.h"
#include "voice/AgentCtrl.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
const QString General = QStringLiteral("General");
frmMain* liveMainWindow = nullptr;

QLabel* valueLabel(QWidget* parent, const char* name, int pointSize) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    QFont f = l->font();
    f.setPointSize(pointSize);
    f.setBold(true);
    f.setStyleHint(QFont::Monospace);
    f.setFamily(QStringLiteral("DejaVu Sans Mono"));
    l->setFont(f);
    l->setMinimumWidth(pointSize * 9);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption,
                    const QString& tip = {}) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    if (!tip.isEmpty())
        b->setToolTip(tip);
    return b;
}

QSlider* slider(QWidget* parent, const char* name, int max) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(0, max);
    // A drag sends the telescope the value it ends on, not every value it passes.
    s->setTracking(false);
    return s;
}

QPalette nightPalette() {
    QPalette p;
    const QColor black(0, 0, 0), dark(40, 0, 0), red(200, 0, 0), dim(110, 0, 0);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Window, dark);
        p.setColor(group, QPalette::WindowText, red);
        p.setColor(group, QPalette::Base, black);
        p.setColor(group, QPalette::AlternateBase, dark);
        p.setColor(group, QPalette::Text, red);
        p.setColor(group, QPalette::Button, dark);
        p.setColor(group, QPalette::ButtonText, red);
        p.setColor(group, QPalette::Highlight, dim);
        p.setColor(group, QPalette::HighlightedText, black);
        p.setColor(group, QPalette::ToolTipBase, dark);
        p.setColor(group, QPalette::ToolTipText, red);
        p.setColor(group, QPalette::Light, dim);
        p.setColor(group, QPalette::Midlight, dim);
        p.setColor(group, QPalette::Mid, dark);
        p.setColor(group, QPalette::Dark, black);
        p.setColor(group, QPalette::Shadow, black);
        p.setColor(group, QPalette::BrightText, red);
    }
    p.setColor(QPalette::Disabled, QPalette::WindowText, dim);
    p.setColor(QPalette::Disabled, QPalette::Text, dim);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, dim);
    p.setColor(QPalette::Disabled, QPalette::Window, dark);
    p.setColor(QPalette::Disabled, QPalette::Button, dark);
    p.setColor(QPalette::Disabled, QPalette::Base, black);
    return p;
}

} // namespace

frmMain::frmMain(bool startedByAutomation, QWidget* parent)
    : QMainWindow(parent), startedByAutomation_(startedByAutomation) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("LX-200 Vantor"));
    buildControls();

    tmr1S_ = new QTimer(this);
    tmr1S_->setObjectName(QStringLiteral("tmr1S"));
    tmr1S_->setInterval(1000);
    connect(tmr1S_, &QTimer::timeout, this, &frmMain::tmr1S_Timer);
    tmrStart_ = new QTimer(this);
    tmrStart_->setObjectName(QStringLiteral("tmrStart"));
    tmrStart_->setInterval(1000);
    tmrStart_->setSingleShot(true);
    // Precise: the automation start-up waits for it in one-second steps, and a coarse timer may
    // fire just after the first step has ended, costing the client a second.
    tmrStart_->setTimerType(Qt::PreciseTimer);
    connect(tmrStart_, &QTimer::timeout, this, &frmMain::tmrStart_Timer);

    SetStatusTimer(tmr1S_);
    Hooks().SwitchToStandby = [this] { SwitchToStandby(); };
    Hooks().UpdateSelectedTime = [this](bool show) { UpdateSelectedTime(show); };
    Hooks().UpdateWhatsVis = [this] { UpdateWhatsVis(); };
    Hooks().UpdateScopeCoords = [this] { UpdateScopeCoords(); };
    Hooks().ShowTimeAlert = [this](const QString& text) {
        frmTimeAlert alert(this);
        alert.SetMessage(text);
        alert.exec();
    };
    Hooks().Beep = [] { QApplication::beep(); };
    InstallSlewProgressWindow(this);
    connectHandlers();
    qApp->installEventFilter(this);
    liveMainWindow = this;
}

frmMain::~frmMain() {
    if (liveMainWindow == this)
        liveMainWindow = nullptr;
    qApp->removeEventFilter(this);
    if (StatusTimer() == tmr1S_)
        SetStatusTimer(nullptr);
    Hooks() = LinkHooks{};
    com1().close();
}

frmMain* frmMain::Instance() {
    return liveMainWindow;
}

void frmMain::buildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* outer = new QVBoxLayout(central);

    // Position
    auto* fraPosition = new QGroupBox(QStringLiteral("Telescope Position"), central);
    fraPosition->setObjectName(QStringLiteral("fraPosition"));
    auto* pos = new QGridLayout(fraPosition);
    lblRA = valueLabel(fraPosition, "lblRA", 20);
    lblDec = valueLabel(fraPosition, "lblDec", 20);
    lblAz = valueLabel(fraPosition, "lblAz", 20);
    lblAlt = valueLabel(fraPosition, "lblAlt", 20);
    pos->addWidget(new QLabel(QStringLiteral("RA:"), fraPosition), 0, 0);
    pos->addWidget(lblRA, 0, 1);
    pos->addWidget(new QLabel(QStringLiteral("Az:"), fraPosition), 0, 2);
    pos->addWidget(lblAz, 0, 3);
    pos->addWidget(new QLabel(QStringLiteral("Dec:"), fraPosition), 1, 0);
    pos->addWidget(lblDec, 1, 1);
    pos->addWidget(new QLabel(QStringLiteral("Alt:"), fraPosition), 1, 2);
    pos->addWidget(lblAlt, 1, 3);
    outer->addWidget(fraPosition);

    // Time
    auto* fraTime = new QGroupBox(QStringLiteral("Time"), central);
    fraTime->setObjectName(QStringLiteral("fraTime"));
    auto* time = new QGridLayout(fraTime);
    lblTimeType = valueLabel(fraTime, "lblTimeType", 11);
    lblLocTime = valueLabel(fraTime, "lblLocTime", 14);
    lblLocDate = valueLabel(fraTime, "lblLocDate", 11);
    lblST = valueLabel(fraTime, "lblST", 14);
    const char* names[] = {"rbgTimeType0", "rbgTimeType1", "rbgTimeType2"};
    const QString captions[] = {QStringLiteral("&Local"), QStringLiteral("&UTC"),
                                QStringLiteral("&Julian")};
    auto* types = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        rbgTimeType[i] = new QRadioButton(captions[i], fraTime);
        rbgTimeType[i]->setObjectName(QLatin1String(names[i]));
        connect(rbgTimeType[i], &QRadioButton::clicked, this, [this, i] { rbgTimeType_Click(i); });
        types->addWidget(rbgTimeType[i]);
    }
    time->addWidget(lblTimeType, 0, 0);
    time->addWidget(lblLocTime, 0, 1);
    time->addWidget(lblLocDate, 0, 2);
    time->addWidget(new QLabel(QStringLiteral("Sidereal:"), fraTime), 1, 0);
    time->addWidget(lblST, 1, 1);
    time->addLayout(types, 1, 2);
    outer->addWidget(fraTime);

    // Current object
    auto* fraObject = new QGroupBox(QStringLiteral("Current Object"), central);
    fraObject->setObjectName(QStringLiteral("fraObject"));
    auto* obj = new QHBoxLayout(fraObject);
    lblTgtName = new QLabel(fraObject);
    lblTgtName->setObjectName(QStringLiteral("lblTgtName"));
    lblTgtRA = new QLabel(QStringLiteral("RA:"), fraObject);
    lblTgtRA->setObjectName(QStringLiteral("lblTgtRA"));
    lblTgtDec = new QLabel(QStringLiteral("Dec:"), fraObject);
    lblTgtDec->setObjectName(QStringLiteral("lblTgtDec"));
    cmdSync = button(fraObject, "cmdSync", QStringLiteral("S&ync scope"),
                     QStringLiteral("Force scope coordinates to current object's"));
    cmdField = button(fraObject, "cmdField", QStringLiteral("&What's Visible?"),
                      QStringLiteral("List the objects in the eyepiece field"));
    obj->addWidget(lblTgtName);
    obj->addWidget(lblTgtRA);
    obj->addWidget(lblTgtDec);
    obj->addStretch();
    obj->addWidget(cmdSync);
    obj->addWidget(cmdField);
    outer->addWidget(fraObject);

    // Hand controls
    auto* row = new QHBoxLayout;
    auto* fraMotion = new QGroupBox(QStringLiteral("Motion"), central);
    fraMotion->setObjectName(QStringLiteral("fraMotion"));
    auto* pad = new QGridLayout(fraMotion);
    btnNorth = button(fraMotion, "btnNorth", QStringLiteral("Slew North"),
                      QStringLiteral("Hold to move north (Up arrow)"));
    btnSouth = button(fraMotion, "btnSouth", QStringLiteral("Slew South"),
                      QStringLiteral("Hold to move south (Down arrow)"));
    btnEast = button(fraMotion, "btnEast", QStringLiteral("Slew East"),
                     QStringLiteral("Hold to move east (Left arrow)"));
    btnWest = button(fraMotion, "btnWest", QStringLiteral("Slew West"),
                     QStringLiteral("Hold to move west (Right arrow)"));
    btnDeltaNorth = button(fraMotion, "btnDeltaNorth", QStringLiteral("Slew N 1/2 FOV"));
    btnDeltaSouth = button(fraMotion, "btnDeltaSouth", QStringLiteral("Slew S 1/2 FOV"));
    btnDeltaEast = button(fraMotion, "btnDeltaEast", QStringLiteral("Slew E 1/2 FOV"));
    btnDeltaWest = button(fraMotion, "btnDeltaWest", QStringLiteral("Slew W 1/2 FOV"));
    for (QPushButton* b : {btnNorth, btnSouth, btnEast, btnWest})
        b->setFocusPolicy(Qt::NoFocus); // the arrow keys belong to the window
    pad->addWidget(btnDeltaNorth, 0, 1);
    pad->addWidget(btnNorth, 1, 1);
    pad->addWidget(btnEast, 2, 0);
    pad->addWidget(btnWest, 2, 2);
    pad->addWidget(btnDeltaEast, 3, 0);
    pad->addWidget(btnDeltaWest, 3, 2);
    pad->addWidget(btnSouth, 3, 1);
    pad->addWidget(btnDeltaSouth, 4, 1);
    row->addWidget(fraMotion, 3);

    auto* side = new QVBoxLayout;
    auto* fraSpeed = new QGroupBox(QStringLiteral("Speed"), central);
    fraSpeed->setObjectName(QStringLiteral("fraSpeed"));
    auto* speed = new QGridLayout(fraSpeed);
    sldRate = slider(fraSpeed, "sldRate", 3);
    sldRate->setToolTip(QStringLiteral("Set slew speed"));
    sldRate->setTickPosition(QSlider::TicksBelow);
    sldRate->setPageStep(1);
    speed->addWidget(sldRate, 0, 0, 1, 4);
    const QString speeds[] = {QStringLiteral("Slew"), QStringLiteral("Find"),
                              QStringLiteral("Center"), QStringLiteral("Guide")};
    for (int i = 0; i < 4; ++i)
        speed->addWidget(new QLabel(speeds[i], fraSpeed), 1, i,
                         i == 0   ? Qt::AlignLeft
                         : i == 3 ? Qt::AlignRight
                                  : Qt::AlignCenter);
    side->addWidget(fraSpeed);

    auto* fraFocus = new QGroupBox(QStringLiteral("Focus"), central);
    fraFocus->setObjectName(QStringLiteral("fraFocus"));
    auto* focus = new QGridLayout(fraFocus);
    cmdFocusIn =
        button(fraFocus, "cmdFocusIn", QStringLiteral("In"), QStringLiteral("Hold to focus in"));
    cmdFocusOut =
        button(fraFocus, "cmdFocusOut", QStringLiteral("Out"), QStringLiteral("Hold to focus out"));
    rbgFocus[0] = new QRadioButton(QStringLiteral("Fast"), fraFocus);
    rbgFocus[0]->setObjectName(QStringLiteral("rbgFocus0"));
    rbgFocus[1] = new QRadioButton(QStringLiteral("Slow"), fraFocus);
    rbgFocus[1]->setObjectName(QStringLiteral("rbgFocus1"));
    focus->addWidget(cmdFocusIn, 0, 0);
    focus->addWidget(cmdFocusOut, 0, 1);
    focus->addWidget(rbgFocus[0], 1, 0);
    focus->addWidget(rbgFocus[1], 1, 1);
    side->addWidget(fraFocus);

    auto* fraReticle = new QGroupBox(QStringLiteral("Reticle"), central);
    fraReticle->setObjectName(QStringLiteral("fraReticle"));
    auto* ret = new QGridLayout(fraReticle);
    sldRetBrt = slider(fraReticle, "sldRetBrt", 9);
    sldRetBrt->setToolTip(QStringLiteral("Reticle brightness"));
    sldRetBrt->setPageStep(1);
    sldRetBlink = slider(fraReticle, "sldRetBlink", 3);
    sldRetBlink->setToolTip(QStringLiteral("Reticle blink"));
    sldRetBlink->setPageStep(1);
    ret->addWidget(new QLabel(QStringLiteral("Bright"), fraReticle), 0, 0);
    ret->addWidget(sldRetBrt, 0, 1, 1, 2);
    ret->addWidget(new QLabel(QStringLiteral("Steady"), fraReticle), 1, 0);
    ret->addWidget(sldRetBlink, 1, 1);
    ret->addWidget(new QLabel(QStringLiteral("Blink"), fraReticle), 1, 2);
    side->addWidget(fraReticle);
    row->addLayout(side, 2);
    outer->addLayout(row);

    // Windows and options
    auto* grid = new QGridLayout;
    cmdGoTo = button(central, "cmdGoTo", QStringLiteral("&Go To..."));
    cmdSearch = button(central, "cmdSearch", QStringLiteral("&Find..."));
    cmdCatSel = button(central, "cmdCatSel", QStringLiteral("Ca&talog..."));
    cmdScript = button(central, "cmdScript", QStringLiteral("Sc&ript..."));
    cmdAlign = button(central, "cmdAlign", QStringLiteral("&Align..."));
    cmdSite = button(central, "cmdSite", QStringLiteral("&Site..."));
    cmdOptics = button(central, "cmdOptics", QStringLiteral("&Optics..."));
    cmdFreq = button(central, "cmdFreq", QStringLiteral("Trac&king Speed..."));
    cmdTimeSync = button(central, "cmdTimeSync", QStringLiteral("Set scope time from &PC"));
    QPushButton* buttons[] = {cmdGoTo, cmdSearch, cmdCatSel, cmdScript,  cmdAlign,
                              cmdSite, cmdOptics, cmdFreq,   cmdTimeSync};
    for (int i = 0; i < 9; ++i)
        grid->addWidget(buttons[i], i / 5, i % 5);
    chkHiPrec = new QCheckBox(QStringLiteral("&Hi Prec."), central);
    chkHiPrec->setObjectName(QStringLiteral("chkHiPrec"));
    chkHiPrec->setToolTip(QStringLiteral("High-precision pointing"));
    chkListen = new QCheckBox(QStringLiteral("Listen&ing"), central);
    chkListen->setObjectName(QStringLiteral("chkListen"));
    chkNightVision = new QCheckBox(QStringLiteral("&Night Colors"), central);
    chkNightVision->setObjectName(QStringLiteral("chkNightVision"));
    chkNightVision->setToolTip(QStringLiteral("Switch screen to night (red) colors"));
    grid->addWidget(chkHiPrec, 2, 0);
    grid->addWidget(chkListen, 2, 1);
    grid->addWidget(chkNightVision, 2, 2);
    outer->addLayout(grid);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    statusBar()->addWidget(lblStatus, 1);

    // The Control menu: entries 0..7 (5 is not used).
    mnuControl_ = menuBar()->addMenu(QStringLiteral("&Control"));
    mnuControl_->setObjectName(QStringLiteral("mnuControl"));
    const QString items[] = {
        QStringLiteral("&Connect"), QStringLiteral("-"),         QStringLiteral("&Preferences..."),
        QStringLiteral("&Tips..."), QStringLiteral("&About..."), QString(),
        QStringLiteral("-"),        QStringLiteral("E&xit")};
    for (int i = 0; i < 8; ++i) {
        if (items[i].isNull())
            continue;
        QAction* a =
            items[i] == u"-" ? mnuControl_->addSeparator() : mnuControl_->addAction(items[i]);
        a->setObjectName(QStringLiteral("mnuControlItem%1").arg(i));
        connect(a, &QAction::triggered, this, [this, i] { mnuControlItem_Click(i); });
        mnuControlItem_[std::size_t(i)] = a;
    }
}

void frmMain::Form_Load() {
    if (!StartupDone)
        mnuControl_->setEnabled(false);
    resize(572, 475); // 8580 x 7125 twips
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 3);
    }
    TimeFormat = qBound(0, GetConfig(General, QStringLiteral("TimeFormat")).toInt(), 2);
    ScopeConnected = false;
    rbgTimeType[std::size_t(TimeFormat)]->setChecked(true);
    rbgTimeType_Click(TimeFormat);
    QString night = GetConfig(General, QStringLiteral("NightVision"));
    if (night.isEmpty())
        night = QStringLiteral("0");
    chkNightVision->setChecked(night.toInt() != 0);
    chkNightVision_Click();
    QString port = GetConfig(General, QStringLiteral("ComPort"));
    if (port.isEmpty()) {
        port = QStringLiteral("1");
        PutConfig(General, QStringLiteral("ComPort"), port);
    }
    applyPortSetting(port);
    StopUI();
    ScopeConnected = false;
}

void frmMain::applyPortSetting(const QString& setting) {
    if (setting.trimmed().compare(QStringLiteral("Simulator"), Qt::CaseInsensitive) != 0) {
        simulator_.reset();
        SetCommPort(PortChoiceFor(setting));
        return;
    }
    // The built-in telescope: the simulator on a pseudo-terminal, reached through the same
    // serial code as a real one.
    try {
        if (!simulator_) {
            simulator_ = std::make_unique<sim::SimServer>();
            simulator_->start();
        }
        SetCommPort({simulator_->devicePath(), 0, QStringLiteral("the built-in simulator")});
    } catch (const std::exception& e) {
        simulator_.reset();
        platform::prompts().MsgBox(
            QStringLiteral("The built-in telescope simulator could not start: %1")
                .arg(QString::fromLocal8Bit(e.what())),
            platform::MsgIcon::Critical, platform::MsgButtons::OK, Title);
    }
}

void frmMain::PortChanged(const QString& port) {
    if (ScopeConnected) {
        // The new port takes effect at the next connect; say so rather than drop the link.
        lblStatus->setText(
            QStringLiteral("The new port %1 is used at the next connect.").arg(port));
        pendingPort_ = port;
        return;
    }
    applyPortSetting(port);
}

void frmMain::tmrStart_Timer() {
    tmrStart_->stop();
    if (!agent_)
        agent_ = new AgentCtrl(this);
    connect(agent_, &AgentCtrl::spoke, lblStatus, &QLabel::setText, Qt::UniqueConnection);
    if (!startedByAutomation_ &&
        GetConfig(General, QStringLiteral("StartupTips")).toDouble() != 0) {
        auto* tip = NewTipWindow(this);
        tip->exec();
        delete tip;
    }
    mnuControl_->setEnabled(true);
    EndBusy();
    StartupDone = true;
}

void frmMain::mnuControlItem_Click(int index) {
    switch (index) {
    case 0: {
        mnuControl_->setEnabled(false);
        // A failure half-way (a lost link during initialisation) ends the operation but
        // must not leave the menu dead or the cursor busy.
        try {
            if (mnuControlItem_[0]->text() != u"&Disconnect")
                connectFromMenu();
            else
                disconnectFromMenu();
        } catch (const LostLinkError&) {
            EndBusy();
        } catch (const std::exception& e) {
            EndBusy();
            platform::prompts().MsgBox(QString::fromLocal8Bit(e.what()),
                                       platform::MsgIcon::Critical, platform::MsgButtons::OK,
                                       Title);
        }
        mnuControl_->setEnabled(true);
        break;
    }
    case 2:
    case 3:
    case 4: {
        frmPlaceholder* w = index == 2   ? NewPrefsWindow(this)
                            : index == 3 ? NewTipWindow(this, chkNightVision->isChecked())
                                         : NewAboutWindow(this);
        if (auto* prefs = qobject_cast<frmPrefs*>(w))
            connect(prefs, &frmPrefs::portChanged, this, &frmMain::PortChanged);
        w->exec();
        delete w;
        break;
    }
    case 7:
        close();
        break;
    default:
        break;
    }
}

void frmMain::connectFromMenu() {
    BeginBusy();
    if (ConnectAndStart(true) && agent_)
        agent_->Speak(QStringLiteral("scope is connected."));
    EndBusy();
}

bool frmMain::ConnectAndStart(bool showMessages, const QString& portSetting) {
    if (!portSetting.isNull()) {
        pendingPort_.clear();
        applyPortSetting(portSetting);
    }
    int port = 0;
    ConnectScope(port, showMessages);
    if (!ScopeConnected)
        return false;
    InitSystem();
    StartUI();
    tmr1S_->setInterval(1000);
    tmr1S_->start();
    pollCount_ = 0;
    mnuControlItem_[0]->setText(QStringLiteral("&Disconnect"));
    return true;
}

void frmMain::disconnectFromMenu() {
    BeginBusy();
    chkListen->setChecked(false);
    // The wizard first: its closing puts back the telescope's minimum elevation, which the
    // finder then saves.
    CloseAlignWizard();
    UnloadFinder();
    StopStatusTimer(); // for good: a slew or a wait running now must not restart it
    if (agent_)
        agent_->Speak(QStringLiteral("disconnecting scope."));
    WaitMs(2000);
    StopUI();
    SaveSystem();
    if (ScopeConnected) {
        try {
            SetLongFormat(false);
        } catch (const LostLinkError&) {
            // Gone meanwhile: the port is closed below all the same.
        }
    }
    DisconnectScope();
    if (!pendingPort_.isEmpty())
        applyPortSetting(std::exchange(pendingPort_, QString()));
    mnuControlItem_[0]->setText(QStringLiteral("&Connect"));
    EndBusy();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    BeginBusy();
    SaveSystem();
    if (agent_ && agent_->Active()) {
        chkListen->setChecked(false);
        agent_->Speak(QStringLiteral("Good bye"));
        WaitMs(2000);
        agent_->Hide();
        WaitMs(2000);
    }
    StopStatusTimer(); // for good: a slew or a wait running now must not restart it
    WaitMs(2000);
    StopUI();
    WaitMs(1000);

    enum class Home { NotAsked, Reached, Failed } home = Home::NotAsked;
    if (AlignmentMode == u"P" && ScopeConnected) {
        const auto answer = platform::prompts().MsgBox(
            QStringLiteral("Do you want the scope repositioned to the \"home\" position?"),
            platform::MsgIcon::Question, platform::MsgButtons::YesNo, Title);
        if (answer == platform::MsgAnswer::Yes)
            home = HomeScope() ? Home::Reached : Home::Failed;
    }
    // From here nothing may stop the program from closing.
    try {
        SetLongFormat(false);
    } catch (...) {
    }
    try {
        // The wizard first: its closing puts back the telescope's minimum elevation, which the
        // finder then saves.
        CloseAlignWizard();
        UnloadFinder();
    } catch (...) {
    }
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isWindow() && w->isVisible())
            w->close();
    DisconnectScope();
    if (home == Home::Reached)
        platform::prompts().MsgBox(
            QStringLiteral("The scope is now at home position and it's motion has been stopped."
                           "You can power down the scope now."),
            platform::MsgIcon::Information, platform::MsgButtons::OK, Title);
    else if (home == Home::Failed)
        platform::prompts().MsgBox(
            QStringLiteral("The scope did not reach its home position, and its motion may not "
                           "have been stopped. Check the scope before you power it down."),
            platform::MsgIcon::Exclamation, platform::MsgButtons::OK, Title);
    SetNightVision(false);
    EndBusy();
}

// ---- status display ----

void frmMain::tmr1S_Timer() {
    // A tick that fires inside another tick's event pump (standby's StopUI) would start a
    // second conversation in the middle of the first.
    if (inTick_)
        return;
    inTick_ = true;
    const auto done = qScopeGuard([this] { inTick_ = false; });
    pollCount_ = (pollCount_ + 1) % 60;
    try {
        if (ScopeConnected) {
            const int c = pollCount_;
            if (c % 30 == 0 || ScopeMoving)
                lblDec->setText(DisplayAngle(SendCommandString(lx::GetDec)));
            if ((c + 1) % 30 == 0 || ScopeMoving) {
                lblRA->setText(DisplayTime(SendCommandString(lx::GetRA)));
                UpdateWhatsVis();
            }
            if (c % 5 == 0 || ScopeMoving)
                lblAz->setText(DisplayAzimuth());
            if ((c + 1) % 5 == 0 || ScopeMoving) {
                lblAlt->setText(DisplayAngle(SendCommandString(lx::GetAltitude)));
                if (ScopeMoving)
                    return;
            }
            UpdateSelectedTime(true);
        } else {
            int port = 0;
            if (ConnectScope(port, false)) {
                InitSystem();
                StartUI();
                mnuControlItem_[0]->setText(QStringLiteral("&Disconnect"));
                tmr1S_->setInterval(1000);
                pollCount_ = 0;
                lblStatus->setText(QStringLiteral("scope is connected."));
            }
        }
    } catch (const LostLinkError&) {
        ScopeConnected = false; // standby has already been entered
    } catch (const std::exception& e) {
        ScopeConnected = false;
        lblStatus->setText(QString::fromLocal8Bit(e.what()));
    }
}

double frmMain::utcOffsetHours() {
    const QString reply = SendCommandString(lx::GetUtcOffset);
    try {
        return ParseNeutralNumber(reply);
    } catch (const std::exception&) {
        throw ScopeTextError(QStringLiteral("The telescope's UTC offset \"%1\" cannot be read.")
                                 .arg(reply)
                                 .toStdString());
    }
}

void frmMain::UpdateSelectedTime(bool show) {
    if (!show) {
        lblLocTime->clear();
        lblLocDate->clear();
        lblST->clear();
        return;
    }
    // An unreadable time or offset is an error of the tick, not a time of 00h 00m 00s.
    double t = ParseScopeHours(SendCommandString(lx::GetLocalTime)) / 24.0;
    if (TimeFormat == 0 || TimeFormat == 1) {
        if (TimeFormat == 1)
            t += utcOffsetHours() / 24.0;
        lblLocTime->setText(TimeOfDayText(t));
        const QString shown = lblLocTime->text();
        if (lblLocDate->text().isEmpty() || shown == u"00h 00m 00s" || shown == u"00h 00m 01s") {
            const double day =
                celest32::mdy_vb(SendCommandString(lx::GetDate).toLatin1().constData()) + t;
            lblLocDate->setText(
                QLocale().toString(celest32::DateTimeFromOle(day).date(), QLocale::ShortFormat));
        }
    } else {
        // The Julian date counts in universal time: the telescope's local date and time plus
        // its UTC offset (hours, positive west).
        const double d = celest32::mdy_vb(SendCommandString(lx::GetDate).toLatin1().constData()) +
                         t + utcOffsetHours() / 24.0;
        lblLocTime->setText(QString::number(celest32::vb_mjd(d) + 2415020.0, 'f', 5));
        lblLocDate->clear();
    }
    lblST->setText(DisplayTime(SendCommandString(lx::GetSiderealTime)));
}

QString frmMain::DisplayAzimuth() {
    return AzimuthFromSouthReply(SendCommandString(lx::GetAzimuth));
}

void frmMain::UpdateScopeCoords() {
    lblRA->setText(DisplayTime(SendCommandString(lx::GetRA)));
    lblDec->setText(DisplayAngle(SendCommandString(lx::GetDec)));
    lblAz->setText(DisplayAzimuth());
    lblAlt->setText(DisplayAngle(SendCommandString(lx::GetAltitude)));
    const QString name = SendCommandString(QStringLiteral("LI")).left(8).trimmed();
    if (name == u"NGC0") {
        lblTgtRA->setText(QStringLiteral("RA:"));
        lblTgtDec->setText(QStringLiteral("Dec:"));
        lblTgtName->clear();
        cmdSync->setEnabled(false);
    } else {
        lblTgtRA->setText(QStringLiteral("RA:   ") +
                          DisplayTimeColons(SendCommandString(lx::GetTargetRA)));
        lblTgtDec->setText(QStringLiteral("Dec: ") +
                           DisplayAngleColons(SendCommandString(lx::GetTargetDec)));
        lblTgtName->setText(name.isEmpty() || name.startsWith(u"User")
                                ? QString()
                                : name + QStringLiteral("     "));
        cmdSync->setEnabled(true);
    }
}

void frmMain::UpdateWhatsVis() {
    try {
        const QString field = SendCommandString(QStringLiteral("Lf"));
        cmdField->setEnabled(field.mid(8, 3).trimmed().toInt() >= 1);
        if (cmdField->isEnabled() && !ScopeMoving) {
            const QString name = SendCommandString(QStringLiteral("LI")).left(8).trimmed();
            if (name != lastFieldName_) {
                if (agent_ && AutoSpeakField)
                    agent_->SpeakField(name);
                lastFieldName_ = name;
            }
        }
        if (!cmdField->isEnabled() && !ScopeMoving)
            lastFieldName_.clear();
    } catch (const LostLinkError&) {
        // The telescope is gone: the caller's operation ends as well.
        cmdField->setEnabled(false);
        throw;
    } catch (const std::exception&) {
        cmdField->setEnabled(false);
    }
}

void frmMain::SwitchToStandby() {
    if (agent_)
        agent_->Speak(QStringLiteral("Scope has disappeared. Bye for now."));
    StopUI();
    SaveSystem();
    mnuControlItem_[0]->setText(QStringLiteral("&Connect"));
    tmr1S_->setInterval(5000);
}

void frmMain::StartUI() {
    UpdateWhatsVis();
    UpdateScopeCoords();
    UpdateSelectedTime(true);
    for (QWidget* w : std::initializer_list<QWidget*>{
             btnEast, btnNorth, btnSouth, btnWest, cmdTimeSync, cmdFocusIn, cmdFocusOut, sldRate,
             sldRetBlink, sldRetBrt, rbgFocus[0], rbgFocus[1], rbgTimeType[0], rbgTimeType[1],
             rbgTimeType[2]})
        w->setEnabled(true);
    if (AlignmentMode == u"P")
        chkHiPrec->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{
             cmdGoTo, cmdSite, cmdOptics, btnDeltaEast, btnDeltaNorth, btnDeltaSouth, btnDeltaWest,
             cmdFreq, cmdAlign, cmdSearch, cmdScript, cmdCatSel})
        w->setEnabled(true);
    if (agent_ && agent_->Active()) {
        chkListen->setEnabled(true);
        agent_->Show();
    }
    platform::DoEvents();
}

void frmMain::StopUI() {
    for (auto* rb : rbgTimeType)
        rb->setEnabled(false);
    rbgTimeType[std::size_t(qBound(0, TimeFormat, 2))]->setChecked(true);
    platform::DoEvents();
    UpdateSelectedTime(false);
    lblRA->clear();
    lblDec->clear();
    lblAz->clear();
    lblAlt->clear();
    for (QWidget* w : std::initializer_list<QWidget*>{
             btnEast,       btnNorth,     btnSouth,  btnWest, btnDeltaEast, btnDeltaNorth,
             btnDeltaSouth, btnDeltaWest, cmdAlign,  cmdFreq, cmdCatSel,    cmdField,
             cmdGoTo,       cmdOptics,    cmdSearch, cmdSite, cmdTimeSync,  cmdScript,
             cmdFocusIn,    cmdFocusOut,  cmdSync})
        w->setEnabled(false);
    lblTgtRA->setText(QStringLiteral("RA:"));
    lblTgtDec->setText(QStringLiteral("Dec:"));
    lblTgtName->clear();
    for (QWidget* w : std::initializer_list<QWidget*>{chkHiPrec, sldRate, sldRetBlink, sldRetBrt,
                                                      rbgFocus[0], rbgFocus[1], chkListen})
        w->setEnabled(false);
    if (agent_)
        agent_->Hide();
    platform::DoEvents();
}

void frmMain::rbgTimeType_Click(int index) {
    PutConfig(General, QStringLiteral("TimeFormat"), QString::number(index));
    TimeFormat = index;
    static const QString captions[] = {QStringLiteral("Local:"), QStringLiteral("UTC:"),
                                       QStringLiteral("Julian:")};
    lblTimeType->setText(captions[qBound(0, index, 2)]);
    lblLocDate->setVisible(index != 2);
    lblLocDate->clear();
    if (ScopeConnected) {
        try {
            UpdateSelectedTime(true);
        } catch (const LostLinkError&) {
        }
    }
}

// ---- night colours ----

void frmMain::chkNightVision_Click() {
    SetNightVision(chkNightVision->isChecked());
}

void frmMain::SetNightVision(bool on) {
    if (on && !dayPalette_) {
        dayPalette_ = QApplication::palette();
        QApplication::setPalette(nightPalette());
    } else if (!on && dayPalette_) {
        QApplication::setPalette(*dayPalette_);
        dayPalette_.reset();
    }
}

} // namespace teleon
