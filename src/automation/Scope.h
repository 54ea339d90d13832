// The telescope for scripts and other programs. It holds no state: each member talks to the
// telescope through the command channel, reads the shared state, or works the controls of the
// main window and of the object finder so that their own handlers run. Right ascension and
// sidereal time are in hours; declination, altitude, azimuth, latitude and longitude in degrees,
// longitude + east; UTC offsets in whole hours + west; dates are OLE dates.
#pragma once

#include <QObject>
#include <QString>

namespace teleon {

class Scope : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.marrick.Teleon.Scope")
    Q_CLASSINFO("Description", "LX-200 Telescope Object")
    Q_CLASSINFO("Doc:SlewSpeed", "Motion speed (1-4)")
    Q_CLASSINFO("Doc:FOVWidth", "Rectangular field of view width (deg, 0 if circular)")
    Q_CLASSINFO("Doc:FOVHeight", "Rectangular field of view height (deg, 0 if circular)")
    Q_CLASSINFO("Doc:FOVMagnification", "Magnification profided by scope/eyepiece (0 for camera)")
    Q_CLASSINFO("Doc:FOVRadius", "Circular field of view radius (deg, 0 if rectangular)")
    Q_CLASSINFO("Doc:TrackFreq", "RA drive tracking speed (Hz)")
    Q_CLASSINFO("Doc:ReticleBrightness", "Reticle light brightness (0 - 9)")
    Q_CLASSINFO("Doc:ReticleBlink", "Reticle light blink rate (0 - 3)")
    Q_CLASSINFO("Doc:FastFocus", "Focus speed (T=fast F=slow)")
    Q_CLASSINFO("Doc:HiPrecisionMode", "High-precision pointing mode is active")
    Q_CLASSINFO("Doc:PolarAlignmentMode", "Pointing mode is polar (not alt/az)")
    Q_CLASSINFO("Doc:RightAscension", "Current right ascension (hours)")
    Q_CLASSINFO("Doc:Declination", "Current declination (deg)")
    Q_CLASSINFO("Doc:Azimuth", "Current azimuth (deg 0=N pos clockwise)")
    Q_CLASSINFO("Doc:Elevation", "Current elevation (deg)")
    Q_CLASSINFO("Doc:SecondaryName", "Name of currently selected eyepiece or camera")
    Q_CLASSINFO("Doc:SiderealTime", "Internal clock sidereal time as OLE Date")
    Q_CLASSINFO("Doc:UTCDate", "Internal clock UTC date/time as an OLE date value")
    Q_CLASSINFO("Doc:UTCOffset", "Local time offset from UTC (hrs, + West)")
    Q_CLASSINFO("Doc:LocalDate", "Internal clock local date/time as an OLE Date value")
    Q_CLASSINFO("Doc:JulianDate", "Internal clock as a Juian date value")
    Q_CLASSINFO("Doc:Latitude", "Current site latitude (deg, + North)")
    Q_CLASSINFO("Doc:Longitude", "Current site longitude (deg, - West)")
    Q_CLASSINFO("Doc:ObjectRightAscension", "Current object's right ascension (hours)")
    Q_CLASSINFO("Doc:ObjectDeclination", "Current object's declination (deg)")
    Q_CLASSINFO("Doc:ObjectInformation", "Coded description of current object")
    Q_CLASSINFO("Doc:FilterAllowGalaxies", "Find operations will include galaxies")
    Q_CLASSINFO("Doc:FilterAllowPlanetaryNebulae", "Find operations will include planetary nebulae")
    Q_CLASSINFO("Doc:FilterAllowDiffuseNebulae", "Find operations will include diffuse nebulae")
    Q_CLASSINFO("Doc:FilterAllowGlobularClusters", "Find operations will include globular clusters")
    Q_CLASSINFO("Doc:FilterAllowOpenClusters", "Find operations will include open clusters")
    Q_CLASSINFO("Doc:FilterMinQuality", "Minimum quality for find operations (2-letter code)")
    Q_CLASSINFO("Doc:MinElevation", "Min elevation for go-to and find operations (deg)")
    Q_CLASSINFO("Doc:FilterFaintMagnitude", "Faint/high limit for find operations (vis mag)")
    Q_CLASSINFO("Doc:FilterBrightMagnitude", "Bright/low limit for find operations (vis mag)")
    Q_CLASSINFO("Doc:FilterMaxSize", "Max size for find operations (arc-min)")
    Q_CLASSINFO("Doc:FilterMinSize", "Min size for find operations (arc-min)")
    Q_CLASSINFO("Doc:SelectObject", "Select named object from scope's internal catalogs (ok/fail)")
    Q_CLASSINFO("Doc:SlewToCurrentObject",
                "Move scope to point to currently selected object (ok/fail)")
    Q_CLASSINFO("Doc:SlewToPosition", "Move scope to point to given position (ra hours, dec deg)")
    Q_CLASSINFO("Doc:SlewByOffset", "Reposition scope FOV by angle (ok/fail, celestial "
                                    "coordinates, deg N/S, deg E/W)")
    Q_CLASSINFO("Doc:FindFirstObject",
                "Start a find operation, select first object found (ok/fail)")
    Q_CLASSINFO("Doc:FindNextObject", "Continue find operation, select next object found (ok/fail)")
    Q_CLASSINFO("Doc:FindPreviousObject",
                "Continue find operation, select previous object found (ok/fail)")
    Q_CLASSINFO("Doc:SetClockFromPC", "Update internal clock from PC clock (ok/fail)")
    Q_CLASSINFO("Doc:SetLocation", "Set the scope's geodetic position and UTC offset")
    Q_CLASSINFO("Doc:SyncPosition",
                "Force scope's coordinates to match currently selected object coordinates")
    Q_CLASSINFO("Doc:CommandString", "Send string to scope, expect string response")
    Q_CLASSINFO("Doc:CommandBool", "Send string to scope, expect T/F response (t/f)")
    Q_CLASSINFO("Doc:CommandBlind", "Send string to scope, expect no response")

