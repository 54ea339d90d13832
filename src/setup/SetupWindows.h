// Observing-setup windows opened from the main window: the clock notice, preferences, tips and
// about. Preferences, tips and about are simple placeholders for now.
#pragma once

#include <QDialog>

class QLabel;
class QCheckBox;

namespace teleon {

// The notice shown after the telescope's clock has been set.
class frmTimeAlert : public QDialog {
    Q_OBJECT
public:
    explicit frmTimeAlert(QWidget* parent = nullptr);
    void SetMessage(const QString& text);
    QString Message() const;

private:
    QLabel* lblMessage_;
    QCheckBox* chkNoAlert_;
};

// A simple window with a caption, a text and an OK button.
class frmPlaceholder : public QDialog {
    Q_OBJECT
public:
    frmPlaceholder(const QString& objectName, const QString& caption, const QString& text,
                   QWidget* parent = nullptr);
};

frmPlaceholder* NewPrefsWindow(QWidget* parent);
frmPlaceholder* NewTipWindow(QWidget* parent);
frmPlaceholder* NewAboutWindow(QWidget* parent);

} // namespace teleon
