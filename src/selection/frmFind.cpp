#include "selection/frmFind.h"

#include "console/Registry.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/SlewEngine.h"
#include "link/Utilities.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "selection/HandlerGuard.h"
#include "selection/ObjectCodes.h"

#include "platform/WidgetKit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>
#include <exception>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
const QString FilterSection = QStringLiteral("Filter");
const QString MagnitudePattern = QStringLiteral("000.0");

constexpr int BarLength = 16;
constexpr int QualityCodeCount = 7;
// The sliders hold the telescope's value counted down from these: elevation 60 - value, sizes
// 200 - value. The magnitude sliders hold (magnitude + 2) x 5.
constexpr int ElevationTop = 60;
constexpr int SizeTop = 200;
constexpr double MagnitudeOffset = 2.0;
constexpr double MagnitudeSteps = 5.0;

// A check box's letter in the "Gy" and "Sy" texts, in the order of ObjectKind.
constexpr char TypeLetters[] = {'G', 'P', 'D', 'C', 'O'};

void warn(const QString& text) {
    platform::prompts().MsgBox(text, platform::MsgIcon::Exclamation, platform::MsgButtons::OK,
                               Title);
}

// VB's Trim: blanks only, not other white space.
QString trimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

// The whole number at the start of text's first count characters; 0 when there is none.
int leadingInteger(const QString& text, int count) {
    const QString head = trimBlanks(text.left(count));
    qsizetype end = 0;
    if (end < head.size() && (head[end] == u'-' || head[end] == u'+'))
        ++end;
    while (end < head.size() && head[end].isDigit())
        ++end;
    bool ok = false;
    const int value = head.left(end).toInt(&ok);
    return ok ? value : 0;
}

// The magnitude slider value of a "Gb"/"Gf" reply: the integer part of (magnitude + 2) x 5. A
// magnitude that the slider wrote (-1.8 is slider 1) can come back a hair short of its step in
// binary (0.99999...), so the step is taken when the product is within a millionth of it.
int magnitudeSliderValue(const QString& reply) {
    const double steps = (ParseNeutralNumber(reply) + MagnitudeOffset) * MagnitudeSteps;
    return static_cast<int>(std::floor(steps + 1e-6));
}

using ui::button;
using ui::checkBox;

QSlider* slider(QWidget* parent, const char* name, int minimum, int maximum) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(minimum, maximum);
    s->setValue(minimum);
    // The change handler runs when the thumb is let go, not for every step of a drag.
    s->setTracking(false);
    return s;
}

QLabel* resultLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QProgressBar* bars(QWidget* parent, const char* name) {
    auto* p = new QProgressBar(parent);
    p->setObjectName(QLatin1String(name));
    p->setRange(0, BarLength);
    p->setValue(0);
    p->setTextVisible(false);
    return p;
}

} // namespace

