#include "ProgramState.h"

namespace teleon {

void ResetProgramState() {
    ScopeConnected = false;
    LinkDown = false;
    AlignmentMode.clear();
    HighPrecisionPointing = false;
    ReticleLevel = 0;
    ScopeMoving = false;
    SlewAborted = false;
    StartupDone = false;
    TimeFormat = 0;
    TrackFrequency = 60.1;
    TiltUpLimit = 0.0;
    DeepSkyCatalog = 0;
    StarCatalog = 0;
    FastFocus = false;
    SlewRateIndex = 0;
    ReticleBlinkIndex = 0;
    FieldRadius = FieldWidth = FieldHeight = 0.0;
    RectField = false;
    FieldMagnification = 0.0;
    ScopeName.clear();
    EyepieceName.clear();
    AlertFlags = 0;
    DecimalSep = QLatin1Char('.');
    ThousandSep = QLatin1Char(',');
    PolarAligned = false;
    AutoSpeakField = true;
}

} // namespace teleon
