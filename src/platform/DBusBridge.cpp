#include "platform/DBusBridge.h"

#include "platform/CallErrors.h"

#include <QAbstractEventDispatcher>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QVarLengthArray>

#include <limits>
#include <optional>

namespace teleon::platform {

namespace {
constexpr qsizetype MaxStringArgument = 4096;
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString IntrospectableInterface = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString DocAnnotation = QStringLiteral("org.gtk.GDBus.DocString");

QString ClassInfo(const QMetaObject& mo, const char* name) {
    const int i = mo.indexOfClassInfo(name);
    return i < 0 ? QString() : QString::fromUtf8(mo.classInfo(i).value());
}

// The D-Bus type of a member's value: empty for void, nothing for a type the bridge cannot carry.
std::optional<QString> Signature(QMetaType t) {
    switch (t.id()) {
    case QMetaType::Void:
        return QString();
    case QMetaType::Short:
        return QStringLiteral("n");
    case QMetaType::Int:
        return QStringLiteral("i");
    case QMetaType::Bool:
        return QStringLiteral("b");
    case QMetaType::Double:
        return QStringLiteral("d");
    case QMetaType::QString:
        return QStringLiteral("s");
    default:
        if (t.flags() & QMetaType::PointerToQObject)
            return QStringLiteral("o");
        return std::nullopt;
    }
}

bool IsObjectType(QMetaType t) {
    return t.flags() & QMetaType::PointerToQObject;
}

// The members of the object's own classes (not QObject's) that the bridge can carry.
bool Carried(const QMetaMethod& m) {
    if (m.methodIndex() < QObject::staticMetaObject.methodCount() ||
        m.access() != QMetaMethod::Public ||
        (m.methodType() != QMetaMethod::Method && m.methodType() != QMetaMethod::Slot))
        return false;
    if (!Signature(m.returnMetaType()))
        return false;
    for (int i = 0; i < m.parameterCount(); ++i)
        if (!Signature(m.parameterMetaType(i)) || m.parameterMetaType(i).id() == QMetaType::Void ||
            IsObjectType(m.parameterMetaType(i)))
            return false;
    return true;
}

bool Carried(const QMetaProperty& p) {
    const auto sig = Signature(p.metaType());
    return p.propertyIndex() >= QObject::staticMetaObject.propertyCount() && p.isReadable() &&
           sig && !sig->isEmpty();
}

std::optional<QMetaProperty> FindProperty(const QMetaObject& mo, const QString& name) {
    const int i = mo.indexOfProperty(name.toUtf8().constData());
    if (i < 0 || !Carried(mo.property(i)))
        return std::nullopt;
    return mo.property(i);
}

// An argument as the parameter's type: integers of any D-Bus width when the value fits, integers
// for doubles, nothing else.
std::optional<QVariant> Convert(const QVariant& in, QMetaType to) {
    const int from = in.metaType().id();
    const bool isInteger = from == QMetaType::UChar || from == QMetaType::Short ||
                           from == QMetaType::UShort || from == QMetaType::Int ||
                           from == QMetaType::UInt || from == QMetaType::LongLong ||
                           from == QMetaType::ULongLong;
    auto fits = [&](qint64 lo, qint64 hi) {
        if (from == QMetaType::ULongLong)
            return in.toULongLong() <= quint64(hi);
        const qint64 v = in.toLongLong();
        return v >= lo && v <= hi;
    };
    switch (to.id()) {
    case QMetaType::Bool:
        if (from == QMetaType::Bool)
            return in;
        break;
    case QMetaType::QString:
        if (from == QMetaType::QString && in.toString().size() <= MaxStringArgument)
            return in;
        break;
    case QMetaType::Double:
        if (from == QMetaType::Double)
            return in;
        if (isInteger)
            return QVariant(from == QMetaType::ULongLong ? double(in.toULongLong())
                                                         : double(in.toLongLong()));
        break;
    case QMetaType::Short:
        if (isInteger &&
            fits(std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()))
            return QVariant::fromValue(qint16(in.toLongLong()));
        break;
    case QMetaType::Int:
        if (isInteger &&
            fits(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()))
            return QVariant::fromValue(qint32(in.toLongLong()));
        break;
    default:
        break;
    }
    return std::nullopt;
}

// libdbus refuses to send an error with a malformed name, and the client would wait in vain.
bool IsValidErrorName(const QString& name) {
    if (name.isEmpty() || name.size() > 255)
        return false;
    const QStringList parts = name.split(QLatin1Char('.'));
    if (parts.size() < 2)
        return false;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.at(0).isDigit())
            return false;
        for (QChar c : part)
            if (!(c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'))
                return false;
    }
    return true;
}

bool IsValidPath(const QString& path) {
    if (!path.startsWith(QLatin1Char('/')) || (path.size() > 1 && path.endsWith(QLatin1Char('/'))))
        return false;
    for (const QString& part : path.mid(1).split(QLatin1Char('/'))) {
        if (path.size() > 1 && part.isEmpty())
            return false;
        for (QChar c : part)
            if (!(c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'))
                return false;
    }
    return true;
}

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString DocXml(const QString& doc, const char* indent) {
    if (doc.isEmpty())
        return {};
    return QStringLiteral("%1<annotation name=\"%2\" value=\"%3\"/>\n")
        .arg(QLatin1String(indent), DocAnnotation, Escaped(doc));
}

const char StandardInterfaces[] = R"(  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="property_name" type="s" direction="in"/>
      <arg name="value" type="v" direction="out"/>
    </method>
    <method name="Set">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="property_name" type="s" direction="in"/>
      <arg name="value" type="v" direction="in"/>
    </method>
    <method name="GetAll">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="values" type="a{sv}" direction="out"/>
    </method>
  </interface>
  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect">
      <arg name="xml_data" type="s" direction="out"/>
    </method>
  </interface>
  <interface name="org.freedesktop.DBus.Peer">
    <method name="Ping"/>
    <method name="GetMachineId">
      <arg name="machine_uuid" type="s" direction="out"/>
    </method>
  </interface>
)";

QDBusMessage Error(const QDBusMessage& msg, QDBusError::ErrorType type, const QString& text) {
    return msg.createErrorReply(type, text);
}

} // namespace

struct DBusBridge::Served {
    QString path;
    QPointer<QObject> obj;
    const QMetaObject* meta = nullptr;
    QString interface;
    bool creatable = false;
    bool returned = false;
    bool owned = false; // a returned object without parent: deleted when it ends
    QString owner;      // the client a returned object belongs to
    int running = 0;    // calls of its members in progress
    bool retired = false;
};

// One registration with the connection: an exported object's path, or the base of the returned
// objects with all paths below it.
class DBusBridge::Node : public QDBusVirtualObject {
public:
    explicit Node(DBusBridge* bridge) : QDBusVirtualObject(bridge), bridge_(bridge) {}
    QString introspect(const QString& path) const override { return bridge_->introspect(path); }
    bool handleMessage(const QDBusMessage& msg, const QDBusConnection&) override {
        return bridge_->handle(msg);
    }

private:
    DBusBridge* bridge_;
};

DBusBridge::DBusBridge(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus),
      watcher_(new QDBusServiceWatcher(QString(), bus, QDBusServiceWatcher::WatchForUnregistration,
                                       this)) {
    connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &DBusBridge::clientGone);
}

DBusBridge::~DBusBridge() {
    for (auto it = exported_.cbegin(); it != exported_.cend(); ++it)
        bus_.unregisterObject(it.key());
    if (!base_.isEmpty())
        bus_.unregisterObject(base_, QDBusConnection::UnregisterTree);
    const auto returned = returned_.values();
    for (const ServedPtr& s : returned)
        retire(s);
}

bool DBusBridge::exportObject(const QString& path, QObject* obj, bool creatable) {
    if (!obj || !IsValidPath(path) || exported_.contains(path) || path == base_)
        return false;
    auto s = std::make_shared<Served>();
    s->path = path;
    s->obj = obj;
    s->meta = obj->metaObject();
    s->interface = ClassInfo(*s->meta, "D-Bus Interface");
    s->creatable = creatable;
    if (s->interface.isEmpty())
        return false;
    auto* node = new Node(this);
    if (!bus_.registerVirtualObject(path, node, QDBusConnection::SingleNode)) {
        delete node;
        return false;
    }
    nodes_.append(node);
    exported_.insert(path, s);
    return true;
}

bool DBusBridge::setReturnedObjectBase(const QString& base) {
    if (!base_.isEmpty() || base == QLatin1String("/") || !IsValidPath(base) ||
        exported_.contains(base))
        return false;
    auto* node = new Node(this);
    if (!bus_.registerVirtualObject(base, node, QDBusConnection::SubPath)) {
        delete node;
        return false;
    }
    nodes_.append(node);
    base_ = base;
    return true;
}

int DBusBridge::liveReturnedObjects() const {
    return int(returned_.size()) + retiredRunning_;
}

QString DBusBridge::introspectionXml(const QMetaObject& mo, bool returned) {
    QString xml = QStringLiteral("  <interface name=\"%1\">\n")
                      .arg(Escaped(ClassInfo(mo, "D-Bus Interface")));
    xml += DocXml(ClassInfo(mo, "Description"), "    ");
    auto doc = [&](const QByteArray& member) {
        return ClassInfo(mo, QByteArray("Doc:" + member).constData());
    };
    for (int i = 0; i < mo.propertyCount(); ++i) {
        const QMetaProperty p = mo.property(i);
        if (!Carried(p))
            continue;
        const QString d = doc(p.name());
        xml += QStringLiteral("    <property name=\"%1\" type=\"%2\" access=\"%3\"")
                   .arg(QLatin1String(p.name()), *Signature(p.metaType()),
                        p.isWritable() ? QStringLiteral("readwrite") : QStringLiteral("read"));
        xml += d.isEmpty() ? QStringLiteral("/>\n")
                           : QStringLiteral(">\n") + DocXml(d, "      ") +
                                 QStringLiteral("    </property>\n");
    }
    for (int i = 0; i < mo.methodCount(); ++i) {
        const QMetaMethod m = mo.method(i);
        if (!Carried(m) || (m.attributes() & QMetaMethod::Cloned))
            continue;
        xml += QStringLiteral("    <method name=\"%1\">\n").arg(QLatin1String(m.name()));
        xml += DocXml(doc(m.name()), "      ");
        const QList<QByteArray> names = m.parameterNames();
        for (int a = 0; a < m.parameterCount(); ++a)
            xml += QStringLiteral("      <arg name=\"%1\" type=\"%2\" direction=\"in\"/>\n")
                       .arg(QLatin1String(names.value(a)), *Signature(m.parameterMetaType(a)));
        const QString out = *Signature(m.returnMetaType());
        if (!out.isEmpty())
            xml += QStringLiteral("      <arg type=\"%1\" direction=\"out\"/>\n").arg(out);
        xml += QStringLiteral("    </method>\n");
    }
    if (returned)
        xml += QStringLiteral("    <method name=\"Release\">\n") +
               DocXml(QStringLiteral("Ends this object"), "      ") +
               QStringLiteral("    </method>\n");
    return xml + QStringLiteral("  </interface>\n");
}

QString DBusBridge::introspect(const QString& path) const {
    QString xml = QStringLiteral("<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object "
                                 "Introspection 1.0//EN\"\n"
                                 "\"http://www.freedesktop.org/standards/dbus/1.0/"
                                 "introspect.dtd\">\n<node>\n");
    ServedPtr s = exported_.value(path);
    if (!s)
        s = returned_.value(path);
    if (s && s->obj)
        xml += introspectionXml(*s->meta, s->returned) + QLatin1String(StandardInterfaces);
    else
        xml += QLatin1String(StandardInterfaces)
                   .mid(QLatin1String(StandardInterfaces)
                            .indexOf(QLatin1String("  <interface name=\"org."
                                                   "freedesktop.DBus."
                                                   "Introspectable")));
    // The nodes directly below, so that a recursive introspection finds every object.
    const QString prefix = path == QLatin1String("/") ? path : path + QLatin1Char('/');
    QStringList children;
    auto addChild = [&](const QString& p) {
        if (!p.startsWith(prefix) || p.size() == prefix.size())
            return;
        const QString name = p.mid(prefix.size()).section(QLatin1Char('/'), 0, 0);
        if (!children.contains(name))
            children.append(name);
    };
    for (auto it = exported_.cbegin(); it != exported_.cend(); ++it)
        addChild(it.key());
    for (auto it = returned_.cbegin(); it != returned_.cend(); ++it)
        addChild(it.key());
    if (!base_.isEmpty())
        addChild(base_);
    children.sort();
    for (const QString& c : std::as_const(children))
        xml += QStringLiteral("  <node name=\"%1\"/>\n").arg(c);
    return xml + QStringLiteral("</node>\n");
}

bool DBusBridge::handle(const QDBusMessage& msg) {
    if (msg.type() != QDBusMessage::MethodCallMessage)
        return false;
    ServedPtr s = exported_.value(msg.path());
    if (!s)
        s = returned_.value(msg.path());
    const bool introspection =
        msg.member() == QLatin1String("Introspect") &&
        (msg.interface().isEmpty() || msg.interface() == IntrospectableInterface);
    QDBusMessage reply;
    if (introspection && (s || msg.path() == base_))
        reply = msg.signature().isEmpty() ? msg.createReply(introspect(msg.path()))
                                          : Error(msg, QDBusError::InvalidArgs,
                                                  QStringLiteral("Introspect takes no arguments"));
    else if (!s || !s->obj)
        reply = Error(msg, QDBusError::UnknownObject,
                      QStringLiteral("No such object path '%1'").arg(msg.path()));
    else
        reply = dispatch(msg, s);
    bus_.send(reply);
    return true;
}

QDBusMessage DBusBridge::dispatch(const QDBusMessage& msg, const ServedPtr& s) {
    const QString client = msg.service();
    const QString interface = msg.interface();
    if (interface == IntrospectableInterface)
        return Error(
            msg, QDBusError::UnknownMethod,
            QStringLiteral("No such method '%1' in interface '%2'").arg(msg.member(), interface));
    if (interface != PropertiesInterface && !interface.isEmpty() && interface != s->interface)
        return Error(
            msg, QDBusError::UnknownInterface,
            QStringLiteral("No such interface '%1' at object path '%2'").arg(interface, s->path));
    if (s->returned && msg.member() == QLatin1String("Release") && interface != PropertiesInterface)
        return release(msg, s);

    noteClient(client);
    // Calls that were already queued with this one must be served if the member waits with the
    // event loop running: the GLib event dispatcher does not deliver posted events that were
    // waiting before the current delivery began unless it is woken again.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
    ++s->running;
    QDBusMessage reply;
    {
        CallErrorTrap trap;
        if (s->creatable && !started_.contains(client)) {
            started_.insert(client);
            if (firstUse)
                firstUse(client);
        }
        if (!s->obj)
            reply = Error(msg, QDBusError::UnknownObject, QStringLiteral("The object has ended"));
        else if (interface == PropertiesInterface)
            reply = properties(msg, s);
        else
            reply = callMethod(msg, s);
        if (trap.failed()) {
            const CallError& e = *trap.error();
            reply = IsValidErrorName(e.name) ? msg.createErrorReply(e.name, e.message)
                                             : Error(msg, QDBusError::Failed, e.message);
        }
    }
    endCall(s);
    return reply;
}

QDBusMessage DBusBridge::callMethod(const QDBusMessage& msg, const ServedPtr& s) {
    const QVariantList args = msg.arguments();
    const QMetaObject& mo = *s->meta;
    const QByteArray name = msg.member().toUtf8();
    bool known = false;
    for (int i = QObject::staticMetaObject.methodCount(); i < mo.methodCount(); ++i) {
        const QMetaMethod m = mo.method(i);
        if (m.name() != name || !Carried(m))
            continue;
        known = true;
        if (m.parameterCount() != args.size())
            continue;
        QVarLengthArray<QVariant, 8> values;
        bool ok = true;
        for (int a = 0; a < args.size() && ok; ++a) {
            const auto v = Convert(args.at(a), m.parameterMetaType(a));
            ok = v.has_value();
            if (ok)
                values.append(*v);
        }
        if (!ok)
            continue;
        QVariant result =
            m.returnMetaType().id() == QMetaType::Void ? QVariant() : QVariant(m.returnMetaType());
        QVarLengthArray<void*, 9> argv;
        argv.append(result.isValid() ? result.data() : nullptr);
        for (QVariant& v : values)
            argv.append(v.data());
        QMetaObject::metacall(s->obj, QMetaObject::InvokeMetaMethod, m.methodIndex(), argv.data());
        if (!result.isValid())
            return msg.createReply();
        if (!toWire(result, msg.service()))
            return Error(msg, QDBusError::Failed,
                         QStringLiteral("No place to serve the returned object"));
        return msg.createReply(result);
    }
    if (known)
        return Error(
            msg, QDBusError::InvalidArgs,
            QStringLiteral("Wrong arguments (%1) for '%2'").arg(msg.signature(), msg.member()));
    return Error(
        msg, QDBusError::UnknownMethod,
        QStringLiteral("No such method '%1' in interface '%2'").arg(msg.member(), s->interface));
}

QDBusMessage DBusBridge::properties(const QDBusMessage& msg, const ServedPtr& s) {
    const QVariantList args = msg.arguments();
    const QString member = msg.member();
    const QString sig = msg.signature();
    if (member != QLatin1String("Get") && member != QLatin1String("Set") &&
        member != QLatin1String("GetAll"))
        return Error(msg, QDBusError::UnknownMethod,
                     QStringLiteral("No such method '%1' in interface '%2'")
                         .arg(member, PropertiesInterface));
    const QString wanted = member == QLatin1String("Get")   ? QStringLiteral("ss")
                           : member == QLatin1String("Set") ? QStringLiteral("ssv")
                                                            : QStringLiteral("s");
    if (sig != wanted)
        return Error(msg, QDBusError::InvalidArgs,
                     QStringLiteral("%1 takes (%2), not (%3)").arg(member, wanted, sig));
    const QString interface = args.at(0).toString();
    if (!interface.isEmpty() && interface != s->interface)
        return Error(
            msg, QDBusError::UnknownInterface,
            QStringLiteral("No such interface '%1' at object path '%2'").arg(interface, s->path));
    const QMetaObject& mo = *s->meta;
    if (member == QLatin1String("GetAll")) {
        QVariantMap all;
        for (int i = QObject::staticMetaObject.propertyCount(); i < mo.propertyCount(); ++i) {
            const QMetaProperty p = mo.property(i);
            if (!Carried(p))
                continue;
            QVariant v = p.read(s->obj);
            if (!s->obj || !toWire(v, msg.service()))
                return Error(msg, QDBusError::Failed,
                             QStringLiteral("Cannot read '%1'").arg(p.name()));
            all.insert(QLatin1String(p.name()), v);
        }
        return msg.createReply(QVariant::fromValue(all));
    }
    const QString name = args.at(1).toString();
    const auto p = FindProperty(mo, name);
    if (!p)
        return Error(
            msg, QDBusError::UnknownProperty,
            QStringLiteral("No such property '%1' in interface '%2'").arg(name, s->interface));
    if (member == QLatin1String("Get")) {
        QVariant v = p->read(s->obj);
        if (!toWire(v, msg.service()))
            return Error(msg, QDBusError::Failed,
                         QStringLiteral("No place to serve the returned object"));
        return msg.createReply(QVariant::fromValue(QDBusVariant(v)));
    }
    if (!p->isWritable())
        return Error(msg, QDBusError::PropertyReadOnly,
                     QStringLiteral("Property '%1' is read-only").arg(name));
    const auto value = Convert(args.at(2).value<QDBusVariant>().variant(), p->metaType());
    if (!value || IsObjectType(p->metaType()))
        return Error(
            msg, QDBusError::InvalidArgs,
            QStringLiteral("Property '%1' is of type '%2'").arg(name, *Signature(p->metaType())));
    if (!p->write(s->obj, *value))
        return Error(msg, QDBusError::InvalidArgs,
                     QStringLiteral("Property '%1' was not written").arg(name));
    return msg.createReply();
}

QDBusMessage DBusBridge::release(const QDBusMessage& msg, const ServedPtr& s) {
    if (!msg.signature().isEmpty())
        return Error(msg, QDBusError::InvalidArgs, QStringLiteral("Release takes no arguments"));
    if (msg.service() != s->owner)
        return Error(
            msg, QDBusError::AccessDenied,
            QStringLiteral("Only the client that received '%1' may release it").arg(s->path));
    retire(s);
    return msg.createReply();
}

// A returned object becomes its path; false when there is no base to serve it under.
bool DBusBridge::toWire(QVariant& value, const QString& client) {
    if (!IsObjectType(value.metaType()))
        return true;
    QObject* obj = *static_cast<QObject* const*>(value.constData());
    if (!obj) {
        value = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")));
        return true;
    }
    const QString path = serveReturned(obj, client);
    if (path.isEmpty()) {
        if (!obj->parent())
            delete obj;
        return false;
    }
    value = QVariant::fromValue(QDBusObjectPath(path));
    return true;
}

QString DBusBridge::serveReturned(QObject* obj, const QString& client) {
    for (auto it = returned_.cbegin(); it != returned_.cend(); ++it)
        if (it.value()->obj == obj)
            return it.key();
    const QMetaObject* mo = obj->metaObject();
    if (base_.isEmpty() || ClassInfo(*mo, "D-Bus Interface").isEmpty())
        return {};
    auto s = std::make_shared<Served>();
    s->path = base_ + QLatin1Char('/') + QString::number(nextReturned_++);
    s->obj = obj;
    s->meta = mo;
    s->interface = ClassInfo(*mo, "D-Bus Interface");
    s->returned = true;
    s->owned = !obj->parent();
    s->owner = client;
    returned_.insert(s->path, s);
    // An object the program ends by itself is no longer served.
    connect(obj, &QObject::destroyed, this, [this, path = s->path, obj] {
        const ServedPtr found = returned_.value(path);
        if (found && found->obj.isNull())
            returned_.remove(path);
    });
    return s->path;
}

// Ends a returned object: no longer served, and deleted when it is ours once no call of its
// members is running.
void DBusBridge::retire(const ServedPtr& s) {
    if (s->retired)
        return;
    s->retired = true;
    returned_.remove(s->path);
    if (s->running > 0)
        ++retiredRunning_;
    else if (s->owned)
        delete s->obj.data();
}

void DBusBridge::endCall(const ServedPtr& s) {
    if (--s->running > 0 || !s->retired)
        return;
    --retiredRunning_;
    if (s->owned)
        delete s->obj.data();
}

void DBusBridge::noteClient(const QString& client) {
    if (client.isEmpty() || clients_.contains(client))
        return;
    clients_.insert(client);
    watcher_->addWatchedService(client);
    // A client that left before the watch began would never be reported.
    if (QDBusConnectionInterface* daemon = bus_.interface()) {
        const QDBusReply<bool> present = daemon->isServiceRegistered(client);
        if (present.isValid() && !present.value())
            QMetaObject::invokeMethod(
                this, [this, client] { clientGone(client); }, Qt::QueuedConnection);
    }
}

void DBusBridge::clientGone(const QString& client) {
    if (!clients_.remove(client))
        return;
    started_.remove(client);
    watcher_->removeWatchedService(client);
    const auto returned = returned_.values();
    for (const ServedPtr& s : returned)
        if (s->owner == client)
            retire(s);
}

} // namespace teleon::platform