frmFind::frmFind(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Catalog Search"));
    setModal(false);

    auto* fraTypes = new QGroupBox(QStringLiteral("Include Objects"), this);
    fraTypes->setObjectName(QStringLiteral("fraTypes"));
    chkGAL = checkBox(fraTypes, "chkGAL", QStringLiteral("Galaxies"));
    chkPNEB = checkBox(fraTypes, "chkPNEB", QStringLiteral("Planetary Nebulae"));
    chkDNEB = checkBox(fraTypes, "chkDNEB", QStringLiteral("Diffuse Nebulae"));
    chkGLOB = checkBox(fraTypes, "chkGLOB", QStringLiteral("Globular Clusters"));
    chkOPEN = checkBox(fraTypes, "chkOPEN", QStringLiteral("Open Clusters"));
    auto* types = new QVBoxLayout(fraTypes);
    for (QCheckBox* box : {chkGAL, chkPNEB, chkDNEB, chkGLOB, chkOPEN})
        types->addWidget(box);

    auto* fraLimits = new QGroupBox(QStringLiteral("Limits"), this);
    fraLimits->setObjectName(QStringLiteral("fraLimits"));
    sldMinQual = slider(fraLimits, "sldMinQual", 0, QualityCodeCount - 1);
    sldMinEl = slider(fraLimits, "sldMinEl", 0, ElevationTop);
    sldMaxEl = slider(fraLimits, "sldMaxEl", 30, 90);
    sldMinMag = slider(fraLimits, "sldMinMag", 0, 100);
    sldMaxMag = slider(fraLimits, "sldMaxMag", 0, 100);
    sldMinSize = slider(fraLimits, "sldMinSize", 0, SizeTop);
    sldMaxSize = slider(fraLimits, "sldMaxSize", 0, SizeTop);
    chkFitFOV = checkBox(fraLimits, "chkFitFOV", QStringLiteral("Must fit in FOV"));
    auto* limits = new QGridLayout(fraLimits);
    const std::pair<QString, QSlider*> rows[] = {
        {QStringLiteral("Quality (best to any)"), sldMinQual},
        {QStringLiteral("Lowest elevation (high to low)"), sldMinEl},
        {QStringLiteral("Highest elevation"), sldMaxEl},
        {QStringLiteral("Brightest magnitude"), sldMinMag},
        {QStringLiteral("Faintest magnitude"), sldMaxMag},
        {QStringLiteral("Smallest size (large to small)"), sldMinSize},
        {QStringLiteral("Largest size (large to small)"), sldMaxSize},
    };
    int row = 0;
    for (const auto& [caption, s] : rows) {
        limits->addWidget(new QLabel(caption, fraLimits), row, 0);
        limits->addWidget(s, row, 1);
        ++row;
    }
    limits->addWidget(chkFitFOV, row, 1);

    auto* lblNote1 = new QLabel(QStringLiteral("These settings limit the objects that can be "
                                               "selected"),
                                this);
    lblNote1->setObjectName(QStringLiteral("lblNote1"));
    auto* lblNote2 = new QLabel(QStringLiteral("Change any filter to start a new search"), this);
    lblNote2->setObjectName(QStringLiteral("lblNote2"));

    auto* fraResult = new QGroupBox(QStringLiteral("Object"), this);
    fraResult->setObjectName(QStringLiteral("fraResult"));
    lblName = resultLabel(fraResult, "lblName");
    lblType = resultLabel(fraResult, "lblType");
    lblMag = resultLabel(fraResult, "lblMag");
    lblSize = resultLabel(fraResult, "lblSize");
    lblQual = resultLabel(fraResult, "lblQual");
    prgRA = bars(fraResult, "prgRA");
    prgDec = bars(fraResult, "prgDec");
    auto* result = new QGridLayout(fraResult);
    const std::pair<QString, QWidget*> fields[] = {
        {QStringLiteral("Name:"), lblName},     {QStringLiteral("Type:"), lblType},
        {QStringLiteral("Magnitude:"), lblMag}, {QStringLiteral("Size:"), lblSize},
        {QStringLiteral("Quality:"), lblQual},  {QStringLiteral("RA:"), prgRA},
        {QStringLiteral("Dec:"), prgDec},
    };
    row = 0;
    for (const auto& [caption, w] : fields) {
        result->addWidget(new QLabel(caption, fraResult), row, 0);
        result->addWidget(w, row, 1);
        ++row;
    }
    result->setColumnMinimumWidth(1, 260);

    cmdFind = button(this, "cmdFind", QStringLiteral("Find"));
    cmdPrev = button(this, "cmdPrev", QStringLiteral("Prev"));
    cmdNext = button(this, "cmdNext", QStringLiteral("Next"));
    cmdGoTo = button(this, "cmdGoTo", QStringLiteral("Go To"));
    cmdHalt = button(this, "cmdHalt", QStringLiteral("STOP"));
    cmdClose = button(this, "cmdClose", QStringLiteral("Close"));

    auto* top = new QHBoxLayout;
    top->addWidget(fraTypes);
    top->addWidget(fraLimits, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdFind, cmdPrev, cmdNext, cmdGoTo, cmdHalt})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addWidget(lblNote1);
    outer->addWidget(lblNote2);
    outer->addWidget(fraResult);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // The design-time state: no search, nothing moving.
    cmdHalt->setEnabled(false);
    ResetFindUI();

    connect(chkGAL, &QCheckBox::clicked, this, &frmFind::chkGAL_Click);
    connect(chkPNEB, &QCheckBox::clicked, this, &frmFind::chkPNEB_Click);
    connect(chkDNEB, &QCheckBox::clicked, this, &frmFind::chkDNEB_Click);
    connect(chkGLOB, &QCheckBox::clicked, this, &frmFind::chkGLOB_Click);
    connect(chkOPEN, &QCheckBox::clicked, this, &frmFind::chkOPEN_Click);
    connect(chkFitFOV, &QCheckBox::clicked, this, &frmFind::chkFitFOV_Click);
    connect(sldMinQual, &QSlider::valueChanged, this, &frmFind::sldMinQual_Change);
    connect(sldMinEl, &QSlider::valueChanged, this, &frmFind::sldMinEl_Change);
    connect(sldMinSize, &QSlider::valueChanged, this, &frmFind::sldMinSize_Change);
    connect(sldMaxSize, &QSlider::valueChanged, this, &frmFind::sldMaxSize_Change);
    connect(sldMinMag, &QSlider::valueChanged, this, &frmFind::sldMinMag_Change);
    connect(sldMaxMag, &QSlider::valueChanged, this, &frmFind::sldMaxMag_Change);
    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmFind::cmdNext_Click);
    connect(cmdPrev, &QPushButton::clicked, this, &frmFind::cmdPrev_Click);
    connect(cmdGoTo, &QPushButton::clicked, this, &frmFind::cmdGoTo_Click);
    connect(cmdHalt, &QPushButton::clicked, this, &frmFind::cmdHalt_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmFind::cmdClose_Click);
    // Take the laid-out size now: the native window is created at this size when first shown.
    adjustSize();
}

