// Every LX-200 command the program sends, with its exchange kind and the reply it expects.
// Code names a command from here rather than spelling its text, so the whole command language
// of the program can be read (and checked against the telescope's manual) in one place.
#pragma once

#include <QString>

#include <string_view>

namespace teleon {

enum class Exchange {
    String, // framed "#:" + text + "#", reply read up to and including "#"
    Bool,   // framed, reply is one character: "1" yes, anything else no
    Blind,  // framed, no reply
    Raw,    // written exactly as given (already framed, or the bare acknowledge byte)
};

struct LxCommand {
    std::string_view text; // for commands taking an argument, the text before the argument
    Exchange kind;
    std::string_view reply; // what the telescope answers
};

// The command's text (for Raw commands, exactly the bytes written) followed by its argument.
inline QString CommandText(const LxCommand& command, const QString& argument = {}) {
    return QString::fromLatin1(command.text.data(), qsizetype(command.text.size())) + argument;
}

namespace lx {

// Connection and settings
inline constexpr LxCommand Acknowledge{"\x06", Exchange::Raw, "A, P, G or L: the mount mode"};
inline constexpr LxCommand ToggleFormat{"U", Exchange::Blind, "none"};
inline constexpr LxCommand TogglePrecision{"#:P#", Exchange::Raw,
                                           "HIGH PRECISION or LOW PRECISION (no #)"};
inline constexpr LxCommand ReticleDarker{"B-", Exchange::Blind, "none"};
inline constexpr LxCommand ReticleBrighter{"B+", Exchange::Blind, "none"};
inline constexpr LxCommand SetLocalTime{"SL ", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetLocalDate{"#:SC ", Exchange::Raw,
                                        "0 refused, or 1 then two texts each ending #"};

// Position and time
inline constexpr LxCommand GetRA{"GR", Exchange::String, "HH:MM:SS# long, HH:MM.T# short"};
inline constexpr LxCommand GetDec{"GD", Exchange::String, "sDD*MM'SS# long, sDD*MM# short"};
inline constexpr LxCommand GetAltitude{"GA", Exchange::String, "sDD*MM'SS# or sDD*MM#"};
inline constexpr LxCommand GetAzimuth{"GZ", Exchange::String,
                                      "DDD*MM'SS# or DDD*MM#, counted from south"};
inline constexpr LxCommand GetTargetRA{"Gr", Exchange::String, "HH:MM:SS#"};
inline constexpr LxCommand GetTargetDec{"Gd", Exchange::String, "sDD*MM'SS#"};
inline constexpr LxCommand GetSiderealTime{"GS", Exchange::String, "HH:MM:SS#"};
inline constexpr LxCommand GetLocalTime{"GL", Exchange::String, "HH:MM:SS#"};
inline constexpr LxCommand GetDate{"GC", Exchange::String, "MM/DD/YY#"};
inline constexpr LxCommand GetUtcOffset{"GG", Exchange::String, "sHH#, hours added to local time"};
inline constexpr LxCommand GetLatitude{"Gt", Exchange::String, "sDD*MM#"};
inline constexpr LxCommand GetLongitude{"Gg", Exchange::String, "DDD*MM#, degrees west"};

// Targets and motion
inline constexpr LxCommand SetTargetRA{"Sr ", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetTargetDec{"Sd ", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SlewToTargetCmd{"#:MS#", Exchange::Raw,
                                           "0 slewing; 1 or 2, a message and # when refused"};
inline constexpr LxCommand GetDistanceBars{"D", Exchange::String,
                                           "32 characters of bars while slewing, then #; # alone "
                                           "when the slew is over"};
inline constexpr LxCommand Halt{"Q", Exchange::Blind, "none"};
inline constexpr LxCommand Sync{"CM", Exchange::String, "object text#, empty when it failed"};

// Hand controls
inline constexpr LxCommand MoveNorth{"Mn", Exchange::Blind, "none"};
inline constexpr LxCommand MoveSouth{"Ms", Exchange::Blind, "none"};
inline constexpr LxCommand MoveEast{"Me", Exchange::Blind, "none"};
inline constexpr LxCommand MoveWest{"Mw", Exchange::Blind, "none"};
inline constexpr LxCommand StopNorth{"Qn", Exchange::Blind, "none"};
inline constexpr LxCommand StopSouth{"Qs", Exchange::Blind, "none"};
inline constexpr LxCommand StopEast{"Qe", Exchange::Blind, "none"};
inline constexpr LxCommand StopWest{"Qw", Exchange::Blind, "none"};
inline constexpr LxCommand RateSlew{"RS", Exchange::Blind, "none"};
inline constexpr LxCommand RateFind{"RM", Exchange::Blind, "none"};
inline constexpr LxCommand RateCentre{"RC", Exchange::Blind, "none"};
inline constexpr LxCommand RateGuide{"RG", Exchange::Blind, "none"};
inline constexpr LxCommand FocusIn{"F-", Exchange::Blind, "none"};
inline constexpr LxCommand FocusOut{"F+", Exchange::Blind, "none"};
inline constexpr LxCommand FocusStop{"FQ", Exchange::Blind, "none"};
inline constexpr LxCommand FocusFast{"FF", Exchange::Blind, "none"};
inline constexpr LxCommand FocusSlow{"FS", Exchange::Blind, "none"};
inline constexpr LxCommand ReticleBlink[4] = {{"B0", Exchange::Blind, "none"},
                                              {"B1", Exchange::Blind, "none"},
                                              {"B2", Exchange::Blind, "none"},
                                              {"B3", Exchange::Blind, "none"}};

// Initialisation: finder filter, libraries, field and site
inline constexpr LxCommand SetFilterTypes{"Sy", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand GetMinQuality{"Gq", Exchange::String, "SU, EX, VG, GD, FR, PR or VP#"};
inline constexpr LxCommand StepMinQuality{"Sq", Exchange::Blind, "none"};
inline constexpr LxCommand SetMinElevation{"Sh", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetBrightMag{"Sb", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetFaintMag{"Sf", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetMinSize{"Sl", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetMaxSize{"Ss", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetDeepSkyLibrary{"Lo ", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetStarLibrary{"Ls ", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetFieldRadius{"SF ", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SelectSite4{"W4", Exchange::Blind, "none"};
inline constexpr LxCommand GetSite4Name{"GP", Exchange::String, "the name of site #4#"};
inline constexpr LxCommand SetLatitude{"St ", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetLongitude{"Sg ", Exchange::Bool, "1 accepted, 0 refused"};
inline constexpr LxCommand SetUtcOffset{"SG ", Exchange::Bool, "1 accepted, 0 refused"};

// Library and field
inline constexpr LxCommand GetObjectInfo{"LI", Exchange::String,
                                         "name 1-8, quality 10-11, type 13-16, magnitude 20-23, "
                                         "size from 28; NGC0 when nothing is selected"};
inline constexpr LxCommand GetFieldReport{"Lf", Exchange::String,
                                          "objects in the field in characters 9-11"};

// Go-to window (frmGo): selecting an object of the telescope's library by number
inline constexpr LxCommand SelectMessier{"LM ", Exchange::Blind,
                                         "none; \"LI\" tells what was found"};
inline constexpr LxCommand SelectDeepSky{"LC ", Exchange::Blind,
                                         "none; in the library chosen with \"Lo\""};
inline constexpr LxCommand SelectStar{"LS ", Exchange::Blind,
                                      "none; in the library chosen with \"Ls\""};

// Object finder (frmFind): the search filters as the telescope reports them, and its search.
// The filters are set with the commands of the initialisation block ("Sy", "Sh", "Sb", "Sf",
// "Sl", "Ss", "Sq") followed by a blank and the value.
inline constexpr LxCommand GetFilterTypes{"Gy", Exchange::String,
                                          "GPDCO#, upper case for the types included"};
inline constexpr LxCommand GetMinElevation{"Gh", Exchange::String,
                                           "DD followed by the degree "
                                           "sign and #"};
inline constexpr LxCommand GetBrightMag{"Gb", Exchange::String, "sMM.M#"};
inline constexpr LxCommand GetFaintMag{"Gf", Exchange::String, "sMM.M#"};
inline constexpr LxCommand GetMinSize{"Gl", Exchange::String, "NNN'#, arc-minutes"};
inline constexpr LxCommand GetMaxSize{"Gs", Exchange::String, "NNN'#, arc-minutes"};
inline constexpr LxCommand FindFirst{"LF", Exchange::Blind, "none; LI then shows the object"};
inline constexpr LxCommand FindNext{"LN", Exchange::Blind, "none; LI then shows the object"};
inline constexpr LxCommand FindPrevious{"LB", Exchange::Blind, "none; LI then shows the object"};

// Tracking frequency
inline constexpr LxCommand GetTrackFrequency{"GT", Exchange::String, "TT.T#, hertz"};
inline constexpr LxCommand TrackSidereal{"TQ", Exchange::Blind, "none"};
inline constexpr LxCommand TrackManual{"TM", Exchange::Blind, "none"};
inline constexpr LxCommand SetTrackFrequency{"ST ", Exchange::Bool, "1 accepted, 0 refused"};

// Site editor (frmSite): the telescope's site #1 is read when no stored site matches site #4;
// the site's id is written as the name of site #4. "W4", "GP", "Gt", "Gg", "GG", "St", "Sg"
// and "SG" are in the initialisation block above.
inline constexpr LxCommand SelectSite1{"W1", Exchange::Blind, "none"};
inline constexpr LxCommand SetSite4Name{"SP ", Exchange::Bool, "1 accepted, 0 refused"};

} // namespace lx
} // namespace teleon
