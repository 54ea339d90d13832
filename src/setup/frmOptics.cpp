#include "setup/frmOptics.h"

#include "console/Registry.h"
#include "link/Channel.h"
#include "link/Commands.h"
#include "link/ProgramState.h"
#include "link/Utilities.h"
#include "platform/Prompts.h"

#include "platform/WidgetKit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <exception>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
const QString Optics = QStringLiteral("Optics");
const QString Scopes = QStringLiteral("Scopes");
const QString Eyepieces = QStringLiteral("Eyepieces");
const QString Cameras = QStringLiteral("Cameras");
const QString StorePattern = QStringLiteral("0.000");
constexpr int MissingSectionExitCode = 1;

platform::MsgAnswer message(const QString& text, platform::MsgButtons buttons) {
    return platform::prompts().MsgBox(text, platform::MsgIcon::Critical, buttons, Title);
}

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QLatin1String(name));
    return l;
}

using ui::button;

} // namespace

void FillOpticsList(QComboBox* list, const QString& section, OpticsKind kind) {
    const auto values = EnumConfigSection(section);
    if (!values) {
        message(QStringLiteral("Failed to find ") + section +
                    QStringLiteral(" section in registry"),
                platform::MsgButtons::OK);
        platform::EndProgram(MissingSectionExitCode);
    }
    for (const ConfigValue& value : *values)
        list->addItem(value.first, int(kind));
}

void SetList(QComboBox* list, const QString& name) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i) == name) {
            list->setCurrentIndex(i);
            return;
        }
    }
    list->setCurrentIndex(-1);
}

frmOptics::frmOptics(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOptics"));
    setWindowTitle(QStringLiteral("Optics"));
    setModal(true);

    cbScope = new QComboBox(this);
    cbScope->setObjectName(QStringLiteral("cbScope"));
    cbEyepiece = new QComboBox(this);
    cbEyepiece->setObjectName(QStringLiteral("cbEyepiece"));
    cbScope->setMinimumContentsLength(24);
    cbEyepiece->setMinimumContentsLength(24);
    lblMag = label(this, "lblMag", QString());
    lblField = label(this, "lblField", QString());
    cmdOK = button(this, "cmdOK", QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));

    auto* grid = new QGridLayout;
    grid->addWidget(label(this, nullptr, QStringLiteral("Telescope:")), 0, 0);
    grid->addWidget(cbScope, 0, 1);
    grid->addWidget(label(this, nullptr, QStringLiteral("Eyepiece or Camera:")), 1, 0);
    grid->addWidget(cbEyepiece, 1, 1);
    grid->addWidget(label(this, nullptr, QStringLiteral("Magnification:")), 2, 0);
    grid->addWidget(lblMag, 2, 1);
    grid->addWidget(label(this, nullptr, QStringLiteral("Field (arc min):")), 3, 0);
    grid->addWidget(lblField, 3, 1);

    auto* lblNote =
        label(this, "lblNote",
              QStringLiteral("This updates the field radius used by the scope to determine what's "
                             "visible."));
    lblNote->setWordWrap(true);
    auto* lblEdit = label(this, "lblEdit",
                          QStringLiteral("You can edit this data in the program's registry area."));
    lblEdit->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addWidget(lblNote);
    outer->addWidget(lblEdit);
    outer->addLayout(buttons);

    // Choosing an entry (by the user or by the program) recomputes.
    connect(cbScope, &QComboBox::currentIndexChanged, this, [this] {
        if (loaded_)
            TrueField();
    });
    connect(cbEyepiece, &QComboBox::currentIndexChanged, this, [this] {
        if (loaded_)
            TrueField();
    });
    connect(cmdOK, &QPushButton::clicked, this, &frmOptics::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptics::cmdCancel_Click);
    adjustSize();
}

