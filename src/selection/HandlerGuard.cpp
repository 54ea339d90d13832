#include "selection/HandlerGuard.h"

#include "link/Channel.h"
#include "platform/Prompts.h"

#include <exception>

namespace teleon {

bool RunHandler(const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const LostLinkError&) {
    } catch (const std::exception& e) {
        platform::prompts().MsgBox(QString::fromLocal8Bit(e.what()), platform::MsgIcon::Critical,
                                   platform::MsgButtons::OK, QStringLiteral("LX-200 Vantor"));
    }
    return false;
}

} // namespace teleon
