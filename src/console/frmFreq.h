// The tracking frequency window: the rate of the telescope's drive as a frequency in hertz,
// 60.1 sidereal, 60.0 solar and planetary, 57.9 lunar, or any other value in manual mode set in
// steps of 0.1 Hz. Every change goes to the telescope at once.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

namespace teleon {

class frmFreq : public QDialog {
    Q_OBJECT
public:
    // The options, in the order of the frame.
    enum class Rate { Sidereal, Solar, Lunar, Manual };

    explicit frmFreq(QWidget* parent = nullptr);

    // Opening steps: placement, the telescope's frequency ("GT") and the matching option. Runs
    // by itself the first time the window is shown after construction or after it was closed.
    void Form_Load();
    // Refreshes the manual caption (from "GT" in manual mode) and the step buttons.
    void UpdateFreqUI();

    // Event handlers, as the controls call them.
    void optSidereal_Click();
    void optSolar_Click();
    void optLunar_Click();
    void optManual_Click();
    void cmdInc_Click();
    void cmdDec_Click();
    void cmdOK_Click();

    Rate selectedRate() const { return selected_; }

    QRadioButton *optSidereal, *optSolar, *optLunar, *optManual;
    QPushButton *cmdInc, *cmdDec, *cmdOK;
    QLabel* lblNote;

protected:
    void showEvent(QShowEvent* event) override;
    // Closing (OK, the close box, Escape) unloads: the next show loads again.
    void done(int result) override;

private:
    QRadioButton* option(Rate rate) const;
    // The commands of an option, without the refresh, and the same for a step of stepHz.
    void sendRate(Rate rate);
    void step(double stepHz);
    // Marks rate as the selected option; runs its commands when it was not selected before.
    void select(Rate rate);
    // Runs body; a lost link or a failed exchange ends it and leaves the window usable.
    template <typename Body> void guarded(Body body);
    // The controls as the selected option wants them, without asking the telescope.
    void setStepButtons();

    Rate selected_ = Rate::Sidereal;
    bool loaded_ = false;
};

} // namespace teleon
