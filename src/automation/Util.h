// Conversions of angles, times and Julian dates, sidereal time, refraction, the computer's clock
// and time zone, for scripts and other programs. Julian dates (JD) are the library's day number
// plus 2415020.0; dates are OLE dates (days since 1899-12-30 0h); longitudes are + east.
// The script members work the scripting window (see ScriptHost.h).
#pragma once

#include "automation/Console.h"
#include "automation/CoordinateTransform.h"

#include <QObject>
#include <QString>

namespace teleon {

class Util : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.marrick.Teleon.Util")
    Q_CLASSINFO("Description", "LX-200 Utilities Object")
    Q_CLASSINFO("Doc:Console", "The Console object")
    Q_CLASSINFO("Doc:PI", "The ratio of the curcumference to the diameter of a circle")
    Q_CLASSINFO("Doc:ScriptActive", "True if a script is currently  running")
    Q_CLASSINFO("Doc:SysUTCOffset", "Local time offset from UTC (hours, + west)")
    Q_CLASSINFO("Doc:SysTimeZoneName", "The full name of the system's time zone")
    Q_CLASSINFO("Doc:SysUTCDate", "The PC clock date/time as a UTC time")
    Q_CLASSINFO("Doc:SysJulianDate", "PC clock date/time as a Julian date")
    Q_CLASSINFO("Doc:ScriptLanguage", "The language currently set for the scripting system")
    Q_CLASSINFO("Doc:RangeValue", "Assure a value lies within a given range")
    Q_CLASSINFO("Doc:DMS_Degrees", "Convert deg/min/sec to degrees")
    Q_CLASSINFO("Doc:HMS_Hours", "Convert hr/min/sec to hours")
    Q_CLASSINFO("Doc:Degrees_DMS", "Convert degrees to deg/min/sec")
    Q_CLASSINFO("Doc:Degrees_ScopeDMS",
                "Convert degrees to deg/min/sec format for scope controller input")
    Q_CLASSINFO("Doc:Hours_HMS", "Convert hours to hr/min/sec")
    Q_CLASSINFO("Doc:Degrees_HMS", "Convert degrees to hr/min/sec (for RA)")
    Q_CLASSINFO("Doc:Degrees_Radians", "Convert degrees to radians")
    Q_CLASSINFO("Doc:Radians_Degrees", "Convert radians to degrees")
    Q_CLASSINFO("Doc:DecodeObjectType", "Return English language translation of object type string")
    Q_CLASSINFO("Doc:DecodeObjectQuality",
                "Return English language translation of object quality string")
    Q_CLASSINFO("Doc:HourAngle", "Return Hour Angle (RA - ST) +/- 180 degrees")
    Q_CLASSINFO("Doc:Calendar_Julian", "Convert y/m/d to Julian date")
    Q_CLASSINFO("Doc:Julian_Day", "Truncate Julian date to beginning of whole day (not noon)")
    Q_CLASSINFO("Doc:Julian_FracYear", "Convert Julian date to fractional year")
    Q_CLASSINFO("Doc:FracYear_Julian", "Convert fractional year to the equivalent Julian date")
    Q_CLASSINFO("Doc:Julian_DayOfWeek", "Return day of week, given a Julian date (0-6, 0=Sun)")
    Q_CLASSINFO("Doc:Julian_DaysInMonth", "Return days in month, given a Julian date")
    Q_CLASSINFO("Doc:Julian_Date", "Return OLE Date for a given Julian date")
    Q_CLASSINFO("Doc:Date_Julian", "Convert an OLE Date to a Julian date")
    Q_CLASSINFO("Doc:Julian_TJD", "Return a TT Julian date, given a UTC Julian date")
    Q_CLASSINFO("Doc:TJD_Julian", "Return a UTC Julian date, given a TT Julian date")
    Q_CLASSINFO("Doc:ApplyRefraction", "Convert true elevation to apparent (refracted) elevation")
    Q_CLASSINFO("Doc:RemoveRefraction", "Convert apparent (refracted) elevation to true elevation")
    Q_CLASSINFO("Doc:Date_GMST",
                "Return Greenwich Mean Sidereal Time (hours), given UTC (OLE Date)")
    Q_CLASSINFO("Doc:Julian_GMST",
                "Return the Greenwich Mean Sidereal Time for the given UTC Julian date")
    Q_CLASSINFO("Doc:NowLST",
                "Return current local apparent sidereal time, given longitude (- west)")
    Q_CLASSINFO("Doc:DeltaT", "Return Delta-T (TT - UT1) for a given UTC Julian date")
    Q_CLASSINFO("Doc:Obliquity", "Mean obliquity for a given UTC Julian date")
    Q_CLASSINFO("Doc:NutationInLongitude", "Calculate nutation in  longitude from UTC Julian date")
    Q_CLASSINFO("Doc:NutationInObliquity", "Calculate nutation in  obliquity from UTC Julian date")
    Q_CLASSINFO("Doc:NewCT",
                "Returns a new CoordinateTransform object initialized with the given latitude and "
                "local apparent sidereal time")
    Q_CLASSINFO("Doc:NewCTHereAndNow",
                "Returns a new CoordinateTransform object initialized with the scope's current "
                "latitude and the sidereal time based on the PC clock.")
    Q_CLASSINFO("Doc:LoadScript", "Load a script fom the given file, set default language")
    Q_CLASSINFO("Doc:RunScript", "Call the main() function in the currently loaded script")
    Q_CLASSINFO("Doc:AlertScript", "Call the alert() function in the current script")
    Q_CLASSINFO("Doc:Yield", "Yield for events and user interface")
    Q_CLASSINFO("Doc:WaitForMilliseconds", "Sleep for interval in milliseconds")
    Q_CLASSINFO("Doc:WaitFor", "Sleep for interval given by OLE Date")
    Q_CLASSINFO("Doc:WaitUntil", "Sleep untill given OLE Date")
    Q_CLASSINFO(
        "Doc:alert",
        "Display a message box containing the given message and the exclamation point icon.")
    Q_CLASSINFO("Doc:confirm", "Display the given text in a message box with OK/Cancel buttons, "
                               "return True if OK was clicked.")
    Q_CLASSINFO("Doc:prompt", "Display the given text in an input box, with the input area "
                              "initially containingthe default text. Return the entered text.")

