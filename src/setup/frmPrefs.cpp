#include "setup/frmPrefs.h"

#include "console/Registry.h"
#include "link/Channel.h"
#include "link/ProgramState.h"
#include "link/ScopeIntfc.h"
#include "link/Utilities.h"
#include "platform/Prompts.h"
#include "platform/SerialDevices.h"

#include "platform/WidgetKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <exception>

namespace teleon {

namespace {

const QString Title = QStringLiteral("LX-200 Vantor");
const QString General = QStringLiteral("General");
const QString Simulator = QStringLiteral("Simulator");
const QString CharacterFileName = QStringLiteral("Pulsaro.acs");
constexpr int NumberedPorts = 8;
constexpr double QuestionBelowDegrees = 45.0;

using ui::button;

} // namespace

QStringList PortListEntries(const QStringList& serialDevices) {
    QStringList entries;
    QStringList numbered;
    for (int n = 1; n <= NumberedPorts; ++n) {
        entries << QString::number(n);
        numbered << PortChoiceFor(QString::number(n)).devicePath;
    }
    for (const QString& device : serialDevices) {
        if (!numbered.contains(device) && !entries.contains(device))
            entries << device;
    }
    entries << Simulator;
    return entries;
}

frmPrefs::frmPrefs(QWidget* parent) : frmPrefs(Services{}, parent) {}

frmPrefs::frmPrefs(const Services& services, QWidget* parent) : frmPlaceholder(parent) {
    init(services);
}

void frmPrefs::init(const Services& services) {
    services_ = services;
    if (!services_.serialDevices)
        services_.serialDevices = [] { return platform::ListSerialDevices(); };
    if (!services_.voiceAvailable)
        services_.voiceAvailable = [] { return false; };

    setObjectName(QStringLiteral("frmPrefs"));
    setWindowTitle(QStringLiteral("Preferences"));
    setModal(true);

    cbComPort = new QComboBox(this);
    cbComPort->setObjectName(QStringLiteral("cbComPort"));
    cbComPort->setEditable(true); // a device path not in the list can be typed
    cbComPort->setMinimumContentsLength(20);
    txtTiltUp = new QLineEdit(this);
    txtTiltUp->setObjectName(QStringLiteral("txtTiltUp"));
    chkAgent = new QCheckBox(QStringLiteral("Use the voice character"), this);
    chkAgent->setObjectName(QStringLiteral("chkAgent"));
    txtAgentPath = new QLineEdit(this);
    txtAgentPath->setObjectName(QStringLiteral("txtAgentPath"));
    txtAgentPath->setMinimumWidth(260);
    cmdBrowse = button(this, "cmdBrowse", QStringLiteral("Browse..."));
    cmdOK = button(this, "cmdOK", QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Serial port:"), cbComPort);
    form->addRow(QStringLiteral("Tilt-up limit (degrees, 0 for none):"), txtTiltUp);
    auto* path = new QHBoxLayout;
    path->addWidget(txtAgentPath);
    path->addWidget(cmdBrowse);
    form->addRow(chkAgent);
    form->addRow(QStringLiteral("Character file:"), path);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addLayout(buttons);

    connect(chkAgent, &QCheckBox::clicked, this, &frmPrefs::chkAgent_Click);
    connect(txtAgentPath, &QLineEdit::textEdited, this, [this] { voiceSettingsChanged_ = true; });
    connect(cmdBrowse, &QPushButton::clicked, this, &frmPrefs::cmdBrowse_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmPrefs::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPrefs::cmdCancel_Click);
    adjustSize();
}

void frmPrefs::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_ && !event->spontaneous())
        Form_Load();
}