    Q_PROPERTY(qint16 SlewSpeed READ SlewSpeed WRITE setSlewSpeed)
    Q_PROPERTY(double FOVWidth READ FOVWidth)
    Q_PROPERTY(double FOVHeight READ FOVHeight)
    Q_PROPERTY(double FOVMagnification READ FOVMagnification)
    Q_PROPERTY(double FOVRadius READ FOVRadius)
    Q_PROPERTY(double TrackFreq READ TrackFreq WRITE setTrackFreq)
    Q_PROPERTY(qint16 ReticleBrightness READ ReticleBrightness WRITE setReticleBrightness)
    Q_PROPERTY(qint16 ReticleBlink READ ReticleBlink WRITE setReticleBlink)
    Q_PROPERTY(bool FastFocus READ FastFocus WRITE setFastFocus)
    Q_PROPERTY(bool HiPrecisionMode READ HiPrecisionMode WRITE setHiPrecisionMode)
    Q_PROPERTY(bool PolarAlignmentMode READ PolarAlignmentMode)
    Q_PROPERTY(double RightAscension READ RightAscension)
    Q_PROPERTY(double Declination READ Declination)
    Q_PROPERTY(double Azimuth READ Azimuth)
    Q_PROPERTY(double Elevation READ Elevation)
    Q_PROPERTY(QString SecondaryName READ SecondaryName)
    Q_PROPERTY(double SiderealTime READ SiderealTime)
    Q_PROPERTY(double UTCDate READ UTCDate WRITE setUTCDate)
    Q_PROPERTY(qint16 UTCOffset READ UTCOffset WRITE setUTCOffset)
    Q_PROPERTY(double LocalDate READ LocalDate WRITE setLocalDate)
    Q_PROPERTY(double JulianDate READ JulianDate WRITE setJulianDate)
    Q_PROPERTY(double Latitude READ Latitude WRITE setLatitude)
    Q_PROPERTY(double Longitude READ Longitude WRITE setLongitude)
    Q_PROPERTY(double ObjectRightAscension READ ObjectRightAscension WRITE setObjectRightAscension)
    Q_PROPERTY(double ObjectDeclination READ ObjectDeclination WRITE setObjectDeclination)
    Q_PROPERTY(QString ObjectInformation READ ObjectInformation)
    Q_PROPERTY(bool FilterAllowGalaxies READ FilterAllowGalaxies WRITE setFilterAllowGalaxies)
    Q_PROPERTY(bool FilterAllowPlanetaryNebulae READ FilterAllowPlanetaryNebulae WRITE
                   setFilterAllowPlanetaryNebulae)
    Q_PROPERTY(bool FilterAllowDiffuseNebulae READ FilterAllowDiffuseNebulae WRITE
                   setFilterAllowDiffuseNebulae)
    Q_PROPERTY(bool FilterAllowGlobularClusters READ FilterAllowGlobularClusters WRITE
                   setFilterAllowGlobularClusters)
    Q_PROPERTY(
        bool FilterAllowOpenClusters READ FilterAllowOpenClusters WRITE setFilterAllowOpenClusters)
    Q_PROPERTY(QString FilterMinQuality READ FilterMinQuality WRITE setFilterMinQuality)
    Q_PROPERTY(qint32 MinElevation READ MinElevation WRITE setMinElevation)
    Q_PROPERTY(QString Name READ Name)
    Q_PROPERTY(double FilterFaintMagnitude READ FilterFaintMagnitude WRITE setFilterFaintMagnitude)
    Q_PROPERTY(
        double FilterBrightMagnitude READ FilterBrightMagnitude WRITE setFilterBrightMagnitude)
    Q_PROPERTY(qint32 FilterMaxSize READ FilterMaxSize WRITE setFilterMaxSize)
    Q_PROPERTY(qint32 FilterMinSize READ FilterMinSize WRITE setFilterMinSize)

public:
    explicit Scope(QObject* parent = nullptr);

