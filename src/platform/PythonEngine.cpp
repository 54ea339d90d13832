// The Python engine. pybind11 comes before the Qt headers: Qt's `slots` macro breaks Python's.
//
// One interpreter serves the program's whole life: started by the first engine, on the UI thread,
// and never finalized (objects made by scripts may outlive any engine). The UI thread holds the
// GIL only while script code or the engine's own Python calls run: host members are called with
// it released, so that a member which runs a nested event loop lets a re-entrant Run (which takes
// it again) and Interrupt from any other thread through.
//
// Bare member names: each engine's globals are a dict subclass whose __missing__ looks a name up
// among the members of the objects added with their members. The interpreter only takes its fast
// paths for exact dicts, so module-level code (LOAD_NAME) and functions (LOAD_GLOBAL) both reach
// __missing__, at every use: a bare property name reads the property at that moment. Names the
// script defines itself come first, then host members, then builtins.
//
// Interrupt: PyThreadState_SetAsyncExc raises ScriptInterrupted (a BaseException, so that
// `except Exception` does not swallow it) in the UI thread at its next bytecode; a `while True:
// pass` stops within the interpreter's switch interval. While the script waits in a host member
// the exception waits for the script to resume. It is only set while the engine runs, and a
// leftover one is cleared when the outermost Run ends.
#include <pybind11/embed.h>

#include "platform/CallErrors.h"
#include "platform/PythonEngine.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QPointer>

#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace teleon::platform {
namespace {

const char* const HostSource = R"PY(
class AutomationError(Exception):
    """An error raised by a member of a host object: number and description."""
    def __init__(self, number, description):
        super().__init__(description)
        self.number = number
        self.description = description
    def __str__(self):
        return self.description

class ScriptInterrupted(BaseException):
    def __str__(self):
        return "the script was stopped"

class NoInput:
    """Standard input of a script: reading it would wait on the program's terminal."""
    def read(self, *args):
        raise EOFError("scripts have no standard input")
    readline = read
    def isatty(self):
        return False

class HostGlobals(dict):
    def __missing__(self, key):
        for obj in self._members:
            if obj._has_member(key):
                return getattr(obj, key)
        raise KeyError(key)
)PY";

// The host module's classes (new references, kept for the interpreter's life).
struct HostClasses {
    PyObject* automationError = nullptr;
    PyObject* interrupted = nullptr;
    PyObject* globals = nullptr;
    PyObject* noInput = nullptr; // sys.stdin while a script runs
};
HostClasses host;
unsigned long uiThreadId = 0;

// The first error a member raised during the current host call.
std::optional<CallError> hostError;

[[noreturn]] void raise(PyObject* type, const QString& message) {
    PyErr_SetString(type, message.toUtf8().constData());
    throw py::error_already_set();
}

QString toQString(py::handle s) {
    return QString::fromStdString(py::str(s).cast<std::string>());
}

py::str toPy(const QString& s) {
    return py::str(s.toStdString());
}

struct HostObject {
    HostObject(QObject* o, bool own) : object(o), owned(own) {}
    ~HostObject() {
        if (owned && object && !object->parent())
            delete object.data();
    }
    HostObject(const HostObject&) = delete;
    HostObject& operator=(const HostObject&) = delete;
    QObject* live() const {
        if (!object)
            raise(PyExc_RuntimeError, QStringLiteral("the object no longer exists"));
        return object.data();
    }
    QPointer<QObject> object;
    bool owned;
};

struct HostMethod {
    py::object owner; // keeps an owned object alive while its method is
    QByteArray name;
};

// Lines the script prints, handed on one at a time.
struct OutputWriter {
    std::function<void(const QString&)> output;
    QString pending;
    void write(const QString& text) {
        pending += text;
        qsizetype end;
        while ((end = pending.indexOf(QLatin1Char('\n'))) >= 0) {
            const QString line = pending.left(end);
            pending.remove(0, end + 1);
            if (output)
                output(line);
        }
    }
    void finish() {
        if (!pending.isEmpty() && output)
            output(std::exchange(pending, QString()));
        pending.clear();
    }
};

bool isCallable(const QMetaMethod& m) {
    return m.access() == QMetaMethod::Public &&
           (m.methodType() == QMetaMethod::Method || m.methodType() == QMetaMethod::Slot) &&
           m.methodIndex() >= QObject::staticMetaObject.methodCount();
}

