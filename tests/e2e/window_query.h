#pragma once
// Which top-level windows exist right now, as the Windows side sees them.
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct TopWindow {
    bool visible = false;
    std::string program; // file name of the owning process, e.g. "KitbagInstaller.exe"
    std::string className;
    std::string title;
};

std::vector<TopWindow> ListWindows();

// The splash: the installer's visible dialog without a title; the installer is the program
// whose lower-case file name starts with program.
bool SplashVisible(const std::vector<TopWindow>& windows,
                   const std::string& program = "kitbaginstaller");
// Whether the window belongs to the installer, shown or not.
bool IsInstallerWindow(const TopWindow& window);
// A visible window of the stand-in wizard.
bool WizardWindowVisible(const std::vector<TopWindow>& windows);
// A visible dialog of the installer with this title.
bool InstallerDialogVisible(const std::vector<TopWindow>& windows, const std::string& title);

// Asks again every stepMs until condition holds or timeoutMs have passed.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs = 100);

// Runs tools/uiprobe.exe with these arguments; its output.
std::string Probe(const std::vector<std::string>& args);
// The controls of a visible window by id ("caption", "enabled" and "owner" for the window
// itself): "<class>|<visible>|<text>".
std::map<std::string, std::string> Controls(const std::string& title);
