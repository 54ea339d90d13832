// The main window's hand controls: direction and delta buttons, speed, focus, reticle,
// high precision, clock, sync and the field list.
#include "console/frmMain.h"

#include "alignment/frmAlignWiz.h"
#include "console/frmFreq.h"
#include "selection/frmCatSel.h"
#include "selection/frmCurObjInfo.h"
#include "selection/frmFind.h"
#include "selection/frmGo.h"

#include "astro/Celest32.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/SlewEngine.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "setup/SetupWindows.h"
#include "setup/frmOptics.h"
#include "setup/frmSite.h"
#include "voice/AgentCtrl.h"

#include <QApplication>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>

#include <thread>

namespace teleon {

namespace {
const QString Title = QStringLiteral("LX-200 Vantor");
}

template <typename F> void frmMain::guarded(F&& handler) {
    try {
        handler();
    } catch (const LostLinkError&) {
        // The channel has switched the window to standby; nothing more to say.
    } catch (const std::exception& e) {
        EndBusy();
        platform::prompts().MsgBox(QString::fromLocal8Bit(e.what()), platform::MsgIcon::Critical,
                                   platform::MsgButtons::OK, Title);
    }
}

void frmMain::connectHandlers() {
    for (QPushButton* b : {btnNorth, btnSouth, btnEast, btnWest}) {
        connect(b, &QPushButton::pressed, this,
                [this, b] { guarded([&] { DirectionPressed(b); }); });
        connect(b, &QPushButton::released, this,
                [this, b] { guarded([&] { DirectionReleased(b); }); });
    }
    const auto delta = [this](QPushButton* b, double northSign, double eastSign) {
        connect(b, &QPushButton::clicked, this, [this, northSign, eastSign] {
            guarded([&] { DeltaMove(northSign * FieldHeight / 2.0, eastSign * FieldWidth / 2.0); });
        });
    };
    delta(btnDeltaNorth, 1, 0);
    delta(btnDeltaSouth, -1, 0);
    delta(btnDeltaEast, 0, 1);
    delta(btnDeltaWest, 0, -1);
    connect(sldRate, &QSlider::valueChanged, this, [this] { guarded([&] { sldRate_Change(); }); });
    for (QPushButton* b : {cmdFocusIn, cmdFocusOut}) {
        connect(b, &QPushButton::pressed, this, [this, b] { guarded([&] { FocusPressed(b); }); });
        connect(b, &QPushButton::released, this, [this, b] { guarded([&] { FocusReleased(b); }); });
    }
    for (int i = 0; i < 2; ++i)
        connect(rbgFocus[std::size_t(i)], &QRadioButton::clicked, this,
                [this, i] { guarded([&] { rbgFocus_Click(i); }); });
    connect(sldRetBlink, &QSlider::valueChanged, this,
            [this] { guarded([&] { sldRetBlink_Change(); }); });
    connect(sldRetBrt, &QSlider::valueChanged, this,
            [this] { guarded([&] { sldRetBrt_Change(); }); });
    connect(chkHiPrec, &QCheckBox::clicked, this, [this] { guarded([&] { chkHiPrec_Click(); }); });
    connect(chkListen, &QCheckBox::clicked, this, [this] { guarded([&] { chkListen_Click(); }); });
    connect(chkNightVision, &QCheckBox::clicked, this, &frmMain::chkNightVision_Click);
    connect(cmdTimeSync, &QPushButton::clicked, this,
            [this] { guarded([&] { cmdTimeSync_Click(); }); });
    connect(cmdSync, &QPushButton::clicked, this, [this] { guarded([&] { cmdSync_Click(); }); });
    connect(cmdField, &QPushButton::clicked, this, [this] { guarded([&] { cmdField_Click(); }); });
    connect(cmdFreq, &QPushButton::clicked, this, [this] { guarded([&] { cmdFreq_Click(); }); });
    connect(cmdSite, &QPushButton::clicked, this, [this] { cmdSite_Click(); });
    connect(cmdAlign, &QPushButton::clicked, this, [this] { cmdAlign_Click(); });
    connect(cmdOptics, &QPushButton::clicked, this,
            [this] { guarded([&] { cmdOptics_Click(); }); });
    connect(cmdSearch, &QPushButton::clicked, this,
            [this] { guarded([&] { cmdSearch_Click(); }); });
    connect(cmdGoTo, &QPushButton::clicked, this, [this] { guarded([&] { cmdGoTo_Click(); }); });
    connect(cmdCatSel, &QPushButton::clicked, this,
            [this] { guarded([&] { cmdCatSel_Click(); }); });
    connect(cmdScript, &QPushButton::clicked, this, [] {
        if (openScriptWindow)
            openScriptWindow();
    });
}

QPushButton* frmMain::oppositeOf(QPushButton* button) const {
    if (button == btnNorth)
        return btnSouth;
    if (button == btnSouth)
        return btnNorth;
    if (button == btnEast)
        return btnWest;
    return btnEast;
}

void frmMain::DirectionPressed(QPushButton* button) {
    oppositeOf(button)->setEnabled(false);
    ScopeMoving = true;
    SendCommandBlind(button == btnNorth   ? lx::MoveNorth
                     : button == btnSouth ? lx::MoveSouth
                     : button == btnEast  ? lx::MoveEast
                                          : lx::MoveWest);
}

void frmMain::DirectionReleased(QPushButton* button) {
    const LxCommand& stop = button == btnNorth   ? lx::StopNorth
                            : button == btnSouth ? lx::StopSouth
                            : button == btnEast  ? lx::StopEast
                                                 : lx::StopWest;
    SendCommandBlind(stop);
    std::this_thread::yield();
    SendCommandBlind(stop);
    ScopeMoving = false;
    UpdateWhatsVis();
    UpdateScopeCoords();
    if (sldRate->value() <= 1)
        WaitMs(1000);
    // A lost link above ends the handler early; the button stays disabled until StartUI.
    if (ScopeConnected)
        oppositeOf(button)->setEnabled(true);
}

bool frmMain::DeltaMove(double northArcmin, double eastArcmin) {
    QWidget* moveButtons[] = {btnNorth,      btnSouth,     btnEast,      btnWest, btnDeltaNorth,
                              btnDeltaSouth, btnDeltaEast, btnDeltaWest, cmdGoTo};
    for (QWidget* w : moveButtons)
        w->setEnabled(false);
    bool result = false;
    try {
        if (ShiftTarget(northArcmin / 60.0, eastArcmin / 60.0, true))
            result = SlewToTarget(true, false);
        UpdateWhatsVis();
        UpdateScopeCoords();
    } catch (...) {
        if (ScopeConnected)
            for (QWidget* w : moveButtons)
                w->setEnabled(true);
        throw;
    }
    for (QWidget* w : moveButtons)
        w->setEnabled(true);
    return result;
}

void frmMain::sldRate_Change() {
    static const LxCommand* rates[] = {&lx::RateSlew, &lx::RateFind, &lx::RateCentre,
                                       &lx::RateGuide};
    const int value = qBound(0, sldRate->value(), 3);
    if (ScopeConnected)
        SendCommandBlind(*rates[value]);
    SlewRateIndex = value;
}

void frmMain::FocusPressed(QPushButton* button) {
    if (button == cmdFocusIn) {
        cmdFocusOut->setEnabled(false);
        SendCommandBlind(lx::FocusIn);
    } else {
        cmdFocusIn->setEnabled(false);
        SendCommandBlind(lx::FocusOut);
    }
}

void frmMain::FocusReleased(QPushButton* button) {
    SendCommandBlind(lx::FocusStop);
    WaitMs(1000);
    if (ScopeConnected)
        (button == cmdFocusIn ? cmdFocusOut : cmdFocusIn)->setEnabled(true);
}

void frmMain::rbgFocus_Click(int index) {
    if (index == 0) {
        SendCommandBlind(lx::FocusFast);
        FastFocus = true;
    } else {
        SendCommandBlind(lx::FocusSlow);
        FastFocus = false;
    }
}

void frmMain::sldRetBlink_Change() {
    const int value = qBound(0, sldRetBlink->value(), 3);
    if (ScopeConnected)
        SendCommandBlind(lx::ReticleBlink[value]);
    ReticleBlinkIndex = value;
}

void frmMain::sldRetBrt_Change() {
    if (!ScopeConnected)
        return;
    int level = sldRetBrt->value();
    SetReticleLevel(level);
}

void frmMain::chkHiPrec_Click() {
    SetHighPrecisionPointing(chkHiPrec->isChecked());
}

void frmMain::chkListen_Click() {
    // Voice listening arrives with the voice engine; the box only records the wish until then.
}

void frmMain::cmdTimeSync_Click() {
    double now = celest32::OleFromDateTime(QDateTime::currentDateTime());
    SetScopeClock(now, true);
    lblLocDate->clear();
    UpdateSelectedTime(true);
}

void frmMain::cmdSync_Click() {
    const auto answer = platform::prompts().MsgBox(
        QStringLiteral("This will force the scope's coordinates to match ") +
            QStringLiteral(" the target coordinates. Your target object should now be ") +
            QStringLiteral(" centered as accurately as possible. Are you sure?"),
        platform::MsgIcon::Question, platform::MsgButtons::YesNo, Title);
    if (answer != platform::MsgAnswer::Yes)
        return;
    const QString reply = SendCommandString(lx::Sync);
    if (!reply.isEmpty()) {
        if (agent_ && agent_->Active())
            agent_->Speak(QStringLiteral("Scope sinked to current ob-ject"));
        else
            QApplication::beep();
        UpdateScopeCoords();
    } else {
        platform::prompts().MsgBox(QStringLiteral("Sync failed"), platform::MsgIcon::Exclamation,
                                   platform::MsgButtons::OK, Title);
    }
}

namespace {

// Shows a window that is loaded once and kept (not modal).
template <typename Window> void showKept(QPointer<Window>& window, QWidget* owner) {
    if (!window)
        window = new Window(owner);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void frmMain::cmdField_Click() {
    showKept(frmCurObjInfo_, this);
}
void frmMain::cmdGoTo_Click() {
    showKept(frmGo_, this);
}
void frmMain::cmdCatSel_Click() {
    showKept(frmCatSel_, this);
}

void frmMain::cmdSite_Click() {
    // Errors of the site editor are its own business: it reports them itself.
    try {
        frmSite site(this);
        site.exec();
    } catch (...) {
    }
}

void frmMain::cmdAlign_Click() {
    // Errors of the wizard are its own business: it reports them itself.
    try {
        showKept(frmAlignWiz_, this);
    } catch (...) {
    }
}

void frmMain::cmdOptics_Click() {
    {
        frmOptics optics(this);
        optics.exec();
    }
    UpdateWhatsVis();
}

void frmMain::cmdSearch_Click() {
    const bool isNew = !frmFind_;
    showKept(frmFind_, this);
    if (isNew)
        InstallFinderBars(frmFind_);
}

frmFind* frmMain::LoadFinder() {
    if (!frmFind_) {
        frmFind_ = new frmFind(this);
        InstallFinderBars(frmFind_);
    }
    if (!frmFind_->isLoaded())
        frmFind_->Form_Load();
    return frmFind_;
}

frmFind* frmMain::Finder() const {
    return frmFind_;
}

void frmMain::UnloadFinder() {
    if (frmFind_ && frmFind_->isLoaded()) {
        frmFind_->Form_Unload();
        frmFind_->hide();
    }
}

void frmMain::cmdFreq_Click() {
    frmFreq window(this);
    window.exec();
}

// ---- keyboard: the arrow keys act as the direction buttons while the window has focus ----

QPushButton* frmMain::directionForKey(int key) const {
    switch (key) {
    case Qt::Key_Up:
        return btnNorth;
    case Qt::Key_Down:
        return btnSouth;
    case Qt::Key_Left:
        return btnEast; // east is on the left of the sky as seen looking south
    case Qt::Key_Right:
        return btnWest;
    default:
        return nullptr;
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const bool textField =
            qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
            qobject_cast<QTextEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
            (qobject_cast<QComboBox*>(widget) && static_cast<QComboBox*>(widget)->isEditable());
        if (widget->window() == this && !textField &&
            arrowKey(static_cast<QKeyEvent*>(event), event->type() == QEvent::KeyPress))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmMain::arrowKey(QKeyEvent* event, bool pressed) {
    QPushButton* b = directionForKey(event->key());
    if (!b || (event->modifiers() & ~Qt::KeypadModifier))
        return false;
    event->accept();
    if (event->isAutoRepeat())
        return true;
    if (pressed) {
        if (heldKeyButton_ || !b->isEnabled())
            return true;
        heldKeyButton_ = b;
        b->setDown(true);
        guarded([&] { DirectionPressed(b); });
    } else if (b == heldKeyButton_) {
        heldKeyButton_ = nullptr;
        b->setDown(false);
        guarded([&] { DirectionReleased(b); });
    }
    return true;
}

void frmMain::CloseAlignWizard() {
    if (frmAlignWiz_)
        frmAlignWiz_->close();
}

bool frmMain::HomeScope() {
    try {
        const QString st = SendCommandString(lx::GetSiderealTime);
        if (!SendCommandBool(lx::SetTargetRA, st) ||
            !SendCommandBool(lx::SetTargetDec, QStringLiteral("00:00:00")))
            return false;
        if (!SlewToTarget(true, false))
            return false;
        SendCommandBlind(lx::RateGuide);
        ScopeMoving = true;
        SendCommandBlind(lx::MoveEast);
        return true;
    } catch (const std::exception&) {
        return false; // a lost link, or a reply that cannot be read
    }
}

} // namespace teleon