// ---- Loading and unloading ----

void frmFind::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmFind::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QDialog::closeEvent(event);
}

void frmFind::reject() {
    hide();
}

void frmFind::Form_Load() {
    loaded_ = true;
    // A window loads fresh: "Must fit in FOV" clear until the store says otherwise.
    setQuietly(chkFitFOV, false);

    adjustSize();
    if (const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 3);
    }
    sldMaxEl->setEnabled(false);

    RunHandler([this] {
        UpdateObjFilters();
        const QString useFov = GetConfig(FilterSection, QStringLiteral("UseFOV"));
        SetFitFOV(leadingInteger(useFov, int(useFov.size())) != 0);
    });
    prgRA->setValue(0);
    prgDec->setValue(0);
    ResetFindUI();
    EndBusy();
    platform::DoEvents();
}

void frmFind::Form_Unload() {
    if (!loaded_)
        return;
    loaded_ = false;
    // Each value as the telescope reports it now; none of them when the telescope cannot be
    // asked (no link, or it stops answering), so the store never holds a mixture of two moments.
    QList<std::pair<QString, QString>> values;
    if (ScopeConnected) {
        try {
            const std::pair<const char*, const LxCommand*> reads[] = {
                {"Types", &lx::GetFilterTypes},    {"MinQual", &lx::GetMinQuality},
                {"MinElev", &lx::GetMinElevation}, {"MaxElev", nullptr},
                {"MinMag", &lx::GetBrightMag},     {"MaxMag", &lx::GetFaintMag},
                {"MinSize", &lx::GetMinSize},      {"MaxSize", &lx::GetMaxSize},
            };
            for (const auto& [key, command] : reads)
                values.append({QLatin1String(key),
                               command ? SendCommandString(*command) : QStringLiteral("unsup")});
        } catch (const std::exception&) {
            values.clear();
        }
    }
    values.append({QStringLiteral("UseFOV"), QString::number(chkFitFOV->isChecked() ? 1 : 0)});
    for (const auto& [key, value] : values)
        PutConfig(FilterSection, key, value);
}

