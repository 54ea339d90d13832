#include "selection/frmGo.h"

#include "console/Registry.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/SlewEngine.h"
#include "link/Utilities.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"
#include "selection/HandlerGuard.h"

#include "platform/WidgetKit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
const QString AlignStarsSection = QStringLiteral("Align Stars");
constexpr double ShiftLimitArcmin = 300.0;
constexpr int FirstPlanetStar = 901; // Mercury; Pluto is 909
constexpr int FillFailureExitCode = 1;

using Option = frmGo::Option;

using ui::button;
using ui::radio;

QLineEdit* textBox(QWidget* parent, const char* name) {
    auto* t = new QLineEdit(parent);
    t->setObjectName(QLatin1String(name));
    return t;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

// A field of fixed-position text read as an integer: digits with an optional sign and blanks
// around them. nullopt when it is anything else.
std::optional<int> integerField(const QString& text, qsizetype from, qsizetype length) {
    const QString field = text.mid(from, length).trimmed();
    if (field.isEmpty())
        return std::nullopt;
    qsizetype i = field.front() == u'+' || field.front() == u'-' ? 1 : 0;
    if (i == field.size())
        return std::nullopt;
    for (; i < field.size(); ++i)
        if (field.at(i) < u'0' || field.at(i) > u'9')
            return std::nullopt;
    return field.toInt();
}

bool isCatalogue(Option o) {
    return o != Option::Coord && o != Option::Shift && o != Option::Planet &&
           o != Option::AlignStar;
}

void message(const QString& text, platform::MsgIcon icon) {
    platform::prompts().MsgBox(text, icon, platform::MsgButtons::OK, Title);
}

} // namespace

void FillListFromSection(QComboBox* list, const QString& section) {
    const auto values = EnumConfigSection(section);
    if (!values) {
        message(QStringLiteral("Failed to find ") + section +
                    QStringLiteral(" section in registry"),
                platform::MsgIcon::Critical);
        platform::EndProgram(FillFailureExitCode);
    }
    for (const ConfigValue& value : *values) {
        bool ok = false;
        const qint32 data = value.second.trimmed().toInt(&ok);
        list->addItem(value.first, ok ? data : 0);
    }
}

