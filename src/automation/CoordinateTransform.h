// One position converted between equatorial (right ascension or hour angle, declination) and
// horizontal (altitude, azimuth) coordinates for a latitude and sidereal time fixed once by Init
// or InitHereAndNow. Setting a coordinate recomputes the other system at once. Scripts get one
// from Util.NewCT or Util.NewCTHereAndNow; the caller owns it.
#pragma once

#include <QObject>

namespace teleon {

class Util;

class CoordinateTransform : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.marrick.Teleon.CoordinateTransform")
    Q_CLASSINFO("Description", "LX-200 Coordinate Transformation Object")
    Q_CLASSINFO("Doc:Init", "Initialize the transformation with latitude and sidereal time")
    Q_CLASSINFO("Doc:InitHereAndNow",
                "Initialize the transformation with the scope's current latitude and the "
                "sidereal time with the PC clock and the scope's current longitude")
    Q_CLASSINFO("Doc:HourAngle", "The hour angle coordinate (RA - ST), degrees")
    Q_CLASSINFO("Doc:RightAscension", "The right ascension coordinate, hours")
    Q_CLASSINFO("Doc:SiderealTime", "Sidereal time for the transformation, hours")
    Q_CLASSINFO("Doc:Latitude", "The latitude for the transformation")
    Q_CLASSINFO("Doc:Declination", "The declination coordinate, degrees, + north")
    Q_CLASSINFO("Doc:Altitude", "The altitude (elevation) coordinate, degrees, + up")
    Q_CLASSINFO("Doc:Azimuth", "The azimuth coordinate, 0=north, + clockwise ")

    Q_PROPERTY(double HourAngle READ HourAngle WRITE setHourAngle)
    Q_PROPERTY(double RightAscension READ RightAscension WRITE setRightAscension)
    Q_PROPERTY(double SiderealTime READ SiderealTime)
    Q_PROPERTY(double Latitude READ Latitude)
    Q_PROPERTY(double Declination READ Declination WRITE setDeclination)
    Q_PROPERTY(double Altitude READ Altitude WRITE setAltitude)
    Q_PROPERTY(double Azimuth READ Azimuth WRITE setAzimuth)

public:
    explicit CoordinateTransform(QObject* parent = nullptr);

    // Latitude in degrees (+ north), SiderealTime in hours. Once only (error 1073 after that).
    Q_INVOKABLE void Init(double Latitude, double SiderealTime);
    // The telescope's site latitude ("Gt") and the sidereal time now at its longitude ("Gg").
    Q_INVOKABLE void InitHereAndNow();

    // Every read and write before Init raises error 1072.
    double HourAngle() const; // degrees, + west
    void setHourAngle(double degrees);
    double RightAscension() const; // hours
    void setRightAscension(double hours);
    double SiderealTime() const; // hours
    double Latitude() const;     // degrees
    double Declination() const;  // degrees
    void setDeclination(double degrees);
    double Altitude() const; // degrees
    void setAltitude(double degrees);
    double Azimuth() const; // degrees from north, clockwise
    void setAzimuth(double degrees);

private:
    friend class Util;
    void checkInitialized() const;
    void checkNotInitialized() const;
    void initHereAndNow(); // throws
    void horizontalFromEquatorial();
    void equatorialFromHorizontal();

    double azimuthDeg_ = 0;
    double hourAngleDeg_ = 0;
    double altitudeDeg_ = 0;
    double declinationDeg_ = 0;
    double latitudeDeg_ = 0;
    double siderealHours_ = 0;
    double rightAscensionHours_ = 0;
    bool initialized_ = false;
};

} // namespace teleon
