#include "sim/ControlProtocol.h"

#include "sim/LX200Text.h"
#include "sim/SimServer.h"

#include <QList>

#include <cmath>
#include <exception>
#include <optional>

namespace teleon::sim {
namespace {

const char kHelp[] =
    "silent on|off          stop answering (everything received is still logged)\n"
    "echo on|off            echo every byte back, like a modem on the line\n"
    "garble N               replace the next N replies by junk of the same length\n"
    "refuse CMD [N]         the next N (1) commands CMD (\"Sr\", \"SC\", ...) answer 0\n"
    "refuse-slew CODE       the next MS is refused with CODE (1 horizon, 2 minimum elevation)\n"
    "hangup                 pull the cable: nothing arrives, nothing goes out\n"
    "reconnect              plug the cable back in\n"
    "unplug                 pull out the USB serial adapter: the device closes and its path goes\n"
    "plugin                 plug the adapter back in: a new device at the same path\n"
    "mode A|P|G|L           the mount mode the acknowledge byte answers\n"
    "paced on|off           send replies at 9600 baud\n"
    "sc-delay MS            pause before the second text after SC\n"
    "slew-speed DEG         go-to speed in degrees a second (4 is realistic)\n"
    "reference-dwell MS|manual   time at a high-precision reference star, or wait for:\n"
    "handbox goto           the handbox GO TO key (ends the wait at the reference star)\n"
    "position RA DEC        point at RA hours, Dec degrees at once\n"
    "status                 where the telescope points, what it is doing, the faults\n"
    "log [N]                the last N (20) lines of the traffic log\n"
    "quit                   end teleon-sim\n";

std::optional<int> toInt(const QByteArray& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<double> toDouble(const QByteArray& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::optional<bool> toSwitch(const QByteArray& text) {
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    return std::nullopt;
}

QByteArray yesNo(bool value) {
    return value ? "yes" : "no";
}

const char* stageName(LX200Model::PrecisionStage stage) {
    switch (stage) {
    case LX200Model::PrecisionStage::None:
        return "none";
    case LX200Model::PrecisionStage::ToReference:
        return "to-reference";
    case LX200Model::PrecisionStage::AtReference:
        return "at-reference";
    case LX200Model::PrecisionStage::ToObject:
        return "to-object";
    }
    return "none";
}

QByteArray status(SimServer& server) {
    QByteArray out;
    server.withModel([&](LX200Model& m) {
        const auto line = [&](const char* key, const QByteArray& value) {
            out += QByteArray(key) + ' ' + value + '\n';
        };
        line("mode", QByteArray(1, m.mountMode()));
        line("ra", text::formatHours(m.raHours(), true));
        line("dec", text::formatSignedDegrees(m.decDegrees(), true).replace('\xDF', '*'));
        line("altitude", QByteArray::number(m.altitudeDegrees(), 'f', 2));
        line("azimuth", QByteArray::number(m.azimuthDegrees(), 'f', 2));
        line("target-ra", text::formatHours(m.targetRaHours(), true));
        line("target-dec",
             text::formatSignedDegrees(m.targetDecDegrees(), true).replace('\xDF', '*'));
        line("slewing", yesNo(m.isSlewing()));
        line("moving", yesNo(m.isMoving()));
        line("precision", m.highPrecision() ? "high" : "low");
        line("precision-stage", stageName(m.precisionStage()));
        line("object", m.objectInformation().trimmed());
        line("local-time", m.localDateTime().toString(Qt::ISODate).toLatin1().left(19));
        const LX200Model::Site site = m.site(m.currentSite());
        line("site", QByteArray::number(m.currentSite()) + ' ' + site.name + ' ' +
                         QByteArray::number(site.latitudeDegrees, 'f', 4) + ' ' +
                         QByteArray::number(site.longitudeWestDegrees, 'f', 4));
        line("slew-speed", QByteArray::number(m.slewSpeedDegPerSec()));
    });
    const SimServer::Faults f = server.faults();
    out += "silent " + yesNo(f.silent) + "\necho " + yesNo(f.echo) + "\ncable " +
           (f.cablePulled ? "pulled" : "in") + "\nadapter " +
           (f.unplugged ? "unplugged" : "plugged") + "\ngarble " +
           QByteArray::number(f.garbleCount) + "\npaced " + yesNo(f.paced) + '\n';
    return out;
}

ControlAnswer error(const QByteArray& reason) {
    return {"error: " + reason + '\n'};
}

} // namespace

ControlAnswer runControlLine(SimServer& server, const QByteArray& line) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#'))
        return {};
    const QList<QByteArray> words = trimmed.simplified().split(' ');
    const QByteArray& verb = words[0];
    const qsizetype argc = words.size() - 1;
    const QByteArray arg = argc >= 1 ? words[1] : QByteArray();
    const auto usage = [&](const char* form) { return error(QByteArray("usage: ") + form); };

    if (verb == "help" && argc == 0)
        return {kHelp + QByteArray("ok\n")};
    if (verb == "quit" && argc == 0)
        return {"ok\n", true};
    if (verb == "silent" || verb == "echo" || verb == "paced") {
        const auto on = argc == 1 ? toSwitch(arg) : std::nullopt;
        if (!on)
            return usage((verb + " on|off").constData());
        if (verb == "silent")
            server.stopAnswering(*on);
        else if (verb == "echo")
            server.echoMode(*on);
        else
            server.setPaced(*on);
        return {"ok\n"};
    }
    if (verb == "garble") {
        const auto n = argc == 1 ? toInt(arg) : std::nullopt;
        if (!n || *n < 0)
            return usage("garble N");
        server.garbleNext(*n);
        return {"ok\n"};
    }
    if (verb == "refuse") {
        const auto n = argc == 2 ? toInt(words[2]) : std::optional<int>(1);
        if (argc < 1 || argc > 2 || !n || *n < 0 || arg.size() > 2)
            return usage("refuse CMD [N]");
        server.refuseNext(arg, *n);
        return {"ok\n"};
    }
    if (verb == "refuse-slew") {
        if (argc != 1 || arg.size() != 1 || arg == "#")
            return usage("refuse-slew CODE");
        server.refuseNextSlew(arg[0]);
        return {"ok\n"};
    }
    if ((verb == "hangup" || verb == "reconnect") && argc == 0) {
        if (verb == "hangup")
            server.hangUp();
        else
            server.reconnect();
        return {"ok\n"};
    }
    if (verb == "unplug" && argc == 0) {
        server.unplug();
        return {"ok\n"};
    }
    if (verb == "plugin" && argc == 0) {
        try {
            server.plugIn();
        } catch (const std::exception& e) {
            return error(e.what());
        }
        return {"ok\n"};
    }
    if (verb == "mode") {
        if (argc != 1 || arg.size() != 1 || !QByteArray("APGL").contains(arg.toUpper()))
            return usage("mode A|P|G|L");
        server.setMountMode(arg.toUpper()[0]);
        return {"ok\n"};
    }
    if (verb == "sc-delay") {
        const auto ms = argc == 1 ? toInt(arg) : std::nullopt;
        if (!ms || *ms < 0)
            return usage("sc-delay MS");
        server.setScDelayMs(*ms);
        return {"ok\n"};
    }
    if (verb == "slew-speed") {
        const auto speed = argc == 1 ? toDouble(arg) : std::nullopt;
        if (!speed || *speed <= 0 || *speed > 360)
            return usage("slew-speed DEG (0 < DEG <= 360)");
        server.setSlewSpeedDegPerSec(*speed);
        return {"ok\n"};
    }
    if (verb == "reference-dwell") {
        const auto ms = arg == "manual" ? std::optional<int>(-1) : toInt(arg);
        if (argc != 1 || !ms || *ms < -1)
            return usage("reference-dwell MS|manual");
        server.withModel([&](LX200Model& m) { m.setReferenceDwellMs(*ms); });
        return {"ok\n"};
    }
    if (verb == "handbox") {
        if (argc != 1 || arg != "goto")
            return usage("handbox goto");
        server.withModel([](LX200Model& m) { m.pressHandboxGoTo(); });
        server.logEvent("handbox goto");
        return {"ok\n"};
    }
    if (verb == "position") {
        const auto ra = argc == 2 ? toDouble(arg) : std::nullopt;
        const auto dec = argc == 2 ? toDouble(words[2]) : std::nullopt;
        if (!ra || !dec || *ra < 0 || *ra >= 24 || std::fabs(*dec) > 90)
            return usage("position RA-HOURS DEC-DEGREES");
        server.withModel([&](LX200Model& m) { m.setPosition(*ra, *dec); });
        return {"ok\n"};
    }
    if (verb == "status" && argc == 0)
        return {status(server) + "ok\n"};
    if (verb == "log") {
        const auto n = argc == 1 ? toInt(arg) : std::optional<int>(20);
        if (argc > 1 || !n || *n < 0)
            return usage("log [N]");
        QByteArray out;
        for (const QByteArray& l : server.recentLogLines(*n))
            out += l + '\n';
        return {out + "ok\n"};
    }
    return error("unknown command \"" + trimmed.left(40) + "\" (try help)");
}

} // namespace teleon::sim
