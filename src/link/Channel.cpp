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
int replyTimeoutMs = 20000;

QString framed(const QString& command) {
    return QStringLiteral("#:") + command + u'#';
}

[[noreturn]] void lostLink() {
    qCDebug(lcTraffic) << "no reply within" << replyTimeoutMs << "ms: link lost";
    ScopeConnected = false;
    if (Hooks().SwitchToStandby)
        Hooks().SwitchToStandby();
    throw LostLinkError();
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
    qCDebug(lcTraffic).noquote() << "CMD" << text.toLatin1().toPercentEncoding("#:+-*/ .'");
    port.write(text.toLatin1());
}

void WriteRaw(const LxCommand& command, const QString& argument) {
    Q_ASSERT(command.kind == Exchange::Raw);
    WriteRaw(CommandText(command, argument));
}

void ReadReply(QString& buffer, int start, const QString& terminator) {
    if (start <= 1)
        buffer.clear();
    const std::int64_t t0 = platform::TickMs();
    for (;;) {
        if (terminator.isEmpty() ? !buffer.isEmpty()
                                 : buffer.indexOf(terminator, qMax(0, start - 1)) >= 0)
            break;
        const std::int64_t elapsed = platform::TickMs() - t0;
        if (elapsed > replyTimeoutMs)
            lostLink();
        const QByteArray in = port.readAvailable();
        if (in.isEmpty()) {
            // Sleep on the descriptor until something arrives or the limit is passed.
            port.waitForInput(int(replyTimeoutMs - elapsed) + 1);
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
    : timer_(statusTimer), wasActive_(timer_ && timer_->isActive()) {
    if (wasActive_)
        timer_->stop();
}

StatusTimerPause::~StatusTimerPause() {
    if (wasActive_ && statusTimer == timer_)
        timer_->start();
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
