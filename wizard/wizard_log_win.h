#pragma once
// The wizard's lines in the log file the bootstrapper names with "/log".
#include <optional>
#include <string>
#include <utility>

class WizardLog {
public:
    explicit WizardLog(std::optional<std::wstring> path) : m_path(std::move(path)) {}

    // Appends "Kitbag sample wizard: <text>\r\n" in the ANSI code page, as the bootstrapper
    // writes its own lines. Without a log, or when it cannot be opened, nothing happens.
    void Line(const std::wstring& text) const;

private:
    std::optional<std::wstring> m_path;
};
