#include "authenticode.h"

#include "framework/win_app.h"

std::wstring GetModulePath() {
    return ProgramFilePath();
}
