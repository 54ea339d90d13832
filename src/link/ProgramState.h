// The program-wide state shared by the telescope link, the main window and the automation
// objects. Plain variables on the one user-interface thread, as the windows expect them.
#pragma once

#include <QChar>
#include <QString>

namespace teleon {

inline bool ScopeConnected = false; // the link is open and an LX-200 answered
// After a lost link, or once the port has been closed on purpose, every exchange but the connect
// handshake fails at once with LostLinkError until a connect succeeds.
inline bool LinkDown = false;
inline QString AlignmentMode;              // "A" alt-azimuth, "P" polar, "L" land
inline bool HighPrecisionPointing = false; // the telescope's high-precision pointing is on
inline int ReticleLevel = 0;               // 0 (dark) .. 9
inline bool ScopeMoving = false;           // a slew or hand motion is running
inline bool SlewAborted = false;
inline bool StartupDone = false;     // the start-up timer has finished
inline int TimeFormat = 0;           // 0 local, 1 UTC, 2 Julian
inline double TrackFrequency = 60.1; // Hz
inline double TiltUpLimit = 0.0;     // degrees; 0 for none
inline int DeepSkyCatalog = 0;       // 0 NGC, 1 IC, 2 UGC
inline int StarCatalog = 0;          // 0 STAR, 1 SAO, 2 GCVS
inline bool FastFocus = false;
inline int SlewRateIndex = 0;     // 0 slew, 1 find, 2 centre, 3 guide
inline int ReticleBlinkIndex = 0; // 0 steady .. 3
inline double FieldRadius = 0.0;  // arc-minutes
inline double FieldWidth = 0.0;   // arc-minutes
inline double FieldHeight = 0.0;  // arc-minutes
inline bool RectField = false;
inline double FieldMagnification = 0.0;
inline QString ScopeName; // telescope (optics) name
inline QString EyepieceName;
inline int AlertFlags = 0; // bit 0: no clock notice
inline QChar DecimalSep = QLatin1Char('.');
inline QChar ThousandSep = QLatin1Char(',');
inline bool PolarAligned = false;
inline bool AutoSpeakField = true;

// Puts every variable back to its value at program start (for tests and reconnects).
void ResetProgramState();

} // namespace teleon
