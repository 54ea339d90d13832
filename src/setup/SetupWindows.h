// Observing-setup windows opened from the main window: the clock notice, and the factories of
// the preferences, tips and about windows.
#pragma once

#include <QDialog>

class QLabel;
class QCheckBox;
class QPushButton;

namespace teleon {

// The notice shown after the telescope's clock has been set from the computer's. Its check box
// stops the notice for good: it sets bit 0 of AlertFlags and stores "AlertFlags" at once.
class frmTimeAlert : public QDialog {
    Q_OBJECT
public:
    explicit frmTimeAlert(QWidget* parent = nullptr);
    void SetMessage(const QString& text);
    QString Message() const;

    // Opening: placement, the information beep, the caption, the check box from bit 0 of
    // AlertFlags. Runs by itself the first time the window is shown.
    void Form_Load();
    void chkDontShow_Click();

    QLabel* lblMessage;
    QCheckBox* chkDontShow;
    QPushButton* cmdOK;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool loaded_ = false;
};

// A small setup window opened from the main window's menu. Its public constructor makes a
// simple window with a caption, a text and an OK button; the preferences, tips and about
// windows are built on the protected one.
class frmPlaceholder : public QDialog {
    Q_OBJECT
public:
    frmPlaceholder(const QString& objectName, const QString& caption, const QString& text,
                   QWidget* parent = nullptr);

protected:
    explicit frmPlaceholder(QWidget* parent) : QDialog(parent) {}
};

// The preferences (frmPrefs), tip-of-the-day (frmTip) and about (frmAbout) windows. The caller
// owns the window; the tip window takes the night colours when the main window shows them.
frmPlaceholder* NewPrefsWindow(QWidget* parent);
frmPlaceholder* NewTipWindow(QWidget* parent, bool nightVision = false);
frmPlaceholder* NewAboutWindow(QWidget* parent);

} // namespace teleon
