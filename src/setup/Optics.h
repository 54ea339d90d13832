// Field of view and magnification of a telescope with an eyepiece or a camera, from the
// catalogue records of the configuration store ("Scopes", "Eyepieces", "Cameras": two numbers
// separated by one blank), and the field radius as the telescope's "SF" command takes it.
#pragma once

#include <QString>

#include <stdexcept>

namespace teleon {

// A catalogue record that is not two positive numbers separated by a blank. The message quotes
// the record.
class OpticsDataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Kind tag of an entry of the eyepiece-or-camera list.
enum class OpticsKind { Eyepiece = 0, Camera = 1 };

// The two numbers of a record, "254 10" or "8,6 6,5"; split at the first blank and read with
// ParseNeutralNumber. Throws OpticsDataError when the record has not two positive numbers.
struct OpticsRecord {
    double first = 0;
    double second = 0;
};
OpticsRecord ParseOpticsRecord(const QString& record);

// What TrueField computes and shows.
struct TrueFieldResult {
    double radiusArcmin = 0;
    double widthArcmin = 0;
    double heightArcmin = 0;
    bool rectangular = false;
    QString magText;   // "97.7", or "n/a" for a camera
    QString fieldText; // "31.9", or "11.6 x 8.8" for a camera
};

// Focal length of a "Scopes" record: the product of its two numbers (254 10 is 2540).
double ScopeFocalLength(const OpticsRecord& scope);
// An eyepiece of focal length eyepiece.first with an apparent field of eyepiece.second degrees:
// magnification F / f, true field diameter apparent / magnification (in arc-minutes, twice the
// radius), a circle.
TrueFieldResult EyepieceField(double scopeFocalLength, const OpticsRecord& eyepiece);
// A camera chip camera.first wide and camera.second high (the unit of the focal length): each
// side / F radians, written in arc-minutes as side / F × 3433.333; the radius is half the
// shorter side; the magnification is "n/a".
TrueFieldResult CameraField(double scopeFocalLength, const OpticsRecord& camera);

// A number with one decimal and no leading zero before the mark ("#.0"), rounded half away
// from zero, "." as the mark in every locale: 97.69 is "97.7", 0.44 is ".4".
QString FormatOneDecimal(double value);

// The argument of "SF ": the radius rounded to a whole number of arc-minutes (a half goes to
// the even neighbour), three digits: 15.97 is "016", 4.39 is "004", 2.5 is "002".
// Throws OpticsDataError for a radius that is negative, not a number, or above 999.
QString FieldRadiusArgument(double radiusArcmin);

} // namespace teleon