// ---- Filters ----

void frmFind::UpdateObjFilters() {
    // Nothing read here goes back to the telescope: the handlers see Updating.
    Updating = true;
    try {
        const QString types = SendCommandString(lx::GetFilterTypes);
        for (int i = 0; i < 5; ++i) {
            const auto kind = static_cast<ObjectKind>(i);
            SetTypeIncluded(kind, types.contains(QLatin1Char(TypeLetters[i])));
        }
        SetMinQualSlider(GetQualVal());
        SetMinElSlider(ElevationTop - leadingInteger(SendCommandString(lx::GetMinElevation), 2));
        SetMinMagSlider(magnitudeSliderValue(SendCommandString(lx::GetBrightMag)));
        SetMaxMagSlider(magnitudeSliderValue(SendCommandString(lx::GetFaintMag)));
        SetMinSizeSlider(SizeTop - leadingInteger(SendCommandString(lx::GetMinSize), 3));
        SetMaxSizeSlider(SizeTop - leadingInteger(SendCommandString(lx::GetMaxSize), 3));
    } catch (...) {
        Updating = false;
        throw;
    }
    Updating = false;
}

qint16 frmFind::GetQualVal() {
    const int value = QualitySliderValue(SendCommandString(lx::GetMinQuality));
    if (value >= 0)
        return qint16(value);
    warn(QStringLiteral("Bad filter quality"));
    return QualityCodeCount - 1;
}

void frmFind::SetTypeFilter() {
    QString letters;
    for (int i = 0; i < 5; ++i) {
        const QChar letter = QLatin1Char(TypeLetters[i]);
        letters += TypeIncluded(static_cast<ObjectKind>(i)) ? letter : letter.toLower();
    }
    SendCommandBool(lx::SetFilterTypes, QStringLiteral(" ") + letters);
}

void frmFind::SetQuality() {
    const QString wanted = QualityCodeOf(sldMinQual->value());
    // The telescope steps round its seven codes; one full round meets every code it has.
    QString reported = SendCommandString(lx::GetMinQuality);
    for (int step = 0; reported != wanted && step < QualityCodeCount; ++step) {
        SendCommandBlind(lx::StepMinQuality);
        reported = SendCommandString(lx::GetMinQuality);
    }
    if (reported != wanted)
        warn(QStringLiteral("The telescope does not offer the minimum quality \"%1\"; it stays at "
                            "\"%2\".")
                 .arg(wanted, reported));
}

void frmFind::ResetFindUI() {
    cmdPrev->setEnabled(false);
    cmdNext->setEnabled(false);
    cmdGoTo->setEnabled(false);
    cmdFind->setEnabled(true);
    prgRA->setValue(0);
    prgDec->setValue(0);
    for (QLabel* label : {lblName, lblType, lblMag, lblSize, lblQual})
        label->clear();
}

void frmFind::setQuietly(QCheckBox* box, bool checked) {
    const QSignalBlocker block(box);
    box->setChecked(checked);
}

QCheckBox* frmFind::typeBox(ObjectKind kind) const {
    switch (kind) {
    case ObjectKind::Galaxies:
        return chkGAL;
    case ObjectKind::PlanetaryNebulae:
        return chkPNEB;
    case ObjectKind::DiffuseNebulae:
        return chkDNEB;
    case ObjectKind::GlobularClusters:
        return chkGLOB;
    case ObjectKind::OpenClusters:
        break;
    }
    return chkOPEN;
}

bool frmFind::TypeIncluded(ObjectKind kind) const {
    return typeBox(kind)->isChecked();
}

void frmFind::SetTypeIncluded(ObjectKind kind, bool included) {
    QCheckBox* box = typeBox(kind);
    if (box->isChecked() == included)
        return;
    setQuietly(box, included);
    if (!Updating) {
        ResetFindUI();
        SetTypeFilter();
    }
}

