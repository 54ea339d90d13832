#include "link/Channel.h"

#include "link/ProgramState.h"
#include "platform/EventLoop.h"
#include "platform/Prompts.h"

#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcTraffic, "link.traffic", QtWarningMsg)

namespace teleon {

namespace {

platform::SerialPort port;
QTimer* statusTimer = nullptr;
unsigned statusTimerStops = 0;
int replyTimeoutMs = 20000;

QString framed(const QString& command) {
    return QStringLiteral("#:") + command + u'#';
}

[[noreturn]] void lostLink(const char* why) {
    qCDebug(lcTraffic) << why << ": link lost";
    LinkDown = true;
    ScopeConnected = false;
    if (Hooks().SwitchToStandby)
        Hooks().SwitchToStandby();
    throw LostLinkError();
}

void requireLinkUp() {
    if (LinkDown)
        throw LostLinkError();
}

// Runs an operation on the port. A device that hangs up or fails is a lost link: its descriptor
// is closed (a replugged adapter comes back as a new device at the same path, which the next
// connect opens). A port that was never opened keeps its own error.
template <typename F> auto onPort(F&& operation) {
    try {
        return operation();
    } catch (const platform::PortError& e) {
        if (e.number() == platform::PortNotOpen)
            throw;
        qCDebug(lcTraffic).noquote() << e.description();
        port.close();
        lostLink("port failed");
    }
}

} // namespace

LinkHooks& Hooks() {
    static LinkHooks hooks;
    return hooks;
}

platform::SerialPort& com1() {
    return port;
}

void SetStatusTimer(QTimer* timer) {
    statusTimer = timer;
}
QTimer* StatusTimer() {
    return statusTimer;
}

int ReplyTimeoutMs() {
    return replyTimeoutMs;
}
void SetReplyTimeoutMs(int ms) {
    replyTimeoutMs = ms;
}

void WriteRaw(const QString& text) {
    requireLinkUp();
    qCDebug(lcTraffic).noquote() << "CMD" << text.toLatin1().toPercentEncoding("#:+-*/ .'");
    onPort([&] { port.write(text.toLatin1()); });
}

void WriteAcknowledge() {
    port.discardInput();
    qCDebug(lcTraffic).noquote() << "CMD" << CommandText(lx::Acknowledge).toLatin1().toHex();
    port.write(CommandText(lx::Acknowledge).toLatin1());
}

void WriteRaw(const LxCommand& command, const QString& argument) {
    Q_ASSERT(command.kind == Exchange::Raw);
    WriteRaw(CommandText(command, argument));
}

void ReadReply(QString& buffer, int start, const QString& terminator) {
    requireLinkUp();
    if (start <= 1)
        buffer.clear();
    const std::int64_t t0 = platform::TickMs();
    for (;;) {
        if (terminator.isEmpty() ? !buffer.isEmpty()
                                 : buffer.indexOf(terminator, qMax(0, start - 1)) >= 0)
            break;
        const std::int64_t elapsed = platform::TickMs() - t0;
        if (elapsed > replyTimeoutMs)
            lostLink("no reply in time");
        const QByteArray in = onPort([] { return port.readAvailable(); });
        if (in.isEmpty()) {
            // Sleep on the descriptor until something arrives or the limit is passed.
            onPort([&] { return port.waitForInput(int(replyTimeoutMs - elapsed) + 1); });
            continue;
        }
        buffer += QString::fromLatin1(in);
    }
    qCDebug(lcTraffic).noquote() << "RES" << buffer.toLatin1().toPercentEncoding("#:+-*/ .'");
}

QString SendCommandString(const QString& command) {
    WriteRaw(framed(command));
    QString buffer;
    ReadReply(buffer, 1, QStringLiteral("#"));
    buffer.chop(1);
    return buffer;
}

bool SendCommandBool(const QString& command) {
    WriteRaw(framed(command));
    QString buffer;
    ReadReply(buffer, 1, QString());
    return buffer.startsWith(u'1');
}

void SendCommandBlind(const QString& command) {
    WriteRaw(framed(command));
}

QString SendCommandString(const LxCommand& command, const QString& argument) {
    Q_ASSERT(command.kind == Exchange::String);
    return SendCommandString(CommandText(command, argument));
}

bool SendCommandBool(const LxCommand& command, const QString& argument) {
    Q_ASSERT(command.kind == Exchange::Bool);
    return SendCommandBool(CommandText(command, argument));
}

void SendCommandBlind(const LxCommand& command, const QString& argument) {
    Q_ASSERT(command.kind == Exchange::Blind);
    SendCommandBlind(CommandText(command, argument));
}

StatusTimerPause::StatusTimerPause()
    : timer_(statusTimer), wasActive_(timer_ && timer_->isActive()), stops_(statusTimerStops) {
    if (wasActive_)
        timer_->stop();
}

StatusTimerPause::~StatusTimerPause() {
    if (wasActive_ && statusTimer == timer_ && stops_ == statusTimerStops)
        timer_->start();
}

void StopStatusTimer() {
    ++statusTimerStops;
    if (statusTimer)
        statusTimer->stop();
}

void WaitMs(long milliseconds) {
    StatusTimerPause pause;
    platform::RunEventLoopFor(int(qBound(0L, milliseconds, long(INT_MAX))));
}

void BeginBusy() {
    platform::prompts().SetBusyCursor(true);
    platform::DoEvents();
}

void EndBusy() {
    platform::prompts().SetBusyCursor(false);
    platform::DoEvents();
}

} // namespace teleon
