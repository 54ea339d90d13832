#include "console/frmFreq.h"

#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/Utilities.h"
#include "platform/Prompts.h"

#include "platform/WidgetKit.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <exception>

namespace teleon {

namespace {

const QString FrequencyPattern = QStringLiteral("00.0");
const QString EmptyManualCaption = QStringLiteral("Manual ()");
constexpr double SiderealHz = 60.1;
constexpr double SolarHz = 60.0;
constexpr double LunarHz = 57.9;
constexpr double StepHz = 0.1;

using ui::button;
using ui::radio;

// "ST " and the frequency with one decimal and "." in every locale: 57.9 is "ST 57.9".
void sendManualFrequency(double hz) {
    SendCommandBool(lx::SetTrackFrequency, FormatNeutralNumber(hz, FrequencyPattern));
}

} // namespace

frmFreq::frmFreq(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFreq"));
    setWindowTitle(QStringLiteral("Teleon Control"));
    setModal(false);

    auto* fraSpeed = new QGroupBox(QStringLiteral("Tracking Speed"), this);
    fraSpeed->setObjectName(QStringLiteral("fraSpeed"));
    optSidereal = radio(fraSpeed, "optSidereal", QStringLiteral("Sidereal (60.1)"));
    optSolar = radio(fraSpeed, "optSolar", QStringLiteral("Solar/Planetary (60.0)"));
    optLunar = radio(fraSpeed, "optLunar", QStringLiteral("Lunar (57.9)"));
    optManual = radio(fraSpeed, "optManual", EmptyManualCaption);
    cmdInc = button(fraSpeed, "cmdInc", QStringLiteral("Increase"));
    cmdDec = button(fraSpeed, "cmdDec", QStringLiteral("Decrease"));
    auto* speed = new QGridLayout(fraSpeed);
    speed->addWidget(optSidereal, 0, 0);
    speed->addWidget(optSolar, 1, 0);
    speed->addWidget(optLunar, 2, 0);
    speed->addWidget(optManual, 3, 0);
    auto* steps = new QHBoxLayout;
    steps->addWidget(cmdInc);
    steps->addWidget(cmdDec);
    speed->addLayout(steps, 4, 0);

    lblNote = new QLabel(QStringLiteral("Changes take effect immediately"), this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    cmdOK = button(this, "cmdOK", QStringLiteral("OK"));
    cmdOK->setDefault(true);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(fraSpeed);
    outer->addWidget(lblNote);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdOK);
    outer->addLayout(bottom);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // The design-time state: Sidereal selected, no manual value, step buttons off.
    optSidereal->setChecked(true);
    setStepButtons();

    connect(optSidereal, &QRadioButton::clicked, this, &frmFreq::optSidereal_Click);
    connect(optSolar, &QRadioButton::clicked, this, &frmFreq::optSolar_Click);
    connect(optLunar, &QRadioButton::clicked, this, &frmFreq::optLunar_Click);
    connect(optManual, &QRadioButton::clicked, this, &frmFreq::optManual_Click);
    connect(cmdInc, &QPushButton::clicked, this, &frmFreq::cmdInc_Click);
    connect(cmdDec, &QPushButton::clicked, this, &frmFreq::cmdDec_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmFreq::cmdOK_Click);
}

QRadioButton* frmFreq::option(Rate rate) const {
    switch (rate) {
    case Rate::Sidereal:
        return optSidereal;
    case Rate::Solar:
        return optSolar;
    case Rate::Lunar:
        return optLunar;
    case Rate::Manual:
        break;
    }
    return optManual;
}

template <typename Body> void frmFreq::guarded(Body body) {
    try {
        body();
    } catch (const LostLinkError&) {
        // The main window has gone to standby already; this window stays as it is.
        setStepButtons();
    } catch (const std::exception& e) {
        setStepButtons();
        platform::prompts().MsgBox(QString::fromLocal8Bit(e.what()), platform::MsgIcon::Critical,
                                   platform::MsgButtons::OK, QStringLiteral("LX-200 Vantor"));
    }
}

void frmFreq::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmFreq::done(int result) {
    loaded_ = false;
    QDialog::done(result);
}

void frmFreq::Form_Load() {
    loaded_ = true;
    // A window loads fresh: the design-time option, no manual value.
    optSidereal->setChecked(true);
    selected_ = Rate::Sidereal;
    optManual->setText(EmptyManualCaption);
    setStepButtons();

    adjustSize();
    if (const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 3);
    }

    guarded([this] {
        TrackFrequency = ParseNeutralNumber(SendCommandString(lx::GetTrackFrequency));
        const Rate rate = TrackFrequency == SiderealHz ? Rate::Sidereal
                          : TrackFrequency == SolarHz  ? Rate::Solar
                          : TrackFrequency == LunarHz  ? Rate::Lunar
                                                       : Rate::Manual;
        select(rate);
        UpdateFreqUI();
    });
}

void frmFreq::select(Rate rate) {
    const bool changed = rate != selected_;
    option(rate)->setChecked(true);
    selected_ = rate;
    if (changed)
        sendRate(rate);
}

void frmFreq::sendRate(Rate rate) {
    switch (rate) {
    case Rate::Sidereal:
        SendCommandBlind(lx::TrackSidereal);
        TrackFrequency = SiderealHz;
        break;
    case Rate::Solar:
        SendCommandBlind(lx::TrackManual);
        sendManualFrequency(SolarHz);
        TrackFrequency = SolarHz;
        break;
    case Rate::Lunar:
        SendCommandBlind(lx::TrackManual);
        sendManualFrequency(LunarHz);
        TrackFrequency = LunarHz;
        break;
    case Rate::Manual:
        SendCommandBlind(lx::TrackManual);
        sendManualFrequency(TrackFrequency);
        break;
    }
}

void frmFreq::setStepButtons() {
    const bool manual = selected_ == Rate::Manual;
    cmdInc->setEnabled(manual);
    cmdDec->setEnabled(manual);
}

void frmFreq::UpdateFreqUI() {
    if (selected_ != Rate::Manual) {
        optManual->setText(EmptyManualCaption);
        setStepButtons();
        return;
    }
    const QString reply = SendCommandString(lx::GetTrackFrequency);
    optManual->setText(QStringLiteral("Manual (") + reply + u')');
    setStepButtons();
}

void frmFreq::optSidereal_Click() {
    guarded([this] {
        select(Rate::Sidereal);
        UpdateFreqUI();
    });
}

void frmFreq::optSolar_Click() {
    guarded([this] {
        select(Rate::Solar);
        UpdateFreqUI();
    });
}

void frmFreq::optLunar_Click() {
    guarded([this] {
        select(Rate::Lunar);
        UpdateFreqUI();
    });
}

void frmFreq::optManual_Click() {
    guarded([this] {
        select(Rate::Manual);
        UpdateFreqUI();
    });
}

void frmFreq::step(double stepHz) {
    TrackFrequency += stepHz;
    sendManualFrequency(TrackFrequency);
}

void frmFreq::cmdInc_Click() {
    guarded([this] {
        step(StepHz);
        UpdateFreqUI();
    });
}

void frmFreq::cmdDec_Click() {
    guarded([this] {
        step(-StepHz);
        UpdateFreqUI();
    });
}

void frmFreq::cmdOK_Click() {
    close();
}

} // namespace teleon