void frmOptics::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmOptics::Form_Load() {
    if (const QScreen* screen = this->screen()) {
        const QRect free = screen->availableGeometry();
        move(free.x() + (free.width() - width()) / 2, free.y() + (free.height() - height()) / 3);
    }
    const QSignalBlocker blockScope(cbScope);
    const QSignalBlocker blockEyepiece(cbEyepiece);
    cbScope->clear();
    cbEyepiece->clear();
    FillOpticsList(cbScope, Scopes, OpticsKind::Eyepiece);
    FillOpticsList(cbEyepiece, Eyepieces, OpticsKind::Eyepiece);
    FillOpticsList(cbEyepiece, Cameras, OpticsKind::Camera);
    const QString scope = GetConfig(Optics, QStringLiteral("Scope"));
    SetList(cbScope, scope);
    if (scope.isEmpty())
        cbScope->setCurrentIndex(-1);
    const QString eyepiece = GetConfig(Optics, QStringLiteral("Eyepiece"));
    SetList(cbEyepiece, eyepiece);
    if (eyepiece.isEmpty())
        cbEyepiece->setCurrentIndex(-1);
    loaded_ = true;
    TrueField();
    EndBusy();
}

void frmOptics::TrueField() {
    try {
        computeField();
    } catch (const std::exception& e) {
        // A record that is not two positive numbers: say which, keep the previous values.
        message(QString::fromLocal8Bit(e.what()), platform::MsgButtons::OK);
    }
}

void frmOptics::computeField() {
    if (cbScope->currentIndex() < 0 || cbEyepiece->currentIndex() < 0)
        return;
    const QString scopeRecord = GetConfig(Scopes, cbScope->currentText());
    const auto kind = OpticsKind(cbEyepiece->currentData().toInt());
    const QString secondRecord =
        GetConfig(kind == OpticsKind::Camera ? Cameras : Eyepieces, cbEyepiece->currentText());
    if (scopeRecord.isEmpty() || secondRecord.isEmpty()) {
        message(QStringLiteral("Failed to find optics data."), platform::MsgButtons::OKCancel);
        return;
    }
    const double focalLength = ScopeFocalLength(ParseOpticsRecord(scopeRecord));
    const OpticsRecord second = ParseOpticsRecord(secondRecord);
    const TrueFieldResult r = kind == OpticsKind::Camera ? CameraField(focalLength, second)
                                                         : EyepieceField(focalLength, second);
    lblMag->setText(r.magText);
    lblField->setText(r.fieldText);
    radiusArcmin_ = r.radiusArcmin;
    widthArcmin_ = r.widthArcmin;
    heightArcmin_ = r.heightArcmin;
    rectangular_ = r.rectangular;
}

void frmOptics::store() {
    if (cbScope->currentIndex() >= 0)
        PutConfig(Optics, QStringLiteral("Scope"), cbScope->currentText());
    if (cbEyepiece->currentIndex() >= 0)
        PutConfig(Optics, QStringLiteral("Eyepiece"), cbEyepiece->currentText());
    PutConfig(Optics, QStringLiteral("Radius"), FormatNeutralNumber(radiusArcmin_, StorePattern));
    PutConfig(Optics, QStringLiteral("Width"), FormatNeutralNumber(widthArcmin_, StorePattern));
    PutConfig(Optics, QStringLiteral("Height"), FormatNeutralNumber(heightArcmin_, StorePattern));
    PutConfig(Optics, QStringLiteral("RectFOV"),
              rectangular_ ? QStringLiteral("True") : QStringLiteral("False"));
    PutConfig(Optics, QStringLiteral("Mag"), lblMag->text());
    FieldRadius = radiusArcmin_;
    FieldWidth = widthArcmin_;
    FieldHeight = heightArcmin_;
    RectField = rectangular_;
}

void frmOptics::cmdOK_Click() {
    try {
        store();
        if (!SendCommandBool(lx::SetFieldRadius, FieldRadiusArgument(radiusArcmin_)))
            message(QStringLiteral("Failed to set the FIELD radius."),
                    platform::MsgButtons::OKCancel);
    } catch (const LostLinkError&) {
        // The main window has gone to standby; the values are stored all the same.
    } catch (const std::exception& e) {
        message(QString::fromLocal8Bit(e.what()), platform::MsgButtons::OK);
    }
    accept();
}

void frmOptics::cmdCancel_Click() {
    reject();
}

} // namespace teleon
