// The optics window: the telescope and the eyepiece or camera in use give the magnification and
// the true field of view. OK stores them (section "Optics"), publishes the field to the rest of
// the program and sends the field radius to the telescope ("SF"), which uses it to tell what is
// visible in the eyepiece.
#pragma once

#include "setup/Optics.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace teleon {

// Appends every value name of section to list with kind as item data. A missing section:
// "Failed to find " + section + " section in registry" and the program ends.
void FillOpticsList(QComboBox* list, const QString& section, OpticsKind kind);
// Selects the first entry whose text is name; clears the selection when none is.
void SetList(QComboBox* list, const QString& name);

class frmOptics : public QDialog {
    Q_OBJECT
public:
    explicit frmOptics(QWidget* parent = nullptr);

    // Opening: placement, the lists from the store, the stored selection, TrueField. Runs by
    // itself the first time the window is shown.
    void Form_Load();
    // Computes and shows the magnification and the field of the selected pair.
    void TrueField();
    void cmdOK_Click();
    void cmdCancel_Click();

    // The working values (arc-minutes), 0 / false until TrueField has computed them.
    double radiusArcmin() const { return radiusArcmin_; }
    double widthArcmin() const { return widthArcmin_; }
    double heightArcmin() const { return heightArcmin_; }
    bool rectangular() const { return rectangular_; }

    QComboBox *cbScope, *cbEyepiece;
    QLabel *lblMag, *lblField;
    QPushButton *cmdOK, *cmdCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void computeField();
    void store();

    double radiusArcmin_ = 0;
    double widthArcmin_ = 0;
    double heightArcmin_ = 0;
    bool rectangular_ = false;
    bool loaded_ = false;
};

} // namespace teleon
