// Display forms of the telescope's position and time texts for the main window.
#pragma once

#include <QString>

namespace teleon {

// Telescope text in its long format in, display text out. Positions count from 1.
QString DisplayAngle(const QString& text);       // +45°30'15"
QString DisplayAngleColons(const QString& text); // +45:30:15
QString DisplayTime(const QString& text);        // 05h 34m 30s (trailing blank)
QString DisplayTimeColons(const QString& text);  // 05:34:30
// An azimuth reply (counted from south) shown from north: 190ß27'10 -> 010°27'10".
QString AzimuthFromSouthReply(const QString& reply);
// Hours, minutes and seconds of a time of day in days: 21h 05m 09s.
QString TimeOfDayText(double dayFraction);

} // namespace teleon
