// The scripting window "LX-200 Scripting Controls": runs one script file's main() with the
// Scope, Util and Voice objects, calls its alert() meanwhile, and is the script's console (an
// output box, and an input line with a blinking prompt and two answer buttons).
#pragma once

#include "automation/Scope.h"
#include "automation/ScriptHost.h"
#include "automation/Util.h"
#include "automation/Voice.h"
#include "platform/ScriptControl.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace teleon {

class AutomationError;

class frmScript : public QWidget, public ScriptHost {
    Q_OBJECT
    friend class QuestionScope;

public:
    explicit frmScript(QWidget* parent = nullptr);
    ~frmScript() override;

    // The one window, made (hidden, placed) on first use.
    static frmScript* Load();
    static frmScript* Instance();
    // Ends the window; refused (false) while a script runs.
    static bool Unload();
    // Makes the window the one that Util, Console and the main window's "Script..." button use.
    static void Install();

    // ScriptHost
    bool ScriptRunning() const override { return scriptRunning_; }
    QString ScriptLanguage() const override;
    void SetScriptLanguage(const QString& language) override;
    void LoadScriptFile(const QString& fileName, bool fromAutomation) override;
    void RunMain(bool fromAutomation) override;
    void RunAlert(bool fromAutomation) override;
    qint16 ReadLine(const QString& prompt, qint16 buttons, QString& text) override;
    bool AskYesNo(const QString& prompt) override;
    void PrintLine(const QString& line) override;
    void Clear() override;

    bool AlertRunning() const { return alertRunning_; }
    // A voice command's script procedure, called with the recognised text and the confidence;
    // raises 1093 when no script runs.
    void CallScriptProcedure(const QString& procedure, const QString& text, qint32 confidence);

    void cmdBrowse_Click();

    QLineEdit* txtFileName;
    QComboBox* cbLang;
    QPushButton *cmdBrowse, *cmdRunScript, *cmdAlertScript;
    QPlainTextEdit* txtScriptOut;
    QLabel* lblInputField;
    QLineEdit* txtInput;
    QPushButton *cmdYes, *cmdNo;
    QProgressBar* anim; // moves while main() runs
    QTimer* tmr1S;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void runMain();
    void runAlert();
    void fail(const AutomationError& e, bool fromAutomation);
    [[noreturn]] void raiseScriptError();
    void resetInputArea();
    void bringForward();
    void waitForAnswer();
    void updateRunEnabled();

    std::unique_ptr<platform::ScriptControl> control_;
    Scope scope_;
    Util util_;
    Voice voice_;
    bool scriptRunning_ = false;
    bool alertRunning_ = false;
    bool blinkPhase_ = false;
    int answer_ = 0;
    int questions_ = 0; // console questions waiting, nested ones included
};

} // namespace teleon
