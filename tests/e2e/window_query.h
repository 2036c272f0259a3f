#pragma once
// Which top-level windows exist right now, as the Windows side sees them.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

struct TopWindow {
    bool visible = false;
    std::string program; // file name of the owning process, e.g. "KitbagInstaller.exe"
    std::string className;
    std::string title;
};

std::vector<TopWindow> ListWindows();

// The splash: the installer's visible dialog without a title.
bool SplashVisible(const std::vector<TopWindow>& windows);
// A visible window of the stand-in wizard.
bool WizardWindowVisible(const std::vector<TopWindow>& windows);
// A visible dialog of the installer with this title.
bool InstallerDialogVisible(const std::vector<TopWindow>& windows, const std::string& title);

// Asks again every stepMs until condition holds or timeoutMs have passed.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs = 100);
