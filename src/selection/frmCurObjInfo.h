// What the telescope knows about its currently selected object: name, type, magnitude, size and
// quality from its object information ("LI").
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace teleon {

class frmCurObjInfo : public QDialog {
    Q_OBJECT
public:
    explicit frmCurObjInfo(QWidget* parent = nullptr);

    // Opening: placement, then the labels from "LI".
    void Form_Load();
    // OK: unloads the window.
    void cmdOK_Click();

    QLabel *lblName, *lblType, *lblMag, *lblSize, *lblQual;
    QPushButton* cmdOK;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    bool loaded_ = false;
};

} // namespace teleon
