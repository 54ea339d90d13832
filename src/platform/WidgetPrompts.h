// The prompts service on Qt Widgets: real message boxes, input boxes, file dialogs and cursor.
#pragma once

#include "platform/Prompts.h"

namespace teleon::platform {

class WidgetPrompts : public Prompts {
public:
    MsgAnswer MsgBox(const QString& text, MsgIcon icon, MsgButtons buttons,
                     const QString& title) override;
    std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    QString FileDialog(const FileDialogRequest& request) override;
    void SetBusyCursor(bool busy) override;

private:
    bool busy_ = false;
};

} // namespace teleon::platform
