// teleon-sim's control channel: lines of the control language (ControlProtocol.h) read from a
// Unix-domain socket (any number of clients, each answered on its own connection) and,
// optionally, from standard input (answered on standard output). Runs its own thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace teleon::sim {

class SimServer;

class ControlServer {
public:
    struct Options {
        QString socketPath; // empty: no socket; an old socket file there is replaced
        bool useStdin = false;
    };

    // onQuit runs on the control thread when a client says "quit".
    ControlServer(SimServer& server, Options options, std::function<void()> onQuit);
    ~ControlServer(); // stops
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // Throws std::runtime_error with the reason when the socket cannot be made.
    void start();
    // Stops the thread, closes the connections and removes the socket file.
    void stop();

private:
    void run();
    void serve(int fd, QByteArray& buffer, int answerFd);

    SimServer& server_;
    Options options_;
    std::function<void()> onQuit_;
    std::thread thread_;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    bool stdinOpen_ = false;
    std::map<int, QByteArray> clients_; // fd -> a line not yet complete
    QByteArray stdinBuffer_;
};

} // namespace teleon::sim
