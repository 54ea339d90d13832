// Helpers shared by the tests.
#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

namespace teleon::test {

// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the object, so a test never
// touches the user's real configuration.
class TempConfigHome {
public:
    TempConfigHome()
        : old_(qgetenv("XDG_CONFIG_HOME")), had_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
    }
    ~TempConfigHome() {
        if (had_)
            qputenv("XDG_CONFIG_HOME", old_);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray old_;
    bool had_;
};

} // namespace teleon::test
