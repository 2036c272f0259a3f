#pragma once
// How a test steers the wizard, read from KITBAG_WIZARD_* environment variables.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

enum class WindowMode { Normal, None, HiddenFirst };

struct WizardSettings {
    std::uint32_t exitCode = 0;
    // Waited before any window exists.
    std::uint32_t delayMs = 0;
    WindowMode window = WindowMode::Normal;
    // HiddenFirst: how long the window stays hidden.
    std::uint32_t hiddenMs = 1500;
    // How long the window stays once shown; nothing means until the user ends it.
    std::optional<std::uint32_t> lingerMs;
    std::optional<std::wstring> recordPath;
    // Leave behind a detached child that holds a file of the current folder open, without
    // sharing, for this long after the wizard has ended.
    std::optional<std::uint32_t> spawnHolderMs;
    // Values that were ignored, for the log.
    std::vector<std::wstring> problems;
};

// The value of a variable, nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::wstring>(const wchar_t* name)>;

// Unset or empty variables take their defaults; a value that cannot be read does too, and is
// described in `problems`. A silent wizard lingers 500 ms unless told otherwise.
WizardSettings ReadWizardSettings(const EnvironmentLookup& lookup, bool silent);
