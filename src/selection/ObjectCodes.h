// The telescope's object type and quality codes, and the fields of its object information.
#pragma once

#include <QString>

namespace teleon {

// "GAL" -> "Galaxy" ...; empty -> "Unknown (no data in catalog)"; anything else is quoted with
// " (not in decode table)". Spaces around a known code are ignored; an unknown one is quoted
// exactly as received.
QString DecodeObjectType(const QString& code);
// "SU" -> "Very bright and very interesting shape" ...; empty -> ""; anything else is quoted with
// " (not in quality table)". "G" reads as "GD".
QString DecodeQuality(const QString& code);
// The finder slider value 0..6 of a quality code ("SU" 0 .. "VP" 6), -1 when not one of them.
int QualitySliderValue(const QString& code);
// The quality code of a slider value 0..6; empty outside the range.
QString QualityCodeOf(int sliderValue);

// The fields of an "LI" reply (without its "#"), by position counted from 1. A short or empty
// reply gives empty fields.
struct ObjectInfo {
    QString name;                 // characters 1-8, trimmed
    bool coordinatesOnly = false; // the text from position 17 is "Coordinates Only"
    QString typeText;             // DecodeObjectType of 13-16, or "(coordinates only)"
    QString magnitude;            // characters 20-23, trimmed; empty when coordinates only
    QString size;                 // characters from 28, trimmed; empty when coordinates only
    QString qualityText;          // DecodeQuality of 10-11; empty when coordinates only
};
ObjectInfo ParseObjectInfo(const QString& reply);

} // namespace teleon
