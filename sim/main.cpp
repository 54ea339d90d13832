// teleon-sim: an LX-200 classic on a pseudo-terminal, for running the program (or any other
// LX-200 client) without a telescope. Runs until interrupted.
#include "sim/SimServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("teleon-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves a simulated LX-200 classic telescope on a pseudo-terminal."));
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
    parser.addOptions({link, paced, mode});
    parser.process(app);

    const QString letter = parser.value(mode).toUpper();
    if (letter.size() != 1 || !QStringLiteral("APGL").contains(letter)) {
        std::fprintf(stderr, "teleon-sim: --mode must be A, P, G or L\n");
        return 2;
    }

    // The server's thread inherits this mask, so only sigwait below sees the stopSignals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    teleon::sim::SimServer::Options options;
    options.linkPath = parser.value(link);
    options.paced = parser.isSet(paced);
    options.mountMode = letter.at(0).toLatin1();
    teleon::sim::SimServer server(options);
    try {
        server.start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "teleon-sim: %s\n", e.what());
        return 1;
    }
    if (options.linkPath.isEmpty())
        std::printf("teleon-sim: serving on %s\n", qPrintable(server.slavePath()));
    else
        std::printf("teleon-sim: serving on %s -> %s\n", qPrintable(options.linkPath),
                    qPrintable(server.slavePath()));
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    server.stop();
    return 0;
}
