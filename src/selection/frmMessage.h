// A modeless one-line message window ("Teleon Control"), shown while the program works on
// something the user waits for (the alignment star selection), and the placement that the small
// windows of object selection share.
#pragma once

#include <QDialog>

class QLabel;

namespace teleon {

// Centres window horizontally on its screen with its top one third of the way down:
// left = (screen width - window width) / 2, top = (screen height - window height) / 3.
void PlaceOneThirdDown(QWidget& window);

class frmMessage : public QDialog {
    Q_OBJECT
public:
    explicit frmMessage(QWidget* parent = nullptr);

    // Opening: only the placement.
    void Form_Load();

    QLabel* lblMessage;

protected:
    void showEvent(QShowEvent* event) override;
};

// Loads the one message window, sets its text, shows it without making it modal and lets the
// event loop run so that it paints.
void ShowMessage(const QString& text);
// Unloads the message window; nothing when it is not shown.
void HideMessage();
// The message window while it is loaded, else nullptr.
frmMessage* MessageWindow();

} // namespace teleon
