// The main window: the telescope's live position and time, the hand controls, and the
// "&Control" menu that connects, disconnects and ends the program.
#pragma once

#include <QMainWindow>
#include <QPalette>
#include <QPointer>
#include <QSet>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;

namespace teleon {

class AgentCtrl;
class frmGo;
class frmAlignWiz;
class frmFind;
class frmCatSel;
class frmCurObjInfo;
namespace sim {
class SimServer;
}

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(bool startedByAutomation = false, QWidget* parent = nullptr);
    ~frmMain() override;

    // The live main window, or null before one is made and after it is gone.
    static frmMain* Instance();
    // Opens the scripting window (the "Script..." button); set by the automation side.
    static inline std::function<void()> openScriptWindow;

    // Life of the window
    void Form_Load();
    void tmrStart_Timer();
    void mnuControlItem_Click(int index);
    void Form_Unload();
    // Connects to the telescope and brings it and the window up: InitSystem, StartUI, the status
    // timer every second, the menu entry "&Disconnect". A portSetting ("ComPort": a number, a
    // device path or "Simulator") is taken as the port first; without one the current port is
    // used. False, with nothing more done, when no LX-200 answered.
    bool ConnectAndStart(bool showMessages, const QString& portSetting = QString());

    // Status display
    void tmr1S_Timer();
    void UpdateSelectedTime(bool show);
    void UpdateScopeCoords();
    void UpdateWhatsVis();
    void SwitchToStandby();
    void StartUI();
    void StopUI();
    void rbgTimeType_Click(int index);
    QString DisplayAzimuth();

    // Bringing a connected telescope to the stored state, and saving the settings
    void InitSystem();
    void SaveSystem();

    // Hand controls
    void DirectionPressed(QPushButton* button);
    void DirectionReleased(QPushButton* button);
    bool DeltaMove(double northArcmin, double eastArcmin);
    void sldRate_Change();
    void FocusPressed(QPushButton* button);
    void FocusReleased(QPushButton* button);
    void rbgFocus_Click(int index);
    void sldRetBlink_Change();
    void sldRetBrt_Change();
    void chkHiPrec_Click();
    void chkListen_Click();
    void cmdTimeSync_Click();
    void cmdSync_Click();
    void cmdField_Click();
    void cmdFreq_Click();
    void cmdGoTo_Click();
    void cmdSearch_Click();
    void cmdSite_Click();
    void cmdOptics_Click();
    void cmdAlign_Click();
    // Unloads the object finder (its filter settings are saved) when it is loaded.
    void UnloadFinder();
    // The object finder made and loaded (its Form_Load run) if it was not, without showing it.
    frmFind* LoadFinder();
    // The object finder if it has been made, loaded or not; null otherwise.
    frmFind* Finder() const;
    // Closes the alignment wizard when it is open (it puts back what it changed).
    void CloseAlignWizard();
    // The home move at shutdown: target the meridian at declination 0, slew, and stop the
    // drive (guide rate east). True only when every step succeeded.
    bool HomeScope();
    // The preferences chose another serial port.
    void PortChanged(const QString& port);
    void cmdCatSel_Click();

    // Night colours
    void chkNightVision_Click();
    void SetNightVision(bool on);

    QTimer* tmr1S() const { return tmr1S_; }
    QTimer* tmrStart() const { return tmrStart_; }
    QAction* controlItem(int index) const { return mnuControlItem_[std::size_t(index)]; }
    QMenu* controlMenu() const { return mnuControl_; }
    AgentCtrl* agent() const { return agent_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // The arrow keys move the telescope wherever the focus is in the window, text fields aside.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    QPushButton* oppositeOf(QPushButton* button) const;
    QPushButton* directionForKey(int key) const;
    bool arrowKey(QKeyEvent* event, bool pressed);
    double utcOffsetHours(); // the telescope's "GG", hours positive west
    // Runs a handler; a lost link ends it quietly (standby has been entered), any other
    // failure is shown. Nothing escapes into the event loop.
    template <typename F> void guarded(F&& handler);
    void applyPortSetting(const QString& setting);
    void connectFromMenu();
    void disconnectFromMenu();

    bool startedByAutomation_;
    bool unloaded_ = false;
    bool inTick_ = false;
    // The stored settings that InitSystem has put into the controls; SaveSystem writes back
    // only these.
    QSet<QString> loadedSettings_;
    int pollCount_ = 0;
    QString lastFieldName_;

    QMenu* mnuControl_ = nullptr;
    std::array<QAction*, 8> mnuControlItem_{};
    QTimer* tmr1S_ = nullptr;
    QTimer* tmrStart_ = nullptr;
    AgentCtrl* agent_ = nullptr;
    std::unique_ptr<sim::SimServer> simulator_;
    std::optional<QPalette> dayPalette_; // the colours before night vision
    QString pendingPort_;                // a port chosen while connected, used after the disconnect
    QPushButton* heldKeyButton_ = nullptr; // the direction moved by a held arrow key
    // Windows loaded on demand and kept until shutdown.
    QPointer<frmGo> frmGo_;
    QPointer<frmAlignWiz> frmAlignWiz_;
    QPointer<frmFind> frmFind_;
    QPointer<frmCatSel> frmCatSel_;
    QPointer<frmCurObjInfo> frmCurObjInfo_;

public:
    // Controls, named as the rest of the program knows them.
    QLabel *lblRA, *lblDec, *lblAz, *lblAlt, *lblST;
    QLabel *lblTimeType, *lblLocTime, *lblLocDate;
    QLabel *lblTgtRA, *lblTgtDec, *lblTgtName;
    QLabel* lblStatus;
    std::array<QRadioButton*, 3> rbgTimeType{};
    std::array<QRadioButton*, 2> rbgFocus{};
    QPushButton *btnNorth, *btnSouth, *btnEast, *btnWest;
    QPushButton *btnDeltaNorth, *btnDeltaSouth, *btnDeltaEast, *btnDeltaWest;
    QPushButton *cmdGoTo, *cmdSearch, *cmdCatSel, *cmdScript, *cmdAlign, *cmdSite, *cmdOptics,
        *cmdFreq, *cmdTimeSync, *cmdFocusIn, *cmdFocusOut, *cmdSync, *cmdField;
    QSlider *sldRate, *sldRetBlink, *sldRetBrt;
    QCheckBox *chkHiPrec, *chkListen, *chkNightVision;
};

} // namespace teleon
