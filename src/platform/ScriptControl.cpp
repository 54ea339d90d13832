#include "platform/ScriptControl.h"

#include "platform/JsEngine.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <QDeadlineTimer>
#include <QTimer>

#ifdef TELEON_HAVE_PYTHON
#include "platform/PythonEngine.h"
#endif

namespace teleon::platform {

namespace {

std::unique_ptr<ScriptEngine> MakeEngine(const QString& language) {
    if (language == QLatin1String("JScript"))
        return MakeJsEngine();
#ifdef TELEON_HAVE_PYTHON
    if (language == QLatin1String("Python"))
        return MakePythonEngine();
#endif
    if (ScriptControl::Languages().contains(language))
        return std::make_unique<FailingEngine>(
            QStringLiteral("No %1 interpreter is installed on this system").arg(language));
    return std::make_unique<FailingEngine>(
        QStringLiteral("\"%1\" is not a known script language").arg(language));
}

// A thread that, every periodMs until it is destroyed (the watched call has ended), asks due();
// the first time the answer is yes it interrupts the engine.
class Watcher {
public:
    void watch(ScriptEngine* engine, int periodMs, std::function<bool()> due) {
        thread_ = std::thread([this, engine, periodMs, due = std::move(due)] {
            std::unique_lock lock(mutex_);
            while (!fired_ && !ended_.wait_for(lock, std::chrono::milliseconds(periodMs),
                                               [this] { return done_; }))
                if (due()) {
                    fired_ = true;
                    engine->Interrupt();
                }
        });
    }
    ~Watcher() {
        if (!thread_.joinable())
            return;
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        ended_.notify_all();
        thread_.join();
    }
    bool fired() const { return fired_; }

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::atomic<bool> fired_ = false;
    std::thread thread_;
};

// Interrupts the engine once the time limit has passed, unless the call ended first.
class Watchdog {
public:
    Watchdog(ScriptEngine* engine, int ms) {
        if (ms > 0)
            watcher_.watch(engine, ms, [] { return true; });
    }
    bool fired() const { return watcher_.fired(); }

private:
    Watcher watcher_;
};

// Interrupts the engine when the event loop of the calling thread has not turned for stallMs:
// a timer of that thread marks each turn.
class StallWatch {
public:
    StallWatch(ScriptEngine* engine, int stallMs) {
        if (stallMs <= 0)
            return;
        lastTurn_ = QDeadlineTimer::current().deadline();
        heartbeat_ = std::make_unique<QTimer>();
        heartbeat_->setInterval(100);
        QObject::connect(heartbeat_.get(), &QTimer::timeout,
                         [this] { lastTurn_ = QDeadlineTimer::current().deadline(); });
        heartbeat_->start();
        watcher_.watch(engine, 100, [this, stallMs] {
            return QDeadlineTimer::current().deadline() - lastTurn_ > stallMs;
        });
    }
    bool fired() const { return watcher_.fired(); }

private:
    std::unique_ptr<QTimer> heartbeat_;
    std::atomic<qint64> lastTurn_ = 0;
    Watcher watcher_; // last: its thread ends before the members it reads go
};

} // namespace

ScriptControl::ScriptControl() = default;
ScriptControl::~ScriptControl() = default;

QStringList ScriptControl::Languages() {
    return {QStringLiteral("VBScript"), QStringLiteral("JScript"), QStringLiteral("PerlScript"),
            QStringLiteral("Python")};
}

void ScriptControl::setLanguage(const QString& language) {
    language_ = language;
}

QString ScriptControl::language() const {
    return language_;
}

void ScriptControl::setSiteWindow(QObject* window) {
    site_ = window;
}

void ScriptControl::setAllowUI(bool allow) {
    allowUI_ = allow;
}

void ScriptControl::setTimeout(int ms) {
    timeoutMs_ = ms;
}

void ScriptControl::setStallLimit(int ms) {
    stallLimitMs_ = ms;
}

void ScriptControl::Reset() {
    // Code still running (Reset from inside a nested event loop) keeps its engine until it ends.
    if (engine_ && depth_ > 0)
        retired_.push_back(std::move(engine_));
    engine_ = MakeEngine(language_);
    engine_->SetOutput([this](const QString& line) {
        if (output)
            output(line);
    });
    error_ = {};
}

void ScriptControl::AddObject(const QString& name, QObject* object, bool addMembers) {
    if (!engine_)
        Reset();
    engine_->AddObject(name, object, addMembers);
}

template <typename F> bool ScriptControl::Call(F&& f) {
    if (!engine_)
        Reset();
    ScriptEngine* engine = engine_.get();
    const bool outermost = depth_++ == 0;
    bool ok = false;
    bool timedOut = false;
    bool stalled = false;
    {
        Watchdog watchdog(engine, outermost ? timeoutMs_ : 0);
        StallWatch stall(engine, outermost ? stallLimitMs_ : 0);
        ok = f(*engine);
        timedOut = !ok && watchdog.fired();
        stalled = !ok && stall.fired();
    }
    error_ = ok ? ScriptError{} : engine->Error();
    if (stalled)
        error_.description =
            QStringLiteral("The script was stopped: it kept the program from answering for %1 s")
                .arg(stallLimitMs_ / 1000.0);
    if (timedOut)
        error_ = {
            QStringLiteral("The script ran longer than its time limit of %1 ms").arg(timeoutMs_), 0,
            0};
    if (--depth_ == 0)
        retired_.clear();
    return ok;
}

bool ScriptControl::AddCode(const QString& code, const QString& fileName) {
    return Call([&](ScriptEngine& e) { return e.AddCode(code, fileName); });
}

bool ScriptControl::Run(const QString& procedure, const QVariantList& args, QVariant* result) {
    return Call([&](ScriptEngine& e) { return e.Run(procedure, args, result); });
}

ScriptError ScriptControl::Error() const {
    return error_;
}

void ScriptControl::Interrupt() {
    if (engine_)
        engine_->Interrupt();
    for (const auto& engine : retired_)
        engine->Interrupt();
}

} // namespace teleon::platform