frmGo::frmGo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmGo"));
    setWindowTitle(QStringLiteral("Go To"));
    setModal(false);

    auto* fraDest = new QGroupBox(QStringLiteral("Destination"), this);
    fraDest->setObjectName(QStringLiteral("fraDest"));
    optCoord = radio(fraDest, "optCoord", QStringLiteral("Coordinates"));
    OptShift = radio(fraDest, "OptShift", QStringLiteral("Small Position Shift"));
    optMessier = radio(fraDest, "optMessier", QStringLiteral("Messier"));
    optNGC = radio(fraDest, "optNGC", QStringLiteral("NGC"));
    optIC = radio(fraDest, "optIC", QStringLiteral("IC"));
    optUGC = radio(fraDest, "optUGC", QStringLiteral("UGC"));
    optStar = radio(fraDest, "optStar", QStringLiteral("STAR"));
    optSAO = radio(fraDest, "optSAO", QStringLiteral("SAO"));
    optGCVS = radio(fraDest, "optGCVS", QStringLiteral("GCVS"));
    optPlanet = radio(fraDest, "optPlanet", QStringLiteral("Planet"));
    optAlignStar = radio(fraDest, "optAlignStar", QStringLiteral("Alignment Star"));
    auto* options = new QGridLayout(fraDest);
    options->addWidget(optCoord, 0, 0, 1, 2);
    options->addWidget(OptShift, 1, 0, 1, 2);
    options->addWidget(optMessier, 2, 0);
    options->addWidget(optNGC, 3, 0);
    options->addWidget(optIC, 4, 0);
    options->addWidget(optUGC, 5, 0);
    options->addWidget(optStar, 2, 1);
    options->addWidget(optSAO, 3, 1);
    options->addWidget(optGCVS, 4, 1);
    options->addWidget(optPlanet, 6, 0, 1, 2);
    options->addWidget(optAlignStar, 7, 0, 1, 2);

    txtRA = textBox(this, "txtRA");
    txtDec = textBox(this, "txtDec");
    txtNS = textBox(this, "txtNS");
    txtEW = textBox(this, "txtEW");
    txtCatNo = textBox(this, "txtCatNo");
    lblRA = label(this, "lblRA", QStringLiteral("(hh:mm:ss)"));
    lblDec = label(this, "lblDec", QStringLiteral("(+/- dd:mm:ss)"));
    lblNS = label(this, "lblNS", QStringLiteral("+N/-S decimal arc minutes"));
    lblEW = label(this, "lblEW", QStringLiteral("+E/-W decimal arc minutes"));
    lblShiftNote = label(this, "lblShiftNote", QStringLiteral("Limited to 300 arc-min"));
    lblCatNo = label(this, "lblCatNo", QStringLiteral("Catalog #"));
    lblCatNote = label(this, "lblCatNote", QStringLiteral("See manual Appendix D for codes"));

    cbPlanet = new QComboBox(this);
    cbPlanet->setObjectName(QStringLiteral("cbPlanet"));
    cbPlanet->addItems({QStringLiteral("Mercury"), QStringLiteral("Venus"), QStringLiteral("Moon"),
                        QStringLiteral("Mars"), QStringLiteral("Jupiter"), QStringLiteral("Saturn"),
                        QStringLiteral("Uranus"), QStringLiteral("Neptune"),
                        QStringLiteral("Pluto")});
    cbAlignStar = new QComboBox(this);
    cbAlignStar->setObjectName(QStringLiteral("cbAlignStar"));

    auto* inputs = new QGridLayout;
    int row = 0;
    inputs->addWidget(txtRA, row, 0);
    inputs->addWidget(lblRA, row++, 1);
    inputs->addWidget(txtDec, row, 0);
    inputs->addWidget(lblDec, row++, 1);
    inputs->addWidget(txtNS, row, 0);
    inputs->addWidget(lblNS, row++, 1);
    inputs->addWidget(txtEW, row, 0);
    inputs->addWidget(lblEW, row++, 1);
    inputs->addWidget(lblShiftNote, row++, 1);
    inputs->addWidget(txtCatNo, row, 0);
    inputs->addWidget(lblCatNo, row++, 1);
    inputs->addWidget(lblCatNote, row++, 1);
    inputs->addWidget(cbPlanet, row++, 0, 1, 2);
    inputs->addWidget(cbAlignStar, row++, 0, 1, 2);
    inputs->setRowStretch(row, 1);

    cmdGoTo = button(this, "cmdGoTo", QStringLiteral("Go To"));
    cmdStop = button(this, "cmdStop", QStringLiteral("Halt"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    cmdGoTo->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(fraDest);
    top->addLayout(inputs);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdGoTo);
    bottom->addWidget(cmdStop);
    bottom->addWidget(cmdCancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addLayout(bottom);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // The design-time state: nothing to go to yet, no slew to halt.
    setUpInputs(Option::Coord);
    cmdStop->setEnabled(false);

    connect(optCoord, &QRadioButton::clicked, this, &frmGo::optCoord_Click);
    connect(OptShift, &QRadioButton::clicked, this, &frmGo::OptShift_Click);
    connect(optMessier, &QRadioButton::clicked, this, &frmGo::optMessier_Click);
    connect(optNGC, &QRadioButton::clicked, this, &frmGo::optNGC_Click);
    connect(optIC, &QRadioButton::clicked, this, &frmGo::optIC_Click);
    connect(optUGC, &QRadioButton::clicked, this, &frmGo::optUGC_Click);
    connect(optStar, &QRadioButton::clicked, this, &frmGo::optStar_Click);
    connect(optSAO, &QRadioButton::clicked, this, &frmGo::optSAO_Click);
    connect(optGCVS, &QRadioButton::clicked, this, &frmGo::optGCVS_Click);
    connect(optPlanet, &QRadioButton::clicked, this, &frmGo::optPlanet_Click);
    connect(optAlignStar, &QRadioButton::clicked, this, &frmGo::optAlignStar_Click);
    connect(txtRA, &QLineEdit::textChanged, this, &frmGo::txtRA_Change);
    connect(txtDec, &QLineEdit::textChanged, this, &frmGo::txtDec_Change);
    connect(txtNS, &QLineEdit::textChanged, this, &frmGo::txtNS_Change);
    connect(txtEW, &QLineEdit::textChanged, this, &frmGo::txtEW_Change);
    connect(txtCatNo, &QLineEdit::textChanged, this, &frmGo::txtCatNo_Change);
    // A choice by the user or by the program alike (clearing a list runs the check too).
    connect(cbPlanet, &QComboBox::currentIndexChanged, this, &frmGo::cbPlanet_Click);
    connect(cbAlignStar, &QComboBox::currentIndexChanged, this, &frmGo::cbAlignStar_Click);
    connect(cmdGoTo, &QPushButton::clicked, this, &frmGo::cmdGoTo_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmGo::cmdStop_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmGo::cmdCancel_Click);
}

// ---- input checks ----

bool frmGo::ValidRA(const QString& text) {
    if (text.size() != 8)
        return false;
    const auto h = integerField(text, 0, 2), m = integerField(text, 3, 2),
               s = integerField(text, 6, 2);
    return h && m && s && *h >= 0 && *h < 24 && *m >= 0 && *m <= 59 && *s >= 0 && *s <= 59;
}

bool frmGo::ValidDec(const QString& text) {
    if (text.size() != 9)
        return false;
    const auto d = integerField(text, 0, 3), m = integerField(text, 4, 2),
               s = integerField(text, 7, 2);
    if (!d || !m || !s)
        return false;
    const int degrees = std::abs(*d);
    if (degrees == 90)
        return *m == 0 && *s == 0;
    return degrees < 90 && *m >= 0 && *m <= 59 && *s >= 0 && *s <= 59;
}

bool frmGo::ValidShift(const QString& text) {
    if (text.isEmpty())
        return false;
    try {
        return std::fabs(ParseNeutralNumber(text)) <= ShiftLimitArcmin; // false for NaN
    } catch (const NumberFormatError&) {
        return false;
    }
}

bool frmGo::ValidCatNo(const QString& text) {
    if (text.isEmpty())
        return false;
    bool ok = false;
    const short number = text.toShort(&ok);
    return ok && QString::number(number) == text;
}

void frmGo::checkInputs() {
    bool valid = false;
    switch (selected_) {
    case Option::Coord:
        valid = ValidRA(txtRA->text()) && ValidDec(txtDec->text());
        break;
    case Option::Shift:
        valid = ValidShift(txtNS->text()) && ValidShift(txtEW->text());
        break;
    case Option::Planet:
        valid = cbPlanet->currentIndex() >= 0;
        break;
    case Option::AlignStar:
        valid = cbAlignStar->currentIndex() >= 0;
        break;
    default:
        valid = ValidCatNo(txtCatNo->text());
        break;
    }
    cmdGoTo->setEnabled(valid && !goingTo_);
}

// ---- loading and closing ----

void frmGo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmGo::done(int result) {
    if (goingTo_) {
        closeRequested_ = true; // the go-to's handler ends the window when it is over
        return;
    }
    loaded_ = false;
    QDialog::done(result);
}

void frmGo::closeEvent(QCloseEvent* event) {
    if (goingTo_) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    loaded_ = false;
    QDialog::closeEvent(event);
}

void frmGo::unload() {
    loaded_ = false;
    QDialog::done(QDialog::Accepted);
}

void frmGo::Form_Load() {
    loaded_ = true;
    // A window loads fresh: empty boxes, the design-time buttons.
    for (QLineEdit* box : {txtRA, txtDec, txtNS, txtEW, txtCatNo})
        box->clear();
    cbPlanet->setCurrentIndex(-1);
    cbAlignStar->clear();
    cmdStop->setEnabled(false);
    cmdCancel->setEnabled(true);

    adjustSize();
    if (const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 3);
    }

    FillListFromSection(cbAlignStar, AlignStarsSection);
    cbAlignStar->setCurrentIndex(-1);
    optCoord->setChecked(true);
    optCoord_Click();
    EndBusy();
}

