// teleon-sim: an LX-200 classic on a pseudo-terminal (and optionally a loopback TCP port), for
// running the program (or any other LX-200 client) without a telescope. Runs until interrupted
// or told "quit" on its control channel.
#include "sim/ControlServer.h"
#include "sim/SimServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <unistd.h>

namespace {

int fail(const char* message) {
    std::fprintf(stderr, "teleon-sim: %s\n", message);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("teleon-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves a simulated LX-200 classic telescope on a pseudo-terminal.\n"
        "The control channel takes one command a line; send \"help\" for the list."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Make a symbolic link to the terminal at <path>."),
                                  QStringLiteral("path"));
    const QCommandLineOption paced(QStringLiteral("paced"),
                                   QStringLiteral("Send replies at 9600 baud (960 bytes/s)."));
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("Mount mode: A (alt-azimuth, the default), "
                                                 "P (polar), G (German) or L (land)."),
                                  QStringLiteral("letter"), QStringLiteral("A"));
    const QCommandLineOption tcp(QStringLiteral("tcp"),
                                 QStringLiteral("Also serve on 127.0.0.1:<port> (0: any free "
                                                "port, printed on start)."),
                                 QStringLiteral("port"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Append every command and reply, with the time, "
                                                "to <file>."),
                                 QStringLiteral("file"));
    const QCommandLineOption control(
        QStringLiteral("control"),
        QStringLiteral("Take control commands on the Unix socket <path>, or on standard input "
                       "with \"-\"."),
        QStringLiteral("path"));
    const QCommandLineOption fast(QStringLiteral("fast"),
                                  QStringLiteral("Slew at 90 degrees/s and answer the date change "
                                                 "at once (for tests)."));
    parser.addOptions({link, paced, mode, tcp, log, control, fast});
    parser.process(app);

    const QString letter = parser.value(mode).toUpper();
    if (letter.size() != 1 || !QStringLiteral("APGL").contains(letter))
        return fail("--mode must be A, P, G or L");
    int tcpPort = -1;
    if (parser.isSet(tcp)) {
        bool ok = false;
        tcpPort = parser.value(tcp).toInt(&ok);
        if (!ok || tcpPort < 0 || tcpPort > 65535)
            return fail("--tcp must be a port number from 0 to 65535");
    }

    // The server's threads inherit this mask, so only sigwait below sees the stop signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    teleon::sim::SimServer::Options options;
    options.linkPath = parser.value(link);
    options.paced = parser.isSet(paced);
    options.mountMode = letter.at(0).toLatin1();
    options.tcpPort = tcpPort;
    options.logPath = parser.value(log);
    teleon::sim::SimServer server(options);
    if (parser.isSet(fast)) {
        server.setSlewSpeedDegPerSec(90.0);
        server.setScDelayMs(0);
    }

    teleon::sim::ControlServer::Options controlOptions;
    const QString controlPath = parser.value(control);
    controlOptions.useStdin = controlPath == QStringLiteral("-");
    if (!controlOptions.useStdin)
        controlOptions.socketPath = controlPath;
    teleon::sim::ControlServer controlServer(server, controlOptions,
                                             [] { ::kill(::getpid(), SIGTERM); });
    try {
        server.start();
        if (!controlPath.isEmpty())
            controlServer.start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "teleon-sim: %s\n", e.what());
        return 1;
    }
    if (options.linkPath.isEmpty())
        std::printf("teleon-sim: serving on %s\n", qPrintable(server.slavePath()));
    else
        std::printf("teleon-sim: serving on %s -> %s\n", qPrintable(options.linkPath),
                    qPrintable(server.slavePath()));
    if (server.tcpPort() >= 0)
        std::printf("teleon-sim: TCP 127.0.0.1:%d\n", server.tcpPort());
    if (!controlOptions.socketPath.isEmpty())
        std::printf("teleon-sim: control socket %s\n", qPrintable(controlOptions.socketPath));
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    controlServer.stop();
    server.stop();
    return 0;
}