std::vector<QMetaMethod> methodsNamed(const QObject* o, const QByteArray& name) {
    std::vector<QMetaMethod> found;
    const QMetaObject* mo = o->metaObject();
    for (int i = mo->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod m = mo->method(i);
        if (isCallable(m) && m.name() == name)
            found.push_back(m);
    }
    return found;
}

bool hasMember(const QObject* o, const QByteArray& name) {
    return o->metaObject()->indexOfProperty(name.constData()) >= 0 ||
           !methodsNamed(o, name).empty();
}

// Runs a host member with the GIL released and returns the error it raised, if any.
template <class F> std::optional<CallError> hostCall(F&& call) {
    auto outer = std::exchange(hostError, std::nullopt);
    {
        py::gil_scoped_release release;
        call();
    }
    return std::exchange(hostError, std::move(outer));
}

[[noreturn]] void raiseAutomationError(const CallError& e) {
    const long long number = e.number == 32767 ? 32767 : 0x80040000LL + e.number;
    py::object exc = py::handle(host.automationError)(number, toPy(e.message));
    PyErr_SetObject(host.automationError, exc.ptr());
    throw py::error_already_set();
}

py::object fromVariant(const QVariant& v, bool ownObjects) {
    if (!v.isValid())
        return py::none();
    const QMetaType t = v.metaType();
    if (t.flags() & QMetaType::PointerToQObject) {
        QObject* o = *static_cast<QObject* const*>(v.constData());
        if (!o)
            return py::none();
        return py::cast(new HostObject(o, ownObjects && !o->parent()),
                        py::return_value_policy::take_ownership);
    }
    switch (t.id()) {
    case QMetaType::Bool:
        return py::bool_(v.toBool());
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Char:
    case QMetaType::SChar:
        return py::int_(v.toLongLong());
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UChar:
        return py::int_(v.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return py::float_(v.toDouble());
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        py::list l;
        for (const QVariant& item : v.toList())
            l.append(fromVariant(item, ownObjects));
        return l;
    }
    default:
        if (v.canConvert<QString>())
            return toPy(v.toString());
        return py::none();
    }
}

QVariant toVariant(py::handle v) {
    if (v.is_none())
        return {};
    if (PyBool_Check(v.ptr()))
        return v.cast<bool>();
    if (PyLong_Check(v.ptr())) {
        int overflow = 0;
        const long long x = PyLong_AsLongLongAndOverflow(v.ptr(), &overflow);
        if (overflow)
            return PyLong_AsDouble(v.ptr());
        if (x >= std::numeric_limits<int>::min() && x <= std::numeric_limits<int>::max())
            return int(x);
        return x;
    }
    if (PyFloat_Check(v.ptr()))
        return PyFloat_AsDouble(v.ptr());
    if (PyUnicode_Check(v.ptr()))
        return toQString(v);
    if (py::isinstance<HostObject>(v))
        return QVariant::fromValue<QObject*>(v.cast<HostObject&>().object.data());
    if (PyList_Check(v.ptr()) || PyTuple_Check(v.ptr())) {
        QVariantList l;
        for (py::handle item : v)
            l.append(toVariant(item));
        return l;
    }
    return toQString(v);
}

// The value for a parameter or property of type t, or the Python exception to raise.
struct Conversion {
    QVariant value;
    PyObject* errorType = nullptr;
    QString error = {};
};

