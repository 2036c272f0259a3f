#pragma once
// The wizard's one window: a line of text and a Finish button.
#include "wizard_settings.h"

#include <windows.h>

// Creates the window as `settings` ask (shown at once, or hidden for a while first) and runs
// its messages until the user ends it or its linger time has passed. Answers false when the
// window could not be created.
bool RunWizardWindow(HINSTANCE instance, const WizardSettings& settings);
