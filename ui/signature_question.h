#pragma once
#include <string>

// Asks whether to go on although the installer's own signature did not verify; verdict is
// the verification's text. 1 when the user answered Yes.
int AskToContinueUnverified(const std::wstring& verdict);