Conversion toArgument(py::handle v, QMetaType t) {
    const auto wrong = [&] {
        return Conversion{{},
                          PyExc_TypeError,
                          QStringLiteral("expected %1, got %2")
                              .arg(QString::fromLatin1(t.name()),
                                   toQString(py::type::handle_of(v).attr("__name__")))};
    };
    switch (t.id()) {
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::LongLong: {
        if (!PyLong_Check(v.ptr()))
            return wrong();
        int overflow = 0;
        const long long x = PyLong_AsLongLongAndOverflow(v.ptr(), &overflow);
        const bool isShort = t.id() == QMetaType::Short;
        const long long lo = isShort ? -32768 : t.id() == QMetaType::Int ? INT_MIN : LLONG_MIN;
        const long long hi = isShort ? 32767 : t.id() == QMetaType::Int ? INT_MAX : LLONG_MAX;
        if (overflow || x < lo || x > hi)
            return {{},
                    PyExc_OverflowError,
                    QStringLiteral("%1 is out of range for %2")
                        .arg(toQString(v), QString::fromLatin1(t.name()))};
        QVariant out(t);
        if (isShort)
            *static_cast<qint16*>(out.data()) = qint16(x);
        else if (t.id() == QMetaType::Int)
            *static_cast<qint32*>(out.data()) = qint32(x);
        else
            *static_cast<qint64*>(out.data()) = x;
        return {out};
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        if (!PyFloat_Check(v.ptr()) && !PyLong_Check(v.ptr()))
            return wrong();
        const double d = PyFloat_AsDouble(v.ptr());
        if (d == -1.0 && PyErr_Occurred())
            throw py::error_already_set();
        return {t.id() == QMetaType::Float ? QVariant(float(d)) : QVariant(d)};
    }
    case QMetaType::Bool:
        if (!PyLong_Check(v.ptr())) // bool is an int subclass
            return wrong();
        return {QVariant(bool(PyObject_IsTrue(v.ptr())))};
    case QMetaType::QString:
        if (!PyUnicode_Check(v.ptr()))
            return wrong();
        return {QVariant(toQString(v))};
    case QMetaType::QVariant:
        return {toVariant(v)};
    default:
        break;
    }
    if (t.flags() & QMetaType::PointerToQObject) {
        QObject* o = nullptr;
        if (py::isinstance<HostObject>(v))
            o = v.cast<HostObject&>().object.data();
        else if (!v.is_none())
            return wrong();
        if (o && t.metaObject() && !o->metaObject()->inherits(t.metaObject()))
            return wrong();
        QVariant out(t);
        *static_cast<QObject**>(out.data()) = o;
        return {out};
    }
    return {{},
            PyExc_TypeError,
            QStringLiteral("parameters of type %1 are not supported")
                .arg(QString::fromLatin1(t.name()))};
}

py::object callMethod(HostMethod& self, const py::args& args) {
    QObject* o = self.owner.cast<HostObject&>().live();
    const auto candidates = methodsNamed(o, self.name);
    Conversion failed{{}, PyExc_TypeError, QString()};
    for (const QMetaMethod& m : candidates) {
        if (m.parameterCount() != int(args.size()))
            continue;
        std::vector<QVariant> values;
        for (int i = 0; i < m.parameterCount(); ++i) {
            Conversion c = toArgument(args[i], m.parameterMetaType(i));
            if (c.errorType) {
                c.error = QStringLiteral("%1() argument %2: %3")
                              .arg(QString::fromLatin1(self.name))
                              .arg(i + 1)
                              .arg(c.error);
                failed = c;
                break;
            }
            values.push_back(std::move(c.value));
        }
        if (values.size() != size_t(m.parameterCount()))
            continue;
        const QMetaType rt = m.returnMetaType();
        QVariant ret;
        std::vector<void*> argv{nullptr};
        if (rt.id() != QMetaType::Void && rt.isValid()) {
            ret = QVariant(rt);
            argv[0] = ret.data();
        }
        for (QVariant& v : values)
            argv.push_back(v.data());
        const int index = m.methodIndex();
        if (auto error = hostCall(
                [&] { o->qt_metacall(QMetaObject::InvokeMetaMethod, index, argv.data()); }))
            raiseAutomationError(*error);
        return fromVariant(ret, true);
    }
    if (failed.error.isEmpty())
        raise(PyExc_TypeError, QStringLiteral("%1() does not take %2 arguments")
                                   .arg(QString::fromLatin1(self.name))
                                   .arg(args.size()));
    raise(failed.errorType, failed.error);
}

py::object getMember(py::object self, const std::string& name) {
    QObject* o = self.cast<HostObject&>().live();
    const QByteArray key = QByteArray::fromStdString(name);
    const int index = o->metaObject()->indexOfProperty(key.constData());
    if (index >= 0) {
        const QMetaProperty p = o->metaObject()->property(index);
        QVariant value;
        if (auto error = hostCall([&] { value = p.read(o); }))
            raiseAutomationError(*error);
        return fromVariant(value, false);
    }
    if (!methodsNamed(o, key).empty())
        return py::cast(HostMethod{std::move(self), key});
    raise(PyExc_AttributeError, QStringLiteral("'%1' object has no member '%2'")
                                    .arg(QString::fromLatin1(o->metaObject()->className()),
                                         QString::fromStdString(name)));
}

