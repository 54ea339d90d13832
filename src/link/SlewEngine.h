// The slew engine: every slew of the program goes through SlewToTarget, which checks the tilt-up
// limit, starts the slew, decodes the telescope's refusal codes and waits for the slew to end
// while feeding the progress bars.
#pragma once

namespace teleon {

// Slews to the telescope's current target. showProgress opens the progress window; raiseErrors
// reports refusals as AutomationError 1120 instead of message boxes. True when the slew ended
// normally; false when refused, unreadable or aborted. A lost link is passed on as LostLinkError
// (after the cursor, the progress window and the status timer have been put right).
bool SlewToTarget(bool showProgress, bool raiseErrors);

// Sets the target to the current position moved northDegrees in declination and eastDegrees on
// the sky in right ascension. Does not slew. True when both coordinates were accepted.
bool ShiftTarget(double northDegrees, double eastDegrees, bool showMessages);

// Stops any slew and marks the running wait as aborted.
void HaltSlew();

} // namespace teleon
