// A private D-Bus daemon for one test, and clients that call the program's objects on it while the
// test's own thread keeps serving them.
#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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
        QString services;
        if (!serviceDir.isEmpty())
            services =
                QStringLiteral("<servicedir>%1</servicedir>").arg(serviceDir.toHtmlEscaped());
        QFile f(config);
        if (!f.open(QIODevice::WriteOnly))
            return;
        f.write(QStringLiteral("<busconfig><type>session</type>"
                               "<listen>unix:dir=%1</listen><auth>EXTERNAL</auth>%2"
                               "<policy context=\"default\"><allow send_destination=\"*\" "
                               "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                               "</policy></busconfig>\n")
                    .arg(dir_.path(), services)
                    .toUtf8());
        f.close();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                       QStringLiteral("--config-file=") + config});
        if (!daemon_.waitForStarted(5000))
            return;
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000))
            daemon_.kill();
    }

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
        conn_ = QDBusConnection(QString()); // the connection closes with its last reference
        QDBusConnection::disconnectFromBus(name_);
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
            p->finishedMs = QDeadlineTimer::current().deadline();
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

private:
    QString name_;
    QDBusConnection conn_;
};

} // namespace teleon::test