// ---- options ----

QRadioButton* frmGo::option(Option which) const {
    switch (which) {
    case Option::Coord:
        return optCoord;
    case Option::Shift:
        return OptShift;
    case Option::Messier:
        return optMessier;
    case Option::NGC:
        return optNGC;
    case Option::IC:
        return optIC;
    case Option::UGC:
        return optUGC;
    case Option::Star:
        return optStar;
    case Option::SAO:
        return optSAO;
    case Option::GCVS:
        return optGCVS;
    case Option::Planet:
        return optPlanet;
    case Option::AlignStar:
        break;
    }
    return optAlignStar;
}

void frmGo::setUpInputs(Option which) {
    selected_ = which;
    option(which)->setChecked(true);
    const bool coord = which == Option::Coord;
    const bool shift = which == Option::Shift;
    const bool catalogue = isCatalogue(which);
    const bool planet = which == Option::Planet;
    const bool alignStar = which == Option::AlignStar;
    const auto setUp = [](QWidget* input, bool enabled) {
        input->setEnabled(enabled);
        if (enabled)
            return;
        if (auto* box = qobject_cast<QLineEdit*>(input))
            box->clear();
        else if (auto* list = qobject_cast<QComboBox*>(input))
            list->setCurrentIndex(-1);
    };
    setUp(txtRA, coord);
    setUp(txtDec, coord);
    setUp(txtNS, shift);
    setUp(txtEW, shift);
    setUp(txtCatNo, catalogue);
    setUp(cbPlanet, planet);
    setUp(cbAlignStar, alignStar);
    checkInputs();
}

