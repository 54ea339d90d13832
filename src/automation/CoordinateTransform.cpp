#include "automation/CoordinateTransform.h"

#include "astro/AstronomyFuncs.h"
#include "astro/Celest32.h"
#include "automation/ComErrors.h"
#include "link/Channel.h"
#include "link/Utilities.h"

namespace teleon {

CoordinateTransform::CoordinateTransform(QObject* parent) : QObject(parent) {}

void CoordinateTransform::checkInitialized() const {
    if (!initialized_)
        RaiseComError(NotInitializedError);
}

void CoordinateTransform::checkNotInitialized() const {
    if (initialized_)
        RaiseComError(AlreadyInitializedError);
}

void CoordinateTransform::Init(double Latitude, double SiderealTime) {
    Member(this, [&] {
        checkNotInitialized();
        latitudeDeg_ = Latitude;
        siderealHours_ = SiderealTime;
        initialized_ = true;
    });
}

void CoordinateTransform::InitHereAndNow() {
    Member(this, [&] { initHereAndNow(); });
}

void CoordinateTransform::initHereAndNow() {
    checkNotInitialized();
    // The telescope counts longitude positive west.
    double longitudeEast = -ParseScopeAngle(SendCommandString(lx::GetLongitude));
    if (longitudeEast < -180.0)
        longitudeEast += 360.0;
    const double sidereal = celest32::now_lst(DegToRad(longitudeEast));
    const double latitude = ParseScopeAngle(SendCommandString(lx::GetLatitude));
    siderealHours_ = sidereal;
    latitudeDeg_ = latitude;
    initialized_ = true;
}

void CoordinateTransform::horizontalFromEquatorial() {
    double alt = 0, az = 0;
    celest32::hadec_aa(DegToRad(latitudeDeg_), DegToRad(hourAngleDeg_), DegToRad(declinationDeg_),
                       &alt, &az);
    altitudeDeg_ = RadToDeg(alt);
    azimuthDeg_ = RadToDeg(az);
}

void CoordinateTransform::equatorialFromHorizontal() {
    double ha = 0, dec = 0;
    celest32::aa_hadec(DegToRad(latitudeDeg_), DegToRad(altitudeDeg_), DegToRad(azimuthDeg_), &ha,
                       &dec);
    hourAngleDeg_ = RadToDeg(ha);
    declinationDeg_ = RadToDeg(dec);
    rightAscensionHours_ = siderealHours_ - hourAngleDeg_ / 15.0;
    celest32::range(&rightAscensionHours_, 24.0);
}

double CoordinateTransform::HourAngle() const {
    return Member(this, [&] {
        checkInitialized();
        return hourAngleDeg_;
    });
}

void CoordinateTransform::setHourAngle(double degrees) {
    Member(this, [&] {
        checkInitialized();
        hourAngleDeg_ = degrees;
        rightAscensionHours_ = siderealHours_ - degrees / 15.0;
        celest32::range(&rightAscensionHours_, 24.0);
        horizontalFromEquatorial();
    });
}

double CoordinateTransform::RightAscension() const {
    return Member(this, [&] {
        checkInitialized();
        return rightAscensionHours_;
    });
}

void CoordinateTransform::setRightAscension(double hours) {
    Member(this, [&] {
        checkInitialized();
        rightAscensionHours_ = hours;
        hourAngleDeg_ = (siderealHours_ - hours) * 15.0;
        if (hourAngleDeg_ < 0)
            hourAngleDeg_ += 360.0;
        horizontalFromEquatorial();
    });
}

double CoordinateTransform::SiderealTime() const {
    return Member(this, [&] {
        checkInitialized();
        return siderealHours_;
    });
}

double CoordinateTransform::Latitude() const {
    return Member(this, [&] {
        checkInitialized();
        return latitudeDeg_;
    });
}

double CoordinateTransform::Declination() const {
    return Member(this, [&] {
        checkInitialized();
        return declinationDeg_;
    });
}

void CoordinateTransform::setDeclination(double degrees) {
    Member(this, [&] {
        checkInitialized();
        declinationDeg_ = degrees;
        horizontalFromEquatorial();
    });
}

double CoordinateTransform::Altitude() const {
    return Member(this, [&] {
        checkInitialized();
        return altitudeDeg_;
    });
}

void CoordinateTransform::setAltitude(double degrees) {
    Member(this, [&] {
        checkInitialized();
        altitudeDeg_ = degrees;
        equatorialFromHorizontal();
    });
}

double CoordinateTransform::Azimuth() const {
    return Member(this, [&] {
        checkInitialized();
        return azimuthDeg_;
    });
}

void CoordinateTransform::setAzimuth(double degrees) {
    Member(this, [&] {
        checkInitialized();
        azimuthDeg_ = degrees;
        equatorialFromHorizontal();
    });
}

} // namespace teleon