void setMember(HostObject& self, const std::string& name, py::handle value) {
    QObject* o = self.live();
    const int index = o->metaObject()->indexOfProperty(name.c_str());
    const QString qname = QString::fromStdString(name);
    if (index < 0)
        raise(PyExc_AttributeError,
              QStringLiteral("'%1' object has no property '%2'")
                  .arg(QString::fromLatin1(o->metaObject()->className()), qname));
    const QMetaProperty p = o->metaObject()->property(index);
    if (!p.isWritable())
        raise(PyExc_AttributeError, QStringLiteral("property '%1' is read-only").arg(qname));
    Conversion c = toArgument(value, p.metaType());
    if (c.errorType)
        raise(c.errorType, QStringLiteral("property '%1': %2").arg(qname, c.error));
    bool written = false;
    if (auto error = hostCall([&] { written = p.write(o, c.value); }))
        raiseAutomationError(*error);
    if (!written)
        raise(PyExc_TypeError, QStringLiteral("property '%1' could not be set").arg(qname));
}

} // namespace
} // namespace teleon::platform

PYBIND11_EMBEDDED_MODULE(teleon_host, m) {
    using namespace teleon::platform;
    py::class_<HostObject>(m, "HostObject")
        .def("__getattr__", &getMember)
        .def("__setattr__", &setMember)
        .def("_has_member",
             [](HostObject& self, const std::string& name) {
                 return self.object && hasMember(self.object, QByteArray::fromStdString(name));
             })
        .def("__repr__", [](HostObject& self) {
            return "<host object " +
                   std::string(self.object ? self.object->metaObject()->className() : "(deleted)") +
                   ">";
        });
    py::class_<HostMethod>(m, "HostMethod").def("__call__", &callMethod);
    py::class_<OutputWriter, std::shared_ptr<OutputWriter>>(m, "OutputWriter")
        .def("write",
             [](OutputWriter& w, py::str text) {
                 const QString s = toQString(text);
                 w.write(s);
                 return s.size();
             })
        .def("flush", [](OutputWriter&) {})
        .def("isatty", [](OutputWriter&) { return false; })
        .def_property_readonly("encoding", [](OutputWriter&) { return "utf-8"; });
    py::exec(HostSource, m.attr("__dict__"));
}

namespace teleon::platform {
namespace {

// Starts the interpreter once; the reason when it could not be started.
const QString& ensureInterpreter() {
    static const QString failure = []() -> QString {
        try {
            // The program keeps its own signal handlers, and scripts do not import from whatever
            // the current directory is.
            if (!Py_IsInitialized())
                py::initialize_interpreter(false, 0, nullptr, false);
            {
                py::module_ m = py::module_::import("teleon_host");
                host.automationError = py::object(m.attr("AutomationError")).release().ptr();
                host.interrupted = py::object(m.attr("ScriptInterrupted")).release().ptr();
                host.globals = py::object(m.attr("HostGlobals")).release().ptr();
                host.noInput = py::object(m.attr("NoInput")()).release().ptr();
            }
            uiThreadId = PyThread_get_thread_ident();
            PyEval_SaveThread(); // the GIL is free between runs
            return {};
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        }
    }();
    return failure;
}

class PythonEngine final : public ScriptEngine {
public:
    PythonEngine() {
        py::gil_scoped_acquire gil;
        writer_ = std::make_shared<OutputWriter>();
        globals_ = py::handle(host.globals)();
        members_ = py::list();
        globals_.attr("_members") = members_;
        globals_["__builtins__"] = py::module_::import("builtins");
        globals_["__name__"] = "script";
        globals_["AutomationError"] = py::handle(host.automationError);
        writerObject_ = py::cast(writer_);
    }

    void SetOutput(std::function<void(const QString&)> output) override {
        writer_->output = std::move(output);
    }

    ~PythonEngine() override {
        py::gil_scoped_acquire gil;
        globals_.attr("clear")(); // breaks the cycles through the script's functions
        globals_ = py::object();
        members_ = py::object();
        writerObject_ = py::object();
    }

    void AddObject(const QString& name, QObject* object, bool addMembers) override {
        py::gil_scoped_acquire gil;
        py::object wrapper =
            py::cast(new HostObject(object, false), py::return_value_policy::take_ownership);
        globals_[toPy(name)] = wrapper;
        if (addMembers)
            members_.cast<py::list>().append(wrapper);
    }

    bool AddCode(const QString& code, const QString& fileName) override {
        const QString file = fileName.isEmpty() ? QStringLiteral("<script>") : fileName;
        if (!files_.contains(file))
            files_.append(file);
        return execute(
            [&] {
                py::module_ builtins = py::module_::import("builtins");
                py::object compiled = builtins.attr("compile")(toPy(code), toPy(file), "exec");
                builtins.attr("exec")(compiled, globals_);
                return py::object(py::none());
            },
            nullptr);
    }

