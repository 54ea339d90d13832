#include "platform/CallErrors.h"

#include <QLoggingCategory>

namespace teleon::platform {

namespace {
Q_LOGGING_CATEGORY(lcCalls, "automation.calls")
CallErrorTrap* innermost = nullptr;
CallErrorSink& sink() {
    static CallErrorSink s;
    return s;
}
} // namespace

CallErrorTrap::CallErrorTrap() : outer_(innermost) {
    innermost = this;
}

CallErrorTrap::CallErrorTrap(std::function<void(const QObject*, const CallError&)> handler)
    : handler_(std::move(handler)), outer_(innermost) {
    innermost = this;
}

CallErrorTrap::~CallErrorTrap() {
    innermost = outer_;
}

void RaiseCallError(const QObject* self, const CallError& error) {
    if (innermost && innermost->handler_) {
        innermost->handler_(self, error);
        return;
    }
    if (innermost) {
        if (!innermost->error_)
            innermost->error_ = error;
        return;
    }
    if (sink()) {
        sink()(self, error);
        return;
    }
    qCWarning(lcCalls).noquote() << "unhandled automation error" << error.number << error.message;
}

CallErrorSink SetCallErrorSink(CallErrorSink s) {
    CallErrorSink previous = std::move(sink());
    sink() = std::move(s);
    return previous;
}

} // namespace teleon::platform
