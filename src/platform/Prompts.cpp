#include "Prompts.h"

#include <cstdio>
#include <cstdlib>

namespace teleon::platform {

namespace {

class SilentPrompts : public Prompts {
public:
    MsgAnswer MsgBox(const QString&, MsgIcon, MsgButtons buttons, const QString&) override {
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgAnswer::Yes
                                                                                  : MsgAnswer::OK;
    }
    std::optional<QString> InputBox(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QString FileDialog(const FileDialogRequest&) override { return {}; }
    void SetBusyCursor(bool) override {}
};

SilentPrompts silent;
Prompts* current = &silent;
EndProgramHandler endHandler = nullptr;

MsgAnswer firstButton(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OK:
    case MsgButtons::OKCancel:
        return MsgAnswer::OK;
    case MsgButtons::AbortRetryIgnore:
        return MsgAnswer::Abort;
    case MsgButtons::YesNoCancel:
    case MsgButtons::YesNo:
        return MsgAnswer::Yes;
    case MsgButtons::RetryCancel:
        return MsgAnswer::Retry;
    }
    return MsgAnswer::OK;
}

} // namespace

Prompts& prompts() {
    return *current;
}
void setPrompts(Prompts* service) {
    current = service ? service : &silent;
}

MsgAnswer ScriptedPrompts::MsgBox(const QString& text, MsgIcon icon, MsgButtons buttons,
                                  const QString& title) {
    messages.push_back({title, text, icon, buttons});
    if (answers.empty())
        return firstButton(buttons);
    const MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<QString> ScriptedPrompts::InputBox(const QString& prompt, const QString&,
                                                 const QString& defaultText) {
    inputPrompts << prompt;
    if (inputs.empty())
        return defaultText;
    const bool cancelled = !inputs.front().has_value();
    const QString text = inputs.front().value_or(QString());
    inputs.pop_front();
    if (cancelled)
        return std::nullopt;
    return text;
}

QString ScriptedPrompts::FileDialog(const FileDialogRequest&) {
    if (files.empty())
        return {};
    QString f = files.front();
    files.pop_front();
    return f;
}

void ScriptedPrompts::SetBusyCursor(bool b) {
    busy = b;
    cursorChanges.push_back(b);
}

void EndProgram(int exitCode) {
    if (endHandler)
        endHandler(exitCode);
    std::fflush(nullptr);
    std::exit(exitCode);
}

void setEndProgramHandler(EndProgramHandler handler) {
    endHandler = handler;
}

void throwProgramEnded(int exitCode) {
    throw ProgramEnded{exitCode};
}

} // namespace teleon::platform