    qint16 SlewSpeed() const;
    void setSlewSpeed(qint16 value);
    double FOVWidth() const;         // degrees
    double FOVHeight() const;        // degrees
    double FOVMagnification() const; // 0 for a camera
    double FOVRadius() const;        // degrees
    double TrackFreq();              // Hz
    void setTrackFreq(double hz);
    qint16 ReticleBrightness() const;
    void setReticleBrightness(qint16 level);
    qint16 ReticleBlink() const;
    void setReticleBlink(qint16 rate);
    bool FastFocus() const;
    void setFastFocus(bool fast);
    bool HiPrecisionMode() const;
    void setHiPrecisionMode(bool on);
    bool PolarAlignmentMode() const;
    double RightAscension(); // hours
    double Declination();    // degrees
    double Azimuth();        // degrees from north, clockwise
    double Elevation();      // degrees
    QString SecondaryName() const;
    double SiderealTime(); // a time of day as an OLE date
    double UTCDate();
    void setUTCDate(double oleDate);
    qint16 UTCOffset(); // hours, + west
    void setUTCOffset(qint16 hours);
    double LocalDate();
    void setLocalDate(double oleDate);
    double JulianDate();
    void setJulianDate(double jd);
    double Latitude(); // degrees, + north
    void setLatitude(double degrees);
    double Longitude(); // degrees, + east, in (-180, 180]
    void setLongitude(double degrees);
    double ObjectRightAscension(); // hours
    void setObjectRightAscension(double hours);
    double ObjectDeclination(); // degrees
    void setObjectDeclination(double degrees);
    QString ObjectInformation();
    bool FilterAllowGalaxies();
    void setFilterAllowGalaxies(bool allow);
    bool FilterAllowPlanetaryNebulae();
    void setFilterAllowPlanetaryNebulae(bool allow);
    bool FilterAllowDiffuseNebulae();
    void setFilterAllowDiffuseNebulae(bool allow);
    bool FilterAllowGlobularClusters();
    void setFilterAllowGlobularClusters(bool allow);
    bool FilterAllowOpenClusters();
    void setFilterAllowOpenClusters(bool allow);
    QString FilterMinQuality();
    void setFilterMinQuality(const QString& code);
    qint32 MinElevation(); // degrees
    void setMinElevation(qint32 degrees);
    QString Name() const;
    double FilterFaintMagnitude();
    void setFilterFaintMagnitude(double magnitude);
    double FilterBrightMagnitude();
    void setFilterBrightMagnitude(double magnitude);
    qint32 FilterMaxSize(); // arc-minutes
    void setFilterMaxSize(qint32 arcmin);
    qint32 FilterMinSize(); // arc-minutes
    void setFilterMinSize(qint32 arcmin);

    Q_INVOKABLE bool SelectObject(const QString& s);
    Q_INVOKABLE bool SlewToCurrentObject();
    Q_INVOKABLE bool SlewToPosition(double dRA, double dDec);
    Q_INVOKABLE bool SlewByOffset(double ns, double ew);
    Q_INVOKABLE bool FindFirstObject();
    Q_INVOKABLE bool FindNextObject();
    Q_INVOKABLE bool FindPreviousObject();
    Q_INVOKABLE bool SetClockFromPC();
    Q_INVOKABLE bool SetLocation(double dLat, double dLong, qint16 iUTCOffset);
    Q_INVOKABLE bool SyncPosition();
    Q_INVOKABLE QString CommandString(const QString& s);
    Q_INVOKABLE bool CommandBool(const QString& s);
    Q_INVOKABLE void CommandBlind(const QString& s);
};

} // namespace teleon
