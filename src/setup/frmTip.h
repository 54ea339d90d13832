// The tip-of-the-day window: one observing tip at a time from the tips file, the next one on
// each opening and on "Next Tip", and the choice of showing it at start-up.
#pragma once

#include "setup/SetupWindows.h"

#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

namespace teleon {

class frmTip : public frmPlaceholder {
    Q_OBJECT
public:
    struct Options {
        bool nightVision = false; // the main window shows the night colours
        QString programDir;       // where the tips file and pictures are looked for first;
                                  // "" is the executable's folder
    };

    explicit frmTip(QWidget* parent = nullptr);
    frmTip(const Options& options, QWidget* parent = nullptr);

    // Opening: placement, picture, the start-up check box, the tips file ("TipFile" of
    // "General") and the next tip. Runs by itself the first time the window is shown.
    void Form_Load();
    // Reads the tips of path (blank lines skipped) and shows the next tip; false when the path
    // is empty or the file cannot be read.
    bool LoadTips(const QString& path);
    // Shows tip number "CurrentTip" when there are tips.
    void DisplayCurrentTip();
    void cmdNextTip_Click();
    void chkLoadTipsAtStartup_Click();

    const QStringList& tips() const { return tips_; }

    QLabel *lblTipText, *Picture1;
    QCheckBox* chkLoadTipsAtStartup;
    QPushButton *cmdNextTip, *cmdOK;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void init();
    // Advances "CurrentTip" (wrapping to 1 after the last tip), stores it and shows the tip.
    void nextTip();

    Options options_;
    QStringList tips_;
    bool loaded_ = false;
};

} // namespace teleon
