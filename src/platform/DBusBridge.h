// Serves automation objects on a D-Bus connection, driven by their QMetaObject: the properties
// and public invokables of each object's own class become the members of the interface named by
// its "D-Bus Interface" class info. Everything (methods, Properties Get/Set/GetAll, Introspect) is
// answered by the bridge itself, so that an error a member hands to its CallErrorTrap reaches the
// client with its own name and text, setters included.
//
// Calls run on the thread of the bridge, one at a time; a member may run a nested event loop, and
// the calls that arrive meanwhile are served inside it. Each reply is sent when its member returns.
#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <memory>

class QDBusMessage;
class QDBusServiceWatcher;

namespace teleon::platform {

class DBusBridge : public QObject {
    Q_OBJECT
public:
    explicit DBusBridge(const QDBusConnection& bus, QObject* parent = nullptr);
    ~DBusBridge() override;

    // Serves obj (not owned) at path under the interface named by its "D-Bus Interface" class
    // info. When creatable, a client's first call of a member or of Properties Get/Set/GetAll
    // (Introspect does not count) on any creatable object first runs firstUse(client), once per
    // client until that client leaves the bus. False for an invalid or taken path, or a class
    // without an interface name.
    bool exportObject(const QString& path, QObject* obj, bool creatable);

    // Objects that members return (a QObject-derived pointer) are served at <base>/<n>, n counting
    // from 1, and belong to the calling client: their interface gains Release(), which only that
    // client may call; Release or the client's leaving the bus ends them. A returned object
    // without a parent is deleted then; one with a parent belongs to the program and is only no
    // longer served. Without a base, a member that returns an object fails. False for an
    // invalid or taken path.
    bool setReturnedObjectBase(const QString& base);

    std::function<void(const QString& client)> firstUse;

    // Returned objects being served (released ones still running a call count until it ends).
    int liveReturnedObjects() const;

    // The <interface> element of mo's class; with returned, it lists Release() too.
    static QString introspectionXml(const QMetaObject& mo, bool returned = false);

private:
    struct Served;
    class Node;
    using ServedPtr = std::shared_ptr<Served>;

    bool handle(const QDBusMessage& msg);
    QDBusMessage dispatch(const QDBusMessage& msg, const ServedPtr& s);
    QDBusMessage callMethod(const QDBusMessage& msg, const ServedPtr& s);
    QDBusMessage properties(const QDBusMessage& msg, const ServedPtr& s);
    QDBusMessage release(const QDBusMessage& msg, const ServedPtr& s);
    QString introspect(const QString& path) const;
    bool toWire(QVariant& value, const QString& client);
    QString serveReturned(QObject* obj, const QString& client);
    void retire(const ServedPtr& s);
    void endCall(const ServedPtr& s);
    void noteClient(const QString& client);
    void clientGone(const QString& client);

    QDBusConnection bus_;
    QDBusServiceWatcher* watcher_;
    QHash<QString, ServedPtr> exported_;
    QHash<QString, ServedPtr> returned_;
    QString base_;
    quint64 nextReturned_ = 1;
    QSet<QString> clients_; // clients seen since they joined the bus
    QSet<QString> started_; // clients for whom firstUse has run
    int retiredRunning_ = 0;
    QList<Node*> nodes_;
};

} // namespace teleon::platform
