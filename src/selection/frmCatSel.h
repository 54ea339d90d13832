// The deep-sky catalogue choice: which library of the telescope (NGC, IC or UGC) answers
// catalogue-number selections.
#pragma once

#include <QDialog>

#include <array>

class QPushButton;
class QRadioButton;

namespace teleon {

class frmCatSel : public QDialog {
    Q_OBJECT
public:
    explicit frmCatSel(QWidget* parent = nullptr);

    // Opening: placement and the option of DeepSkyCatalog.
    void Form_Load();
    // OK: "Lo " + the chosen index to the telescope, DeepSkyCatalog set, window unloaded.
    void cmdOK_Click();
    // Cancel: unloads without sending anything.
    void cmdCancel_Click();

    std::array<QRadioButton*, 3> optDeepSky{}; // 0 NGC, 1 IC, 2 UGC
    QPushButton *cmdOK, *cmdCancel;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    bool loaded_ = false;
};

} // namespace teleon
