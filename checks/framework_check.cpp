#include "app/kitbag_installer_app.h"
#include "checks/framework_detector.h"

#include <windows.h>

namespace {

// Reads the machine's own registry, in this process's view of it.
class CMachineFrameworkDetector final : public CFrameworkDetector {
public:
    bool ReadRegistryValue(const std::wstring& subKey, const std::wstring& valueName, void* buffer,
                           std::uint32_t& bytes) const override {
        return ReadRegistryValue(HKEY_LOCAL_MACHINE, subKey, valueName, buffer, bytes);
    }

private:
    static bool ReadRegistryValue(HKEY root, const std::wstring& subKey,
                                  const std::wstring& valueName, void* buffer,
                                  std::uint32_t& bytes) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        DWORD size = bytes;
        LONG status = RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr,
                                       static_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return false;
        bytes = size;
        return true;
    }
};

} // namespace

bool CKitbagInstallerApp::CheckFrameworkVersion() {
    FrameworkEntries entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = LoadResString(FrameworkInfoOf(static_cast<FrameworkVersion>(i)).entryId);

    RequiredFramework required{m_strRequiredFramework, m_nRequiredFrameworkMajor,
                               m_nRequiredFrameworkSP};
    CMachineFrameworkDetector detector;
    if (detector.Check(entries, required))
        return true;
    m_strRequiredFramework = required.name;
    m_nRequiredFrameworkMajor = required.major;
    m_nRequiredFrameworkSP = required.servicePack;
    return false;
}