void frmPrefs::Form_Load() {
    loaded_ = true;
    if (const QScreen* screen = this->screen()) {
        const QRect free = screen->availableGeometry();
        move(free.x() + (free.width() - width()) / 2, free.y() + (free.height() - height()) / 3);
    }
    cbComPort->clear();
    cbComPort->addItems(PortListEntries(services_.serialDevices()));
    cbComPort->setCurrentText(GetConfig(General, QStringLiteral("ComPort")));
    txtTiltUp->setText(GetConfig(General, QStringLiteral("UpLimit")));
    chkAgent->setEnabled(false);
    if (services_.voiceAvailable()) {
        chkAgent->setEnabled(true);
        chkAgent->setChecked(GetConfig(General, QStringLiteral("AgentEnabled")).toInt() != 0);
        QString character = GetConfig(General, QStringLiteral("AgentCharPath"));
        if (character.isEmpty()) {
            const QString dir = services_.programDir.isEmpty()
                                    ? QCoreApplication::applicationDirPath()
                                    : services_.programDir;
            character = QDir(dir).filePath(CharacterFileName);
            PutConfig(General, QStringLiteral("AgentCharPath"), character);
        }
        txtAgentPath->setText(character);
    }
    chkAgent_Click();
    voiceSettingsChanged_ = false;
}

void frmPrefs::chkAgent_Click() {
    const bool on = chkAgent->isChecked();
    txtAgentPath->setEnabled(on);
    cmdBrowse->setEnabled(on);
    QPalette palette = txtAgentPath->palette();
    palette.setColor(QPalette::Base, on ? palette.color(QPalette::Active, QPalette::Base)
                                        : palette.color(QPalette::Active, QPalette::Button));
    txtAgentPath->setPalette(palette);
    voiceSettingsChanged_ = true;
}

void frmPrefs::cmdBrowse_Click() {
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Character file");
    request.filter = QStringLiteral("Agent character files (*.acs);;All files (*)");
    const QString chosen = platform::prompts().FileDialog(request);
    if (!chosen.isEmpty()) {
        txtAgentPath->setText(chosen);
        voiceSettingsChanged_ = true;
    }
}

void frmPrefs::cmdOK_Click() {
    double limitDegrees = 0;
    const QString limitText = txtTiltUp->text().trimmed();
    try {
        limitDegrees = limitText.isEmpty() ? 0.0 : ParseNeutralNumber(limitText);
    } catch (const NumberFormatError&) {
        platform::prompts().MsgBox(
            QStringLiteral("The tilt-up limit must be a number of degrees (0 for no limit)."),
            platform::MsgIcon::Exclamation, platform::MsgButtons::OK, Title);
        return;
    }
    if (limitDegrees < QuestionBelowDegrees && limitDegrees != 0.0) {
        const auto answer = platform::prompts().MsgBox(
            QStringLiteral("Are you sure you want to limit tilt-up to ") +
                QString::number(limitDegrees) + QStringLiteral(" degrees?"),
            platform::MsgIcon::Question, platform::MsgButtons::YesNo, Title);
        if (answer != platform::MsgAnswer::Yes)
            return;
    }
    cmdOK->setEnabled(false);
    cmdCancel->setEnabled(false);
    const QString port = cbComPort->currentText().trimmed();
    try {
        PutConfig(General, QStringLiteral("ComPort"), port);
        PutConfig(General, QStringLiteral("UpLimit"), QString::number(limitDegrees));
        TiltUpLimit = limitDegrees; // the next slew obeys it, not only the next connect
        // Without a voice engine the voice settings are shown disabled and kept as stored.
        if (chkAgent->isEnabled()) {
            PutConfig(General, QStringLiteral("AgentCharPath"), txtAgentPath->text());
            PutConfig(General, QStringLiteral("AgentEnabled"),
                      chkAgent->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        }
        applyPort(port);
    } catch (const LostLinkError&) {
        // The link went silent while the new port was taken up: the main window's standby says
        // it, and everything is stored.
    } catch (const std::exception& e) {
        platform::prompts().MsgBox(QString::fromLocal8Bit(e.what()), platform::MsgIcon::Critical,
                                   platform::MsgButtons::OK, Title);
    }
    if (voiceSettingsChanged_)
        platform::prompts().MsgBox(QStringLiteral("Changes made to the Voice settings will not "
                                                  "take effect until the program is restarted"),
                                   platform::MsgIcon::Information, platform::MsgButtons::OK, Title);
    cmdOK->setEnabled(true);
    cmdCancel->setEnabled(true);
    accept();
}

void frmPrefs::applyPort(const QString& port) {
    if (!ScopeConnected && port.compare(Simulator, Qt::CaseInsensitive) != 0) {
        com1().close();
        SetCommPort(PortChoiceFor(port));
    }
    emit portChanged(port);
}

void frmPrefs::cmdCancel_Click() {
    reject();
}

} // namespace teleon