void frmGo::ObjStarSel() {
    setUpInputs(isCatalogue(selected_) ? selected_ : Option::Messier);
}

void frmGo::optCoord_Click() {
    setUpInputs(Option::Coord);
}
void frmGo::OptShift_Click() {
    setUpInputs(Option::Shift);
}
void frmGo::optMessier_Click() {
    selected_ = Option::Messier;
    ObjStarSel();
}
void frmGo::optNGC_Click() {
    selected_ = Option::NGC;
    ObjStarSel();
}
void frmGo::optIC_Click() {
    selected_ = Option::IC;
    ObjStarSel();
}
void frmGo::optUGC_Click() {
    selected_ = Option::UGC;
    ObjStarSel();
}
void frmGo::optStar_Click() {
    selected_ = Option::Star;
    ObjStarSel();
}
void frmGo::optSAO_Click() {
    selected_ = Option::SAO;
    ObjStarSel();
}
void frmGo::optGCVS_Click() {
    selected_ = Option::GCVS;
    ObjStarSel();
}
void frmGo::optPlanet_Click() {
    setUpInputs(Option::Planet);
}
void frmGo::optAlignStar_Click() {
    setUpInputs(Option::AlignStar);
}

void frmGo::txtRA_Change() {
    checkInputs();
}
void frmGo::txtDec_Change() {
    checkInputs();
}
void frmGo::txtNS_Change() {
    checkInputs();
}
void frmGo::txtEW_Change() {
    checkInputs();
}
void frmGo::txtCatNo_Change() {
    checkInputs();
}
void frmGo::cbPlanet_Click() {
    checkInputs();
}
void frmGo::cbAlignStar_Click() {
    checkInputs();
}

// ---- go to ----

