#include "app/kitbag_installer_app.h"
#include "checks/disk_space_rule.h"
#include "framework/decimal.h"
#include "res/resource_ids.h"

#include <vector>

bool CKitbagInstallerApp::CheckDiskSpace() {
    m_nRequiredDiskMB = ReadDecimal32(LoadResString(IDS_REQUIRED_DISK_MB));
    m_nFreeDiskMB = 0;

    // The measured drive is always that of the user's temporary path. Only its drive part
    // is used, so a path of any length is read whole rather than cut.
    DWORD needed = GetTempPathW(0, nullptr);
    std::vector<wchar_t> temp(needed + 1, L'\0');
    DWORD got = needed != 0 ? GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()) : 0;
    m_strTempDrive = got != 0 && got < temp.size() ? DrivePart(temp.data()) : std::wstring();

    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(m_strTempDrive.c_str(), &available, nullptr, nullptr))
        return false;
    m_nFreeDiskMB = WholeMegabytes(available.QuadPart);
    return HasEnoughSpace(m_nFreeDiskMB, m_nRequiredDiskMB);
}