void frmFind::SetFitFOV(bool fit) {
    if (chkFitFOV->isChecked() == fit)
        return;
    setQuietly(chkFitFOV, fit);
    ResetFindUI();
    if (!fit)
        return;
    // The field's diameter in whole arc-minutes (rounded as a 16-bit conversion rounds, half to
    // even). A field wider than the slider's 200 arc-minutes leaves the largest size at 200.
    const int diameterArcmin = static_cast<int>(std::nearbyint(2.0 * FieldRadius));
    SetMaxSizeSlider(SizeTop - diameterArcmin);
    SetMinSizeSlider(sldMinSize->maximum());
    setQuietly(chkFitFOV, true);
}

namespace {
// Moves a slider without its signal; true when its value changed.
bool moveQuietly(QSlider* s, int value) {
    const int old = s->value();
    const QSignalBlocker block(s);
    s->setValue(value); // clamped to the slider's range
    return s->value() != old;
}
} // namespace

void frmFind::SetMinQualSlider(int value) {
    if (moveQuietly(sldMinQual, value) && !Updating) {
        ResetFindUI();
        SetQuality();
    }
}

void frmFind::SetMinElSlider(int value) {
    if (moveQuietly(sldMinEl, value))
        sendSliderCommand(sldMinEl);
}

void frmFind::SetMinSizeSlider(int value) {
    if (moveQuietly(sldMinSize, value))
        sendSliderCommand(sldMinSize);
}

void frmFind::SetMaxSizeSlider(int value) {
    if (moveQuietly(sldMaxSize, value))
        sendSliderCommand(sldMaxSize);
}

void frmFind::SetMinMagSlider(int value) {
    if (moveQuietly(sldMinMag, value))
        sendSliderCommand(sldMinMag);
}

void frmFind::SetMaxMagSlider(int value) {
    if (moveQuietly(sldMaxMag, value))
        sendSliderCommand(sldMaxMag);
}

void frmFind::sendSliderCommand(QSlider* s) {
    if (Updating)
        return;
    ResetFindUI();
    const int v = s->value();
    const LxCommand* command = nullptr;
    QString value;
    QString failure;
    if (s == sldMinEl) {
        command = &lx::SetMinElevation;
        value = QString::number(ElevationTop - v);
        failure = QStringLiteral("Failed to set min elevation");
    } else if (s == sldMinSize || s == sldMaxSize) {
        setQuietly(chkFitFOV, false);
        command = s == sldMinSize ? &lx::SetMinSize : &lx::SetMaxSize;
        value = QString::number(SizeTop - v);
        failure = s == sldMinSize ? QStringLiteral("Failed to set min size")
                                  : QStringLiteral("Failed to set max size");
    } else {
        command = s == sldMinMag ? &lx::SetBrightMag : &lx::SetFaintMag;
        value = FormatNeutralNumber(v / MagnitudeSteps - MagnitudeOffset, MagnitudePattern);
        failure = s == sldMinMag ? QStringLiteral("Failed to set min brightness")
                                 : QStringLiteral("Failed to set max brightness");
    }
    if (!SendCommandBool(*command, QStringLiteral(" ") + value))
        warn(failure);
}

// ---- Event handlers ----

void frmFind::chkGAL_Click() {
    RunHandler([this] {
        ResetFindUI();
        SetTypeFilter();
    });
}

void frmFind::chkPNEB_Click() {
    chkGAL_Click(); // every type box does the same: the filter is sent from all five
}

void frmFind::chkDNEB_Click() {
    chkGAL_Click();
}

void frmFind::chkGLOB_Click() {
    chkGAL_Click();
}

void frmFind::chkOPEN_Click() {
    chkGAL_Click();
}

void frmFind::chkFitFOV_Click() {
    RunHandler([this] {
        // The click has already changed the box; run its handler as SetFitFOV would.
        const bool fit = chkFitFOV->isChecked();
        setQuietly(chkFitFOV, !fit);
        SetFitFOV(fit);
    });
}

