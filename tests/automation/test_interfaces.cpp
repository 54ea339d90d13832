// The interface descriptions committed under data/dbus are the ones the program serves: a member
// added, renamed or documented differently in the code and not in the files (which clients and
// packagers read) fails here. TELEON_WRITE_INTERFACES=1 rewrites the files from the code.
#include "automation/AutomationServer.h"
#include "automation/CoordinateTransform.h"
#include "platform/DBusBridge.h"

#include <QFile>
#include <gtest/gtest.h>

namespace teleon {
namespace {

TEST(Interfaces, CommittedDescriptionsMatchTheServedOnes) {
    const std::pair<const char*, const QMetaObject*> served[] = {
        {"Scope", &Scope::staticMetaObject},
        {"Util", &Util::staticMetaObject},
        {"CoordinateTransform", &CoordinateTransform::staticMetaObject},
        {"IPlanetarium", &IPlanetarium::staticMetaObject},
        {"Application", &Application::staticMetaObject},
        {"Console", &Console::staticMetaObject},
        {"Voice", &Voice::staticMetaObject},
    };
    const bool write = qEnvironmentVariableIntValue("TELEON_WRITE_INTERFACES") == 1;
    for (const auto& [name, meta] : served) {
        const QString xml =
            QStringLiteral("<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection "
                           "1.0//EN\"\n \"http://www.freedesktop.org/standards/dbus/1.0/"
                           "introspect.dtd\">\n<node>\n") +
            platform::DBusBridge::introspectionXml(*meta,
                                                   meta == &CoordinateTransform::staticMetaObject ||
                                                       meta == &Console::staticMetaObject) +
            QStringLiteral("</node>\n");
        QFile file(QStringLiteral(TELEON_DATA_DIR "/dbus/org.marrick.Teleon.%1.xml")
                       .arg(QLatin1String(name)));
        if (write) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(xml.toUtf8());
            continue;
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        EXPECT_EQ(QString::fromUtf8(file.readAll()), xml) << name << ": regenerate the file";
    }
}

} // namespace
} // namespace teleon
