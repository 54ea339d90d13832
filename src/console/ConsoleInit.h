// Bringing a freshly connected telescope into the program's state, and saving the settings.
#pragma once

namespace teleon {

// Runs after every successful connect: stops motion and selects the long coordinate format.
void InitSystem();
// Saves the program's settings to the configuration store.
void SaveSystem();

} // namespace teleon
