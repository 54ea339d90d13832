#include "automation/Console.h"

#include "automation/ComErrors.h"
#include "automation/ScriptHost.h"

#include <stdexcept>

namespace teleon {

namespace {
ScriptHostLoader& loader() {
    static ScriptHostLoader instance;
    return instance;
}
} // namespace

void SetScriptHostLoader(ScriptHostLoader newLoader) {
    loader() = std::move(newLoader);
}

ScriptHost& LoadScriptHost() {
    ScriptHost* host = loader() ? loader()() : nullptr;
    if (!host)
        throw std::runtime_error("The scripting window is not available");
    return *host;
}

qint16 Console::ReadLine(const QString& prompt, qint16 btn) {
    return Member(this, [&] {
        QString text;
        const qint16 answer = LoadScriptHost().ReadLine(prompt, btn, text);
        lastReadResult_ = text;
        return answer;
    });
}

bool Console::AskYesNo(const QString& prompt) {
    return Member(this, [&] { return LoadScriptHost().AskYesNo(prompt); });
}

void Console::PrintLine(const QString& str) {
    Member(this, [&] { LoadScriptHost().PrintLine(str); });
}

void Console::Clear() {
    Member(this, [&] { LoadScriptHost().Clear(); });
}

QString Console::ConstantsCode() {
    return QStringLiteral("consOkCancel = %1\nconsYesNo = %2\nconsOkOnly = %3\n"
                          "consYes = %4\nconsNo = %5\nconsOK = %6\nconsCancel = %7\n")
        .arg(consOkCancel)
        .arg(consYesNo)
        .arg(consOkOnly)
        .arg(consYes)
        .arg(consNo)
        .arg(consOK)
        .arg(consCancel);
}

} // namespace teleon
