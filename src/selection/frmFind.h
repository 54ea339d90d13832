// The object finder: the telescope's own deep-sky search. The telescope keeps the search filters
// (object types, minimum quality, minimum elevation, brightness and size limits) and walks its
// catalogue with find, next and previous; this window shows the filters as check boxes and
// sliders, sends every change to the telescope at once, shows the object found and slews to it.
// It also holds the filter state for the Scope automation object, whose filter properties work
// the same controls through the public setters below.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;

namespace teleon {

class frmFind : public QDialog {
    Q_OBJECT
public:
    // The object types in the order of the "Sy" letters: G, P, D, C, O.
    enum class ObjectKind {
        Galaxies,
        PlanetaryNebulae,
        DiffuseNebulae,
        GlobularClusters,
        OpenClusters
    };

    explicit frmFind(QWidget* parent = nullptr);

    // Opening steps: placement, the telescope's filters into the controls, the stored
    // "Must fit in FOV" choice, an empty result display. Runs by itself the first time the
    // window is shown after construction or after it was unloaded.
    void Form_Load();
    // Writes the telescope's filters to section "Filter" of the configuration store. Runs when
    // the close box unloads the window; the main window calls it at shutdown.
    void Form_Unload();
    bool isLoaded() const { return loaded_; }

    // Copies the telescope's filters into the controls without sending them back.
    void UpdateObjFilters();
    // The telescope's minimum quality as a slider value 0 (SU) .. 6 (VP); an unknown reply shows
    // "Bad filter quality" and counts as 6.
    qint16 GetQualVal();
    // Sends "Sy " and the five type letters, upper case for a ticked box.
    void SetTypeFilter();
    // Steps the telescope's minimum quality ("Sq") until it reports the slider's code, for at
    // most one cycle of the seven codes; tells the user when the code never comes.
    void SetQuality();
    // Ends the current search display: result labels and bars cleared, only Find enabled.
    void ResetFindUI();
    // Shows the telescope's current object ("LI") and its distance bars ("D").
    void ShowCurObject();
    // Shows a "D" reply: the bars in its first 16 characters in prgRA, its last 16 in prgDec.
    void SetBars(const QString& bars);

    // ---- Setters for the Scope object: each works the control as the user would ----
    // Ticks or clears a type box; when that changes it, its click handler runs.
    void SetTypeIncluded(ObjectKind kind, bool included);
    bool TypeIncluded(ObjectKind kind) const;
    // Ticks or clears "Must fit in FOV"; when that changes it, its click handler runs.
    void SetFitFOV(bool fit);
    // Moves a slider; when its value changes, its change handler runs (and sends its command
    // unless the window is loading the telescope's filters).
    void SetMinQualSlider(int value);
    void SetMinElSlider(int value);
    void SetMinSizeSlider(int value);
    void SetMaxSizeSlider(int value);
    void SetMinMagSlider(int value);
    void SetMaxMagSlider(int value);

    // ---- Event handlers, as the controls call them ----
    void chkGAL_Click();
    void chkPNEB_Click();
    void chkDNEB_Click();
    void chkGLOB_Click();
    void chkOPEN_Click();
    void chkFitFOV_Click();
    void sldMinQual_Change();
    void sldMinEl_Change();
    void sldMinSize_Change();
    void sldMaxSize_Change();
    void sldMinMag_Change();
    void sldMaxMag_Change();
    void cmdFind_Click();
    void cmdNext_Click();
    void cmdPrev_Click();
    void cmdGoTo_Click();
    void cmdHalt_Click();
    void cmdClose_Click();

    bool Updating = false; // true while the telescope's filters are copied into the controls

    QCheckBox *chkGAL, *chkPNEB, *chkDNEB, *chkGLOB, *chkOPEN, *chkFitFOV;
    QSlider *sldMinEl, *sldMaxEl, *sldMinSize, *sldMaxSize, *sldMinMag, *sldMaxMag, *sldMinQual;
    QPushButton *cmdFind, *cmdPrev, *cmdNext, *cmdGoTo, *cmdHalt, *cmdClose;
    QLabel *lblName, *lblType, *lblMag, *lblSize, *lblQual;
    QProgressBar *prgRA, *prgDec;

protected:
    void showEvent(QShowEvent* event) override;
    // The close box unloads (and saves the filters); the Close button only hides.
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape: as the Close button

private:
    QCheckBox* typeBox(ObjectKind kind) const;
    // The change handler of a slider that sends one set command.
    void sendSliderCommand(QSlider* slider);
    // Sets a check box without running its handler.
    static void setQuietly(QCheckBox* box, bool checked);
    void enableResultButtons(bool found);

    bool loaded_ = false;
};

// Feeds the slew engine's distance bars to finder while it exists: sets Hooks().SetFinderBars,
// and clears it again when finder is destroyed.
void InstallFinderBars(frmFind* finder);

} // namespace teleon
