// The alignment wizard: a page-by-page guide through a two-star alignment of an alt-azimuth
// telescope, or through the polar-axis alignment of a polar (or German) mount with declination
// calibration, convergence and refinement. It moves the telescope with the slew engine, syncs it
// on the stars the user centres and sets its clock from the computer. Not modal.
//
// Opening (the first show after construction or after a close) reads the telescope's minimum
// elevation and mount mode, builds the star lists, may ask about the tilt-up limit, and then
// prepares the first page. Closing, by any path, puts back the star catalogue, the minimum
// elevation and the tilt-up limit, at once and once; after a lost link only the limit.
#pragma once

#include "alignment/AlignStars.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace teleon {

// "Sites..." opens the site editor modally through this. Without one installed (an empty
// function restores that), it runs frmSite modally.
using SiteEditorOpener = std::function<void(QWidget* parent)>;
void SetSiteEditorOpener(SiteEditorOpener opener);

// Wait-message window of the star choice.
void ShowWaitMessage(const QString& text);
void CloseWaitMessage();

class frmAlignWiz : public QDialog {
    Q_OBJECT
public:
    explicit frmAlignWiz(QWidget* parent = nullptr);

    // The opening steps; runs by itself the first time the window is shown after construction
    // or after it was closed.
    void Form_Load();

    // Moves CurPage by delta and prepares that page; an index outside the sequence does nothing.
    void GoToPage(int delta);
    // The list builders and the geometry check of the alt-az lists.
    void ChooseAltAzStars();
    void ChoosePolarStars();
    void cbAltAlignStars_Click();
    // The site of the telescope's site #4 by its id in the "Sites" section.
    void ShowCurrentSite();

    // Handlers.
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdCancel_Click();
    void chkAltOrient_Click();
    void chkPlrOrient_Click();
    void chkTime_Click();
    void cmdCoords_Sites_Click();
    void cmdAltAlignGoTo_Click(int index);
    void chkAltAlignCentered_Click(int index);
    void chkPlrCalDec1_Click();
    void chkPlrCalDec2_Click();
    void chkPlrCalDec2a_Click();
    void chkPlrInitPolar_Click();
    void chkPlrConvergeCentered_Click();
    void cmdPlrConvergeSet_Click();
    void chkPlrUpd_Click();
    void cmdPgPlrUpd_Aligned_Click();

    // The page shown (its object name, "pgPlrCalDec1"), or "" before the first page.
    QString currentPageName() const;
    bool isLoaded() const { return loaded_; }

    // Wizard state.
    QString WizardMode;
    int CurPage = 0;
    QString SavedHighLimit;
    double SavedTiltUpLimit = 0.0;
    QString storedUpLimit_; // the stored limit at opening, to notice a change in Preferences

    QPushButton *cmdBack, *cmdNext, *cmdCancel;
    QStackedWidget* pages;
    QWidget *pgAltWelcome, *pgAltOrient, *pgTime, *pgCoords, *pgAltAlign, *pgAltFinished;
    QWidget *pgPlrWelcome, *pgPlrOrient, *pgPlrCalDec1, *pgPlrCalDec2, *pgPlrInitPolar,
        *pgPlrConverge, *pgPlrUpdPolar, *pgPlrFinished;
    std::array<QCheckBox*, 5> chkAltOrient;
    std::array<QCheckBox*, 6> chkPlrOrient;
    QCheckBox* chkTime;
    QLabel* lblCoords_Site;
    QPushButton* cmdCoords_Sites;
    std::array<QComboBox*, 2> cbAltAlignStars;
    std::array<QPushButton*, 2> cmdAltAlignGoTo;
    std::array<QCheckBox*, 2> chkAltAlignCentered;
    QCheckBox *chkPlrCalDec1, *chkPlrCalDec2, *chkPlrCalDec2a, *chkPlrInitPolar;
    QCheckBox* chkPlrConvergeCentered;
    QComboBox* cbPlrConvergeStar;
    QPushButton* cmdPlrConvergeSet;
    QCheckBox* chkPlrUpd;
    QPushButton* cmdPgPlrUpd_Aligned;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* pageAt(int index) const;
    void preparePage(QWidget* page);
    void showPage(QWidget* page);
    void prepareCoords();
    void prepareAltAlign();
    AlignStarList chooseStars(AlignSelection selection);
    QString raAtHourAngle(double offsetHours);
    bool slewPolaris(double offsetHours, bool showProgress);
    void slewToConvergeStar();
    // "Sr" and "Sd"; a refusal is reported, and false means no slew may follow.
    bool setTarget(const QString& ra, const QString& dec);
    // Selects a star with "LS" and checks "LI"; slews when the telescope found it, else reports
    // the failed lookup. True when the star was found.
    bool slewToStar(const QString& numberText);
    // SlewToTarget; throws LostLinkError when the link went during the slew, and ends the
    // handler when the wizard was closed meanwhile. True when the slew ended normally.
    bool slew(bool showProgress);
    void ensureOpen() const;
    double calDec2Offset() const;
    void setCheckedQuietly(QCheckBox* box, bool checked);
    void restore();
    void unloadLater();
    // Runs a handler; an error of the link or the telescope's text ends the handler, not the
    // program.
    void guarded(const std::function<void()>& handler);

    bool loaded_ = false;
    bool restored_ = true;
    bool preparingAlign_ = false;
    bool working_ = false; // a handler that talks to the telescope is running
    int openings_ = 0;
};

} // namespace teleon
