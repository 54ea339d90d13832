#include "sim/ControlServer.h"

#include "sim/ControlProtocol.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace teleon::sim {
namespace {

constexpr qsizetype kMaxLine = 4096; // a longer line is cut off and answered as it stands
constexpr std::size_t kMaxClients = 16;

void writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            fd == STDOUT_FILENO
                ? ::write(fd, bytes.constData() + done, bytes.size() - done)
                : ::send(fd, bytes.constData() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0)
                return; // a reader that does not read loses the rest
        } else {
            return;
        }
    }
}

} // namespace

ControlServer::ControlServer(SimServer& server, Options options, std::function<void()> onQuit)
    : server_(server), options_(std::move(options)), onQuit_(std::move(onQuit)) {}

ControlServer::~ControlServer() {
    stop();
}

void ControlServer::start() {
    if (thread_.joinable())
        return;
    if (::pipe2(wakeFds_, O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("Cannot make the wake pipe: ") + std::strerror(errno));
    if (!options_.socketPath.isEmpty()) {
        const QByteArray path = options_.socketPath.toLocal8Bit();
        sockaddr_un address{};
        if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path))
            throw std::runtime_error("Control socket path too long: " + path.toStdString());
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0 && S_ISSOCK(st.st_mode))
            ::unlink(path.constData());
        listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        if (listenFd_ < 0 ||
            ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listenFd_, 4) != 0) {
            const std::string reason = std::strerror(errno);
            stop();
            throw std::runtime_error("Cannot make the control socket " + path.toStdString() + ": " +
                                     reason);
        }
    }
    stdinOpen_ = options_.useStdin;
    thread_ = std::thread(&ControlServer::run, this);
}

void ControlServer::stop() {
    if (thread_.joinable()) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFds_[1], &byte, 1);
        thread_.join();
    }
    for (auto& [fd, buffer] : clients_)
        ::close(fd);
    clients_.clear();
    for (int* fd : {&listenFd_, &wakeFds_[0], &wakeFds_[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    if (!options_.socketPath.isEmpty())
        ::unlink(options_.socketPath.toLocal8Bit().constData());
}

void ControlServer::run() {
    for (;;) {
        std::vector<pollfd> fds = {{wakeFds_[0], POLLIN, 0},
                                   {listenFd_, POLLIN, 0},
                                   {stdinOpen_ ? STDIN_FILENO : -1, POLLIN, 0}};
        for (const auto& [fd, buffer] : clients_)
            fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue; // EINTR
        if (fds[0].revents & POLLIN)
            return;
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0 && clients_.size() < kMaxClients)
                clients_[fd];
            else if (fd >= 0)
                ::close(fd);
        }
        if (fds[2].revents & (POLLIN | POLLHUP | POLLERR))
            serve(STDIN_FILENO, stdinBuffer_, STDOUT_FILENO);
        for (std::size_t i = 3; i < fds.size(); ++i) {
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                const int fd = fds[i].fd;
                serve(fd, clients_[fd], fd);
            }
        }
    }
}

void ControlServer::serve(int fd, QByteArray& buffer, int answerFd) {
    char chunk[1024];
    const ssize_t n =
        fd == STDIN_FILENO ? ::read(fd, chunk, sizeof chunk) : ::recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    const bool closed = n <= 0;
    if (!closed)
        buffer.append(chunk, n);
    bool quit = false;
    for (;;) {
        qsizetype end = buffer.indexOf('\n');
        if (end < 0 && (closed || buffer.size() >= kMaxLine) && !buffer.isEmpty())
            end = buffer.size();
        if (end < 0)
            break;
        const ControlAnswer answer = runControlLine(server_, buffer.left(end));
        buffer.remove(0, end + 1);
        writeAll(answerFd, answer.text);
        quit = quit || answer.quit;
    }
    if (closed) {
        if (fd == STDIN_FILENO) {
            stdinOpen_ = false; // the end of the input is not the end of the program
        } else {
            ::close(fd);
            clients_.erase(fd);
        }
    }
    if (quit && onQuit_)
        onQuit_();
}

} // namespace teleon::sim
