// The command line read on Windows: the system answers the processing's questions, and
// the settings land on the application object.
#include "app/kitbag_installer_app.h"
#include "checks/admin_check.h"
#include "cmdline/command_line_settings.h"

#include <vector>

namespace {

class WindowsCommandLineHost final : public CommandLineHost {
public:
    bool IsAdminInstall() const override { return ::IsAdminInstall(); }

    std::wstring SystemDrive() const override {
        DWORD needed = GetEnvironmentVariableW(L"SystemDrive", nullptr, 0);
        if (needed == 0)
            return {};
        std::vector<wchar_t> value(needed, L'\0');
        DWORD got = GetEnvironmentVariableW(L"SystemDrive", value.data(), needed);
        return got != 0 && got < needed ? std::wstring(value.data(), got) : std::wstring();
    }

    std::wstring TempPath() const override {
        DWORD needed = GetTempPathW(0, nullptr);
        if (needed == 0)
            return {};
        std::vector<wchar_t> value(needed + 1, L'\0');
        DWORD got = GetTempPathW(static_cast<DWORD>(value.size()), value.data());
        return got != 0 && got < value.size() ? std::wstring(value.data(), got) : std::wstring();
    }

    bool FullPath(const std::wstring& value, std::wstring& full) const override {
        if (value.empty()) {
            // The full path of an empty value is the current directory itself.
            DWORD needed = GetCurrentDirectoryW(0, nullptr);
            std::vector<wchar_t> dir(needed + 1, L'\0');
            DWORD got =
                needed != 0 ? GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data()) : 0;
            if (got == 0 || got >= dir.size())
                return false;
            full.assign(dir.data(), got);
            return true;
        }
        // Asked for its size first, so a path of any length is made whole, never cut.
        DWORD needed = GetFullPathNameW(value.c_str(), 0, nullptr, nullptr);
        if (needed == 0)
            return false;
        std::vector<wchar_t> buffer(needed + 1, L'\0');
        DWORD got = GetFullPathNameW(value.c_str(), static_cast<DWORD>(buffer.size()),
                                     buffer.data(), nullptr);
        if (got == 0 || got >= buffer.size())
            return false;
        full.assign(buffer.data(), got);
        return true;
    }
};

} // namespace

ResultCode CKitbagInstallerApp::ProcessCommandLine() {
    WindowsCommandLineHost host;
    CommandLineSettings settings;
    ResultCode result = ApplyCommandLine(CommandLineParameters(), m_strProgramName, host, settings);
    if (!m_bCommandLineRead) {
        m_bSilent = settings.silent;
        m_bCommandLineRead = true;
    }
    m_bZeroGuid = settings.zeroGuid;
    m_bRemoveFolder = settings.removeFolder;
    m_bRunWizard = settings.runWizard;
    m_strTempFolder = settings.tempFolder;
    m_strChildParams = settings.childParams;
    return result;
}