    bool Run(const QString& procedure, const QVariantList& args, QVariant* result) override {
        return execute(
            [&] {
                // The dict's own items only: a host member is no procedure of the script.
                py::object f = py::reinterpret_borrow<py::object>(
                    PyDict_GetItemString(globals_.ptr(), procedure.toUtf8().constData()));
                if (!f || !PyCallable_Check(f.ptr()))
                    raise(PyExc_NameError,
                          QStringLiteral("the script has no procedure '%1'").arg(procedure));
                py::tuple pyArgs(args.size());
                for (int i = 0; i < args.size(); ++i)
                    pyArgs[i] = fromVariant(args[i], false);
                return f(*pyArgs);
            },
            result);
    }

    ScriptError Error() const override { return error_; }

    void Interrupt() override {
        if (!uiThreadId)
            return;
        const PyGILState_STATE state = PyGILState_Ensure();
        if (depth_ > 0)
            PyThreadState_SetAsyncExc(uiThreadId, host.interrupted);
        PyGILState_Release(state);
    }

private:
    bool execute(const std::function<py::object()>& body, QVariant* result) {
        py::gil_scoped_acquire gil;
        CallErrorTrap trap([](const QObject*, const CallError& e) {
            if (!hostError)
                hostError = e;
        });
        const auto outerError = std::exchange(hostError, std::nullopt);
        py::module_ sys = py::module_::import("sys");
        py::object oldOut = sys.attr("stdout");
        py::object oldErr = sys.attr("stderr");
        py::object oldIn = sys.attr("stdin");
        sys.attr("stdin") = py::handle(host.noInput);
        sys.attr("stdout") = writerObject_;
        sys.attr("stderr") = writerObject_;
        std::optional<py::error_already_set> failure;
        QString other;
        ++depth_;
        try {
            py::object value = body();
            if (result)
                *result = toVariant(value);
        } catch (py::error_already_set& e) {
            failure = std::move(e);
        } catch (const std::exception& e) { // a value pybind11 could not convert
            other = QString::fromUtf8(e.what());
        }
        if (--depth_ == 0) {
            PyThreadState_SetAsyncExc(uiThreadId, nullptr); // an Interrupt that came too late
            writer_->finish();
        }
        sys.attr("stdout") = oldOut;
        sys.attr("stderr") = oldErr;
        sys.attr("stdin") = oldIn;
        hostError = outerError;
        ScriptError error;
        if (failure)
            error = describe(*failure);
        else if (!other.isEmpty())
            error.description = other;
        error_ = error;
        return !failure && other.isEmpty();
    }

    ScriptError describe(py::error_already_set& e) const {
        ScriptError out;
        try {
            py::handle value = e.value();
            if (py::isinstance(value, py::handle(host.automationError))) {
                out.description = toQString(value.attr("description"));
            } else {
                const bool syntax = py::isinstance(value, py::handle(PyExc_SyntaxError));
                const QString message = toQString(syntax ? value.attr("msg") : value);
                out.description = toQString(py::type::handle_of(value).attr("__name__"));
                if (!message.isEmpty())
                    out.description += QStringLiteral(": ") + message;
                if (syntax) {
                    out.line =
                        value.attr("lineno").is_none() ? 0 : value.attr("lineno").cast<int>();
                    out.column =
                        value.attr("offset").is_none() ? 0 : value.attr("offset").cast<int>();
                    return out;
                }
            }
            if (!e.trace())
                return out;
            py::list frames = py::module_::import("traceback").attr("extract_tb")(e.trace());
            for (int i = int(frames.size()) - 1; i >= 0; --i) {
                py::handle f = frames[i];
                if (!files_.contains(toQString(f.attr("filename"))))
                    continue;
                out.line = f.attr("lineno").cast<int>();
                py::object col = py::getattr(f, "colno", py::none());
                out.column = col.is_none() ? 0 : col.cast<int>() + 1;
                break;
            }
        } catch (py::error_already_set&) {
            if (out.description.isEmpty())
                out.description = QStringLiteral("the script failed");
        }
        return out;
    }

    std::shared_ptr<OutputWriter> writer_;
    py::object writerObject_;
    py::object globals_;
    py::object members_;
    QStringList files_;
    ScriptError error_;
    int depth_ = 0; // nested runs under way (read and written under the GIL)
};

} // namespace

std::unique_ptr<ScriptEngine> MakePythonEngine() {
    if (const QString& failure = ensureInterpreter(); !failure.isEmpty())
        return std::make_unique<FailingEngine>(
            QStringLiteral("The Python interpreter could not be started: ") + failure);
    return std::make_unique<PythonEngine>();
}

} // namespace teleon::platform
