// bench_window_wait: starts a program and reports how long it took until a top-level window
// with a given title was mapped (viewable) on the X display, then ends the program.
//
//   bench_window_wait <title> <timeout-ms> <poll-ms> <program> [arguments...]
//
// One X connection is opened before the program starts and kept for every poll, so a poll
// costs one query of the root window's children (well under a millisecond), not the start of
// a new X client. Time runs on the monotonic clock from just before the program is spawned.
// Prints one line:
//   shown_ms=<t> earliest_ms=<t'> polls=<n> poll_mean_ms=<m> poll_max_ms=<w>
// where the window became viewable between earliest_ms (the start of the last poll that did
// not see it) and shown_ms (the end of the poll that did). Exit status 0 when shown,
// 3 when the program ended first, 4 on time-out, 2 on bad arguments or no display.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

double nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) * 1e-6;
}

void sleepMs(double ms) {
    timespec ts{time_t(ms / 1000), long((ms - double(time_t(ms / 1000)) * 1000) * 1e6)};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

// A window may vanish between the listing and the question about it: not an error here.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

bool titledWindowViewable(Display* display, const std::string& title) {
    Window root = DefaultRootWindow(display);
    Window rootOut = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, root, &rootOut, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            if (title == name) {
                XWindowAttributes attributes{};
                found = XGetWindowAttributes(display, children[i], &attributes) &&
                        attributes.map_state == IsViewable;
            }
            XFree(name);
        }
    }
    if (children)
        XFree(children);
    return found;
}

void endProgram(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        sleepMs(10);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: bench_window_wait <title> <timeout-ms> <poll-ms> <program> [args]\n");
        return 2;
    }
    const std::string title = argv[1];
    const double timeoutMs = std::atof(argv[2]);
    const double pollMs = std::atof(argv[3]);
    if (timeoutMs <= 0 || pollMs < 0) {
        std::fprintf(stderr, "bench_window_wait: bad time-out or poll interval\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_window_wait: cannot open the X display\n");
        return 2;
    }
    XSetErrorHandler(ignoreXError);
    fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);

    const double t0 = nowMs();
    pid_t pid = 0;
    if (const int err = posix_spawnp(&pid, argv[4], nullptr, nullptr, argv + 4, environ)) {
        std::fprintf(stderr, "bench_window_wait: cannot start %s: %s\n", argv[4],
                     std::strerror(err));
        return 2;
    }

    long polls = 0;
    double pollSumMs = 0;
    double pollMaxMs = 0;
    double lastMissStart = 0;
    for (;;) {
        const double start = nowMs();
        const bool shown = titledWindowViewable(display, title);
        const double end = nowMs();
        if (polls > 0) {
            const double period = start - lastMissStart;
            pollSumMs += period;
            if (period > pollMaxMs)
                pollMaxMs = period;
        }
        ++polls;
        if (shown) {
            std::printf("shown_ms=%.3f earliest_ms=%.3f polls=%ld poll_mean_ms=%.3f "
                        "poll_max_ms=%.3f\n",
                        end - t0, (polls > 1 ? lastMissStart : t0) - t0, polls,
                        polls > 1 ? pollSumMs / double(polls - 1) : 0.0, pollMaxMs);
            endProgram(pid);
            XCloseDisplay(display);
            return 0;
        }
        lastMissStart = start;
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "bench_window_wait: the program ended before its window "
                                 "was shown\n");
            XCloseDisplay(display);
            return 3;
        }
        if (end - t0 > timeoutMs) {
            std::fprintf(stderr, "bench_window_wait: no window \"%s\" within %.0f ms\n",
                         title.c_str(), timeoutMs);
            endProgram(pid);
            XCloseDisplay(display);
            return 4;
        }
        sleepMs(pollMs);
    }
}