    Q_PROPERTY(teleon::Console* Console READ console)

    Q_PROPERTY(double PI READ PI)
    Q_PROPERTY(bool ScriptActive READ ScriptActive)
    Q_PROPERTY(qint16 SysUTCOffset READ SysUTCOffset)
    Q_PROPERTY(QString SysTimeZoneName READ SysTimeZoneName)
    Q_PROPERTY(double SysUTCDate READ SysUTCDate)
    Q_PROPERTY(double SysJulianDate READ SysJulianDate)
    Q_PROPERTY(QString ScriptLanguage READ ScriptLanguage WRITE setScriptLanguage)

public:
    explicit Util(QObject* parent = nullptr);

    // The Console of this object, made on first use.
    teleon::Console* console();
    double PI() const;
    bool ScriptActive() const;
    qint16 SysUTCOffset() const; // hours, + west
    QString SysTimeZoneName() const;
    double SysUTCDate() const; // OLE date
    double SysJulianDate() const;
    QString ScriptLanguage() const;
    void setScriptLanguage(const QString& language);

    Q_INVOKABLE double RangeValue(double x, double r);
    Q_INVOKABLE double DMS_Degrees(const QString& s);
    Q_INVOKABLE double HMS_Hours(const QString& s);
    Q_INVOKABLE QString Degrees_DMS(double d);
    Q_INVOKABLE QString Degrees_ScopeDMS(double d);
    Q_INVOKABLE QString Hours_HMS(double d);
    Q_INVOKABLE QString Degrees_HMS(double d);
    Q_INVOKABLE double Degrees_Radians(double d);
    Q_INVOKABLE double Radians_Degrees(double r);
    Q_INVOKABLE QString DecodeObjectType(const QString& s);
    Q_INVOKABLE QString DecodeObjectQuality(const QString& s);
    Q_INVOKABLE double HourAngle(double dST, double dRA);
    Q_INVOKABLE double Calendar_Julian(qint32 y, qint32 m, double d);
    Q_INVOKABLE double Julian_Day(double j);
    Q_INVOKABLE double Julian_FracYear(double j);
    Q_INVOKABLE double FracYear_Julian(double y);
    Q_INVOKABLE qint32 Julian_DayOfWeek(double j);
    Q_INVOKABLE qint32 Julian_DaysInMonth(double j);
    Q_INVOKABLE double Julian_Date(double j);
    Q_INVOKABLE double Date_Julian(double d);
    Q_INVOKABLE double Julian_TJD(double j);
    Q_INVOKABLE double TJD_Julian(double j);
    Q_INVOKABLE double ApplyRefraction(double ta, double pr, double tr);
    Q_INVOKABLE double RemoveRefraction(double aa, double pr, double tr);
    Q_INVOKABLE double Date_GMST(double d);
    Q_INVOKABLE double Julian_GMST(double j);
    Q_INVOKABLE double NowLST(double lng);
    Q_INVOKABLE double DeltaT(double j);
    Q_INVOKABLE double Obliquity(double j);
    Q_INVOKABLE double NutationInLongitude(double j);
    Q_INVOKABLE double NutationInObliquity(double j);
    // A new object owned by the caller; null when it could not be initialised.
    Q_INVOKABLE teleon::CoordinateTransform* NewCT(double Latitude, double LAST);
    Q_INVOKABLE teleon::CoordinateTransform* NewCTHereAndNow();

    // The script host. RunScript returns when the script's main() ends.
    Q_INVOKABLE void LoadScript(const QString& fn);
    Q_INVOKABLE void RunScript();
    Q_INVOKABLE void AlertScript();
    // Waits with the event loop running: other calls, the windows and timers go on meanwhile.
    Q_INVOKABLE void Yield();
    Q_INVOKABLE void WaitForMilliseconds(qint32 td);
    Q_INVOKABLE void WaitFor(double t);   // an interval as an OLE date (days)
    Q_INVOKABLE void WaitUntil(double d); // an OLE date, local time
    Q_INVOKABLE void alert(const QString& msg);
    Q_INVOKABLE bool confirm(const QString& msg);
    Q_INVOKABLE QString prompt(const QString& msg, const QString& def);

private:
    teleon::Console* console_ = nullptr;
};

} // namespace teleon
