// The slew progress window: the distance still to go on each axis as two bars of up to 16
// steps, and a STOP button that halts the telescope. Lives for one slew.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace teleon {

class frmSlew : public QDialog {
    Q_OBJECT
public:
    explicit frmSlew(QWidget* parent = nullptr);

    // Opening: placement and the axis captions of the mount mode.
    void Form_Load();
    // A distance-bar reply ("D"): prgRA counts the characters of its first 16 characters after
    // trimming spaces at both ends, prgDec those of its last 16. A reply shorter than 16
    // characters feeds both bars whole.
    void SetBars(const QString& bars);
    // STOP: halts the telescope; the slew engine then closes the window.
    void cmdAbort_Click();

    QLabel *lblNote, *lblX, *lblY;
    QProgressBar *prgRA, *prgDec;
    QPushButton* cmdAbort;

protected:
    void showEvent(QShowEvent* event) override;
    // Escape and the close box: as STOP. The window stays until the slew engine closes it.
    void reject() override;

private:
    bool loaded_ = false;
};

// Lets the slew engine show, feed and close one frmSlew (its LinkHooks ShowSlewProgress,
// SetSlewBars and HideSlewProgress). The window is made as a child of owner for each slew.
void InstallSlewProgressWindow(QWidget* owner);
// The progress window while a slew shows it, else nullptr.
frmSlew* SlewProgressWindow();

} // namespace teleon
