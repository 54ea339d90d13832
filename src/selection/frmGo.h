// The go-to window: the observer chooses a destination (typed coordinates, a small shift from
// where the telescope points, an object of one of the telescope's catalogues by number, a planet
// or the Moon, or a named alignment star), the telescope selects it in its own object library,
// the window checks the telescope's object information for a failed lookup and hands over to
// the slew engine.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace teleon {

// Appends every value of the configuration section to list: the value's name as the entry's
// text and its data read as a 32-bit decimal integer as the entry's item data (Qt::UserRole; 0
// when the data is not a number). A missing section shows "Failed to find " + section +
// " section in registry" and ends the program.
void FillListFromSection(QComboBox* list, const QString& section);

class frmGo : public QDialog {
    Q_OBJECT
public:
    // The destinations, in the order of the option buttons.
    enum class Option {
        Coord,
        Shift,
        Messier,
        NGC,
        IC,
        UGC,
        Star,
        SAO,
        GCVS,
        Planet,
        AlignStar,
    };

    explicit frmGo(QWidget* parent = nullptr);

    // Input checks. ValidRA: "hh:mm:ss", hours 0..23, minutes and seconds 0..59. ValidDec:
    // "sdd:mm:ss", |degrees| below 90 with minutes and seconds 0..59, or exactly 90:00:00.
    // ValidShift: a number of arc-minutes, at most 300 either way. The separators are not
    // examined.
    static bool ValidRA(const QString& text);
    static bool ValidDec(const QString& text);
    static bool ValidShift(const QString& text);
    // A catalogue number: a 16-bit integer written as the integer writes itself ("12", not
    // "012", "12.0" or "40000").
    static bool ValidCatNo(const QString& text);

    // Opening steps: placement, the alignment star list, the coordinates option. Runs by itself
    // the first time the window is shown after construction or after it was closed.
    void Form_Load();
    // Sets up the inputs for a catalogue option.
    void ObjStarSel();

    // Event handlers, as the controls call them.
    void optCoord_Click();
    void OptShift_Click();
    void optMessier_Click();
    void optNGC_Click();
    void optIC_Click();
    void optUGC_Click();
    void optStar_Click();
    void optSAO_Click();
    void optGCVS_Click();
    void optPlanet_Click();
    void optAlignStar_Click();
    void txtRA_Change();
    void txtDec_Change();
    void txtNS_Change();
    void txtEW_Change();
    void txtCatNo_Change();
    void cbPlanet_Click();
    void cbAlignStar_Click();
    void cmdGoTo_Click();
    void cmdStop_Click();
    void cmdCancel_Click();

    Option selectedOption() const { return selected_; }
    // True while cmdGoTo_Click runs (the telescope is being pointed).
    bool isGoingTo() const { return goingTo_; }

    QRadioButton *optCoord, *OptShift, *optMessier, *optNGC, *optIC, *optUGC, *optStar, *optSAO,
        *optGCVS, *optPlanet, *optAlignStar;
    QLineEdit *txtRA, *txtDec, *txtNS, *txtEW, *txtCatNo;
    QComboBox *cbPlanet, *cbAlignStar;
    QPushButton *cmdGoTo, *cmdStop, *cmdCancel;
    QLabel *lblRA, *lblDec, *lblNS, *lblEW, *lblShiftNote, *lblCatNo, *lblCatNote;

protected:
    void showEvent(QShowEvent* event) override;
    // Closing (Cancel, the close box, Escape) unloads: the next show loads again. During a
    // go-to, whose handler still owns the window, the window unloads when the go-to ends.
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QRadioButton* option(Option which) const;
    // Marks which as selected and enables, clears and disables the inputs for it.
    void setUpInputs(Option which);
    // cmdGoTo enabled exactly when the selected option's inputs are valid.
    void checkInputs();
    // Selects the destination in the telescope; false when it was refused (message shown).
    bool selectDestination();
    // Selects, checks the lookup and slews; true when the telescope arrived.
    bool goTo();
    // After a go-to that did not end the window: ready for another try.
    void readyForRetry();
    void unload();

    Option selected_ = Option::Coord;
    bool loaded_ = false;
    bool goingTo_ = false;
    bool closeRequested_ = false; // Cancel or the close box during a go-to: unload after it
};

} // namespace teleon
