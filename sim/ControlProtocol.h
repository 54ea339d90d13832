// The simulator's control language: one command a line, read from a test or typed by a user
// at teleon-sim's control socket or standard input (--control). Every answer ends with a line
// "ok" or "error: " and the reason; "help" lists the commands.
#pragma once

#include <QByteArray>

namespace teleon::sim {

class SimServer;

struct ControlAnswer {
    QByteArray text;   // the answer lines, each ending "\n"; empty for a blank or comment line
    bool quit = false; // "quit": the program should end
};

ControlAnswer runControlLine(SimServer& server, const QByteArray& line);

} // namespace teleon::sim
