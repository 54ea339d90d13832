// The program entry.
#pragma once

#include <functional>
#include <memory>

namespace teleon {

class frmMain;

// What the program entry needs from the automation server, which sits above the windows: it
// serves the automation objects to other programs and makes this the one running instance.
class AutomationService {
public:
    enum class Claim {
        Owned, // this program serves the objects
        Taken, // another instance runs: hand over to it
        NoBus, // no session bus: the program runs without the server
    };
    virtual ~AutomationService() = default;
    // True when the session bus started the program for a client.
    virtual bool StartedForClient() const = 0;
    // Serves the objects and claims the program's bus name. makeMainWindow makes the main window
    // when a client's first call finds none; activate shows it when another start asks.
    virtual Claim Start(std::function<frmMain*()> makeMainWindow,
                        std::function<void()> activate) = 0;
    // Asks the running instance to show its window; true when it answered.
    virtual bool HandOver() = 0;
};

using AutomationServiceFactory = std::function<std::unique_ptr<AutomationService>()>;

int Main(int argc, char** argv, const AutomationServiceFactory& automation = {});

} // namespace teleon
