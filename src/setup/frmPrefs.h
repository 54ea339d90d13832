// The preferences window: the telescope's serial port, the tilt-up limit of the optical tube
// and the voice character. OK stores them in section "General"; a port is applied by the main
// window, which listens to portChanged.
#pragma once

#include "setup/SetupWindows.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace teleon {

// The entries of the port list: "1" to "8" (the numbered ports /dev/ttyS0 to /dev/ttyS7), the
// other serial devices present (those numbered ports left out), then "Simulator".
QStringList PortListEntries(const QStringList& serialDevices);

class frmPrefs : public frmPlaceholder {
    Q_OBJECT
public:
    // What the window asks of the machine; tests give fakes.
    struct Services {
        std::function<QStringList()> serialDevices; // default: platform::ListSerialDevices
        std::function<bool()> voiceAvailable;       // default: no voice engine
        QString programDir;                         // default: the executable's folder
    };

    explicit frmPrefs(QWidget* parent = nullptr);
    frmPrefs(const Services& services, QWidget* parent = nullptr);

    // Opening: placement, the port list, the stored settings. Runs by itself the first time the
    // window is shown.
    void Form_Load();
    void chkAgent_Click();
    void cmdBrowse_Click();
    // Checks the tilt-up limit (a limit below 45 degrees asks first), stores everything, makes
    // the limit TiltUpLimit at once, applies the port and closes. Stays open with nothing stored
    // when the limit is refused or is not a number.
    void cmdOK_Click();
    void cmdCancel_Click();

    bool voiceSettingsChanged() const { return voiceSettingsChanged_; }

    QComboBox* cbComPort;
    QLineEdit *txtTiltUp, *txtAgentPath;
    QCheckBox* chkAgent;
    QPushButton *cmdBrowse, *cmdOK, *cmdCancel;

signals:
    // OK was pressed: the stored port setting ("1".."8", a device path or "Simulator"). When the
    // telescope is connected the main window closes the link and connects again on that port
    // (with the telescope's initialisation); when it is not, the window has already closed the
    // port and chosen the new one for the next connect, except "Simulator", which the main
    // window starts.
    void portChanged(const QString& port);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void init(const Services& services);
    void applyPort(const QString& port);

    Services services_;
    bool voiceSettingsChanged_ = false;
    bool loaded_ = false;
};

} // namespace teleon
