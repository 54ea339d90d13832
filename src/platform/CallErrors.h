// How an error raised inside an automation member leaves it: never as a C++ exception through
// Qt's meta-object calls or a script engine, but handed to the host that made the call. A host
// (the D-Bus bridge, a script engine, a test) opens a CallErrorTrap around each call and looks at
// it afterwards; traps nest, because a member may wait and let another call run meanwhile.
#pragma once

#include <QString>

#include <functional>
#include <optional>

class QObject;

namespace teleon::platform {

struct CallError {
    int number = 0;  // the automation error n (32767 for the lost link)
    QString name;    // the D-Bus error name, e.g. "org.marrick.Teleon.Error.ValueOutOfRange"
    QString message; // the description, exactly as the user would read it
};

class CallErrorTrap {
public:
    CallErrorTrap();
    // A trap that hands each error at once to handler (a script engine turns it into the
    // script's exception at the point of the call) instead of keeping it.
    explicit CallErrorTrap(std::function<void(const QObject* self, const CallError&)> handler);
    ~CallErrorTrap();
    CallErrorTrap(const CallErrorTrap&) = delete;
    CallErrorTrap& operator=(const CallErrorTrap&) = delete;

    bool failed() const { return error_.has_value(); }
    const std::optional<CallError>& error() const { return error_; }
    void clear() { error_.reset(); }

private:
    friend void RaiseCallError(const QObject*, const CallError&);
    std::optional<CallError> error_;
    std::function<void(const QObject*, const CallError&)> handler_;
    CallErrorTrap* outer_;
};

// Hands the error of a member of `self` to the innermost open trap (the first error of a call is
// kept). Without a trap the sink gets it (a script engine); without a sink it is logged.
void RaiseCallError(const QObject* self, const CallError& error);

// The sink for calls made outside any trap; returns the previous one.
using CallErrorSink = std::function<void(const QObject* self, const CallError&)>;
CallErrorSink SetCallErrorSink(CallErrorSink sink);

} // namespace teleon::platform
