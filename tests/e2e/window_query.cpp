#include "window_query.h"

#include "wine_harness.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <thread>

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

} // namespace

std::vector<TopWindow> ListWindows() {
    std::vector<TopWindow> windows;
    std::istringstream lines(RunTool("winlist.exe", ""));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');)
            fields.push_back(field);
        fields.resize(5);
        windows.push_back({fields[0] == "1", fields[2], fields[3], fields[4]});
    }
    return windows;
}

bool SplashVisible(const std::vector<TopWindow>& windows, const std::string& program) {
    return std::any_of(windows.begin(), windows.end(), [&](const TopWindow& w) {
        return w.visible && Lower(w.program).rfind(program, 0) == 0 && w.className == "#32770" &&
               w.title.empty();
    });
}

bool IsInstallerWindow(const TopWindow& window) {
    return Lower(window.program).rfind("kitbaginstaller", 0) == 0;
}

bool WizardWindowVisible(const std::vector<TopWindow>& windows) {
    return std::any_of(windows.begin(), windows.end(), [](const TopWindow& w) {
        return w.visible && Lower(w.program) == "brasswick.hopwell.ui.exe";
    });
}

bool InstallerDialogVisible(const std::vector<TopWindow>& windows, const std::string& title) {
    return std::any_of(windows.begin(), windows.end(), [&](const TopWindow& w) {
        return w.visible && IsInstallerWindow(w) && w.title == title;
    });
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
}

std::string Probe(const std::vector<std::string>& args) {
    std::vector<std::string> argv{BuildPath("uiprobe.exe")};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunWine(argv);
}

std::map<std::string, std::string> Controls(const std::string& title) {
    std::map<std::string, std::string> controls;
    std::istringstream lines(Probe({"texts", title}));
    for (std::string line; std::getline(lines, line);) {
        auto bar = line.find('|');
        if (bar != std::string::npos)
            controls[line.substr(0, bar)] = line.substr(bar + 1);
    }
    return controls;
}
