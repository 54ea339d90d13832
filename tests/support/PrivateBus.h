// A private D-Bus daemon for one test, and clients that call the program's objects on it while the
// test's own thread keeps serving them.
#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

namespace teleon::test {

// dbus-daemon --nofork with its own configuration (no <env>: the daemon and the programs it
// activates inherit the test's environment). serviceDir, when given, is searched for activatable
// services. address() is empty when the daemon did not start.
class PrivateBus {
public:
    explicit PrivateBus(const QString& serviceDir = {}) {
        const QString config = dir_.filePath(QStringLiteral("session.conf"));
        QFile f(config);
        if (!f.open(QIODevice::WriteOnly))
            return;
        f.write(QStringLiteral(
                    "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                    "1.0//EN\"\n \"http://www.freedesktop.org/standards/dbus/1.0/"
                    "busconfig.dtd\">\n<busconfig><type>session</type>"
                    "<listen>unix:dir=%1</listen><auth>EXTERNAL</auth>%2"
                    "<policy context=\"default\"><allow send_destination=\"*\" "
                    "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                    "</policy></busconfig>\n")
                    .arg(dir_.path(), serviceDir.isEmpty()
                                          ? QString()
                                          : QStringLiteral("<servicedir>%1</servicedir>")
                                                .arg(serviceDir.toHtmlEscaped()))
                    .toUtf8());
        f.close();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                       QStringLiteral("--config-file=") + config});
        if (!daemon_.waitForStarted(5000))
            return;
        QElapsedTimer t;
        t.start();
        while (!daemon_.canReadLine() && t.elapsed() < 5000 && daemon_.state() == QProcess::Running)
            daemon_.waitForReadyRead(100);
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000))
            daemon_.kill();
        daemon_.waitForFinished(1000);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    QString address() const { return address_; }

    // A connection of the program under test.
    QDBusConnection connect(const QString& name) const {
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

// Runs the event loop until done() or the timeout; true when done() came true.
template <typename Done> bool PumpUntil(Done done, int timeoutMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

// One client of the bus, with its own connection and unique name. Its calls are sent without
// blocking the test's thread, which goes on serving the objects under test until the reply comes.
class BusClient {
public:
    struct Pending {
        bool done = false;
        QDBusMessage reply;
        qint64 finishedMs = -1; // when the reply came, on the steady clock
    };

    BusClient(const QString& address, const QString& name)
        : name_(name), conn_(QDBusConnection::connectToBus(address, name)) {}
    ~BusClient() { leave(); }

    // Disconnects, so that the bus reports the client gone.
    void leave() {
        if (!left_) {
            conn_ = QDBusConnection(QString()); // the connection closes with its last reference
            QDBusConnection::disconnectFromBus(name_);
        }
        left_ = true;
    }
    QString uniqueName() const { return conn_.baseService(); }

    // onReply runs when the reply comes, possibly inside a member's nested event loop.
    std::shared_ptr<Pending> start(const QDBusMessage& msg, int timeoutMs = 10000,
                                   std::function<void()> onReply = {}) {
        auto p = std::make_shared<Pending>();
        auto* w = new QDBusPendingCallWatcher(conn_.asyncCall(msg, timeoutMs));
        QObject::connect(w, &QDBusPendingCallWatcher::finished, w, [p, w, onReply] {
            if (onReply)
                onReply();
            p->reply = w->reply();
            p->finishedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
            p->done = true;
            w->deleteLater();
        });
        return p;
    }
    QDBusMessage call(const QDBusMessage& msg, int timeoutMs = 10000) {
        auto p = start(msg, timeoutMs);
        PumpUntil([&] { return p->done; }, timeoutMs + 1000);
        return p->reply;
    }
    QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
        m.setArguments(args);
        return call(m);
    }

private:
    QString name_;
    QDBusConnection conn_;
    bool left_ = false;
};

} // namespace teleon::test