void frmFind::sldMinQual_Change() {
    if (Updating)
        return;
    RunHandler([this] {
        ResetFindUI();
        SetQuality();
    });
}

void frmFind::sldMinEl_Change() {
    RunHandler([this] { sendSliderCommand(sldMinEl); });
}

void frmFind::sldMinSize_Change() {
    RunHandler([this] { sendSliderCommand(sldMinSize); });
}

void frmFind::sldMaxSize_Change() {
    RunHandler([this] { sendSliderCommand(sldMaxSize); });
}

void frmFind::sldMinMag_Change() {
    RunHandler([this] { sendSliderCommand(sldMinMag); });
}

void frmFind::sldMaxMag_Change() {
    RunHandler([this] { sendSliderCommand(sldMaxMag); });
}

// ---- Search ----

void frmFind::enableResultButtons(bool found) {
    cmdPrev->setEnabled(found);
    cmdNext->setEnabled(found);
    cmdGoTo->setEnabled(found);
    cmdFind->setEnabled(!found);
}

void frmFind::cmdFind_Click() {
    RunHandler([this] {
        {
            const BusyGuard busy;
            SendCommandBlind(lx::FindFirst);
            WaitMs(500);
        }
        if (SendCommandString(lx::GetObjectInfo).left(11) == u"No matching") {
            warn(QStringLiteral("Nothing found within limits. Check your filter settings."));
            ResetFindUI();
            return;
        }
        ShowCurObject();
        enableResultButtons(true);
    });
}

void frmFind::cmdNext_Click() {
    RunHandler([this] {
        SendCommandBlind(lx::FindNext);
        ShowCurObject();
    });
}

void frmFind::cmdPrev_Click() {
    RunHandler([this] {
        SendCommandBlind(lx::FindPrevious);
        ShowCurObject();
    });
}

void frmFind::ShowCurObject() {
    const ObjectInfo info = ParseObjectInfo(SendCommandString(lx::GetObjectInfo));
    lblName->setText(info.name);
    lblType->setText(info.typeText);
    lblMag->setText(info.coordinatesOnly ? QString() : info.magnitude);
    lblSize->setText(info.coordinatesOnly ? QString() : info.size);
    lblQual->setText(info.coordinatesOnly ? QString() : info.qualityText);
    SetBars(SendCommandString(lx::GetDistanceBars));
}

void frmFind::SetBars(const QString& bars) {
    prgRA->setValue(int(trimBlanks(bars.left(BarLength)).size()));
    prgDec->setValue(int(trimBlanks(bars.right(BarLength)).size()));
}

void frmFind::cmdGoTo_Click() {
    cmdHalt->setEnabled(true);
    cmdGoTo->setEnabled(false);
    platform::DoEvents();
    const bool finished = RunHandler([] { SlewToTarget(false, false); });
    cmdGoTo->setEnabled(true);
    cmdHalt->setEnabled(false);
    if (!finished)
        return;
    RunHandler([] {
        if (Hooks().UpdateWhatsVis)
            Hooks().UpdateWhatsVis();
        if (Hooks().UpdateScopeCoords)
            Hooks().UpdateScopeCoords();
    });
}

void frmFind::cmdHalt_Click() {
    RunHandler([] { HaltSlew(); });
}

void frmFind::cmdClose_Click() {
    hide();
    platform::DoEvents();
}

namespace {
frmFind* finderWithBars = nullptr; // the finder that Hooks().SetFinderBars feeds
} // namespace

void InstallFinderBars(frmFind* finder) {
    finderWithBars = finder;
    if (!finder) {
        Hooks().SetFinderBars = nullptr;
        return;
    }
    Hooks().SetFinderBars = [finder](const QString& bars) { finder->SetBars(bars); };
    QObject::connect(finder, &QObject::destroyed, [finder] {
        if (finderWithBars != finder)
            return; // another finder has taken the bars since
        finderWithBars = nullptr;
        Hooks().SetFinderBars = nullptr;
    });
}

} // namespace teleon
