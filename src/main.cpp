#include "automation/AutomationServer.h"
#include "console/MainEntry.h"

int main(int argc, char** argv) {
    return teleon::Main(argc, argv, teleon::MakeAutomationServer);
}