bool frmGo::selectDestination() {
    const QString number = txtCatNo->text().trimmed();
    const auto deepSky = [&number](int library) {
        SendCommandBool(lx::SetDeepSkyLibrary, QString::number(library));
        DeepSkyCatalog = library;
        SendCommandBlind(lx::SelectDeepSky, number);
    };
    const auto star = [](int library, const QString& starNumber) {
        SendCommandBool(lx::SetStarLibrary, QString::number(library));
        StarCatalog = library;
        SendCommandBlind(lx::SelectStar, starNumber);
    };

    switch (selected_) {
    case Option::Coord:
        if (!SendCommandBool(lx::SetTargetRA, txtRA->text().trimmed()) ||
            !SendCommandBool(lx::SetTargetDec, txtDec->text().trimmed())) {
            message(QStringLiteral("Slew coordinates are bad"), platform::MsgIcon::Critical);
            return false;
        }
        return true;
    case Option::Shift:
        // Both boxes passed ValidShift: they are numbers of arc-minutes.
        return ShiftTarget(ParseNeutralNumber(txtNS->text()) / 60.0,
                           ParseNeutralNumber(txtEW->text()) / 60.0, true);
    case Option::Messier:
        SendCommandBool(lx::SetDeepSkyLibrary, QStringLiteral("0"));
        DeepSkyCatalog = 0;
        SendCommandBlind(lx::SelectMessier, number);
        return true;
    case Option::NGC:
        deepSky(0);
        return true;
    case Option::IC:
        deepSky(1);
        return true;
    case Option::UGC:
        deepSky(2);
        return true;
    case Option::Star:
        star(0, number);
        return true;
    case Option::SAO:
        star(1, number);
        return true;
    case Option::GCVS:
        star(2, number);
        return true;
    case Option::Planet:
        star(0, QString::number(FirstPlanetStar + cbPlanet->currentIndex()));
        return true;
    case Option::AlignStar:
        star(0, QString::number(cbAlignStar->currentData().toInt()));
        return true;
    }
    return false;
}

void frmGo::readyForRetry() {
    goingTo_ = false;
    cmdStop->setEnabled(false);
    cmdCancel->setEnabled(true);
    checkInputs();
    if (closeRequested_) {
        closeRequested_ = false;
        unload();
    }
}

bool frmGo::goTo() {
    if (!selectDestination())
        return false;
    const QString info = SendCommandString(lx::GetObjectInfo).trimmed();
    if (info.startsWith(QStringLiteral("Too")) || info.startsWith(QStringLiteral("No m"))) {
        message(QStringLiteral("Lookup failed. Scope reported:\r\n  ") + info,
                platform::MsgIcon::Exclamation);
        return false;
    }
    goingTo_ = true;
    cmdStop->setEnabled(true);
    cmdCancel->setEnabled(false);
    cmdGoTo->setEnabled(false);
    const bool arrived = SlewToTarget(true, false);
    if (Hooks().UpdateWhatsVis)
        Hooks().UpdateWhatsVis();
    if (Hooks().UpdateScopeCoords)
        Hooks().UpdateScopeCoords();
    return arrived;
}

void frmGo::cmdGoTo_Click() {
    if (goingTo_ || !cmdGoTo->isEnabled())
        return; // a click while the slew engine lets the event loop run
    closeRequested_ = false;
    bool arrived = false;
    // A lost link ends the go-to like a failed slew: the window stays for another try.
    RunHandler([this, &arrived] { arrived = goTo(); });
    if (!arrived) {
        readyForRetry();
        return;
    }
    goingTo_ = false;
    closeRequested_ = false;
    unload();
    platform::DoEvents();
}

void frmGo::cmdStop_Click() {
    RunHandler([] {
        SendCommandBlind(lx::Halt);
        WaitMs(0);
        SendCommandBlind(lx::Halt);
    });
    EndBusy();
    cmdStop->setEnabled(false);
    cmdCancel->setEnabled(true);
    cmdGoTo->setEnabled(true);
}

void frmGo::cmdCancel_Click() {
    if (goingTo_) {
        closeRequested_ = true; // after a Halt: the window goes when the slew's wait is over
        return;
    }
    unload();
}

} // namespace teleon
