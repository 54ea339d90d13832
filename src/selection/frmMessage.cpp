#include "selection/frmMessage.h"

#include "platform/EventLoop.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace teleon {

namespace {

QPointer<frmMessage>& messageWindow() {
    static QPointer<frmMessage> window;
    return window;
}

} // namespace

void PlaceOneThirdDown(QWidget& window) {
    window.adjustSize();
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect r = screen->geometry();
    window.move(r.x() + (r.width() - window.width()) / 2,
                r.y() + (r.height() - window.height()) / 3);
}

frmMessage::frmMessage(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(QStringLiteral("Teleon Control"));
    setModal(false);
    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setMinimumWidth(300);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
}

void frmMessage::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Form_Load();
}

void frmMessage::Form_Load() {
    PlaceOneThirdDown(*this);
}

void ShowMessage(const QString& text) {
    QPointer<frmMessage>& window = messageWindow();
    if (!window)
        window = new frmMessage;
    window->lblMessage->setText(text);
    window->show();
    platform::DoEvents();
}

void HideMessage() {
    QPointer<frmMessage>& window = messageWindow();
    delete window.data();
    window = nullptr;
}

frmMessage* MessageWindow() {
    return messageWindow().data();
}

} // namespace teleon
