#include "setup/SetupWindows.h"

#include "link/ProgramState.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace teleon {

frmTimeAlert::frmTimeAlert(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmTimeAlert"));
    setWindowTitle(QStringLiteral("LX-200 Vantor"));
    auto* layout = new QVBoxLayout(this);
    lblMessage_ = new QLabel(this);
    lblMessage_->setObjectName(QStringLiteral("lblMessage"));
    lblMessage_->setWordWrap(true);
    chkNoAlert_ = new QCheckBox(QStringLiteral("Don't show this notice again"), this);
    chkNoAlert_->setObjectName(QStringLiteral("chkNoAlert"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    layout->addWidget(lblMessage_);
    layout->addWidget(chkNoAlert_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(chkNoAlert_, &QCheckBox::toggled, this,
            [](bool on) { AlertFlags = on ? (AlertFlags | 1) : (AlertFlags & ~1); });
}

void frmTimeAlert::SetMessage(const QString& text) {
    lblMessage_->setText(text);
}
QString frmTimeAlert::Message() const {
    return lblMessage_->text();
}

frmPlaceholder::frmPlaceholder(const QString& objectName, const QString& caption,
                               const QString& text, QWidget* parent)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    layout->addWidget(label);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

frmPlaceholder* NewPrefsWindow(QWidget* parent) {
    return new frmPlaceholder(QStringLiteral("frmPrefs"), QStringLiteral("Preferences"),
                              QStringLiteral("Preferences are not available yet."), parent);
}

frmPlaceholder* NewTipWindow(QWidget* parent) {
    return new frmPlaceholder(
        QStringLiteral("frmTip"), QStringLiteral("Tip of the Day"),
        QStringLiteral("Choose Connect from the Control menu to talk to your telescope."), parent);
}

frmPlaceholder* NewAboutWindow(QWidget* parent) {
    return new frmPlaceholder(QStringLiteral("frmAbout"), QStringLiteral("About Teleon"),
                              QStringLiteral("Teleon %1\nTelescope control for the LX-200.")
                                  .arg(QStringLiteral(TELEON_VERSION)),
                              parent);
}

} // namespace teleon
