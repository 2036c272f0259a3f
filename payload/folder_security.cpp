#include "folder_security.h"

#include "framework/format.h"
#include "payload/existing_folder_rule.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace {

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidW(sid, &text))
        return {};
    std::wstring result = text;
    LocalFree(text);
    return result;
}

void ReadAccessList(const ACL& list, std::vector<AccessEntry>& entries) {
    for (DWORD i = 0; i < list.AceCount; ++i) {
        void* raw = nullptr;
        AccessEntry entry;
        entry.kind = AccessEntry::Kind::Other;
        if (GetAce(const_cast<ACL*>(&list), i, &raw)) {
            const auto* header = static_cast<const ACE_HEADER*>(raw);
            if (header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
                header->AceType == ACCESS_DENIED_ACE_TYPE) {
                // Both kinds share one layout: header, mask, then the SID.
                auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
                entry.kind = header->AceType == ACCESS_ALLOWED_ACE_TYPE ? AccessEntry::Kind::Allow
                                                                        : AccessEntry::Kind::Deny;
                entry.mask = ace->Mask;
                entry.sid = SidText(&ace->SidStart);
            }
        }
        entries.push_back(entry);
    }
}

// The string form of the process token's user.
bool ProcessUserSid(std::wstring& sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD needed = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed);
    bool ok = needed != 0 && GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed);
    CloseHandle(token);
    if (!ok)
        return false;
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return false;
    sid = text;
    LocalFree(text);
    return true;
}

} // namespace

bool CreatePrivateFolder(const std::wstring& folder) {
    std::wstring user;
    if (!ProcessUserSid(user))
        return false;
    // "P" protects the list from the parent's entries; every entry reaches files (OI) and
    // sub-folders (CI) made inside.
    const std::wstring sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    BOOL created = CreateDirectoryW(folder.c_str(), &attributes);
    DWORD error = GetLastError();
    LocalFree(descriptor);
    SetLastError(error);
    return created != FALSE;
}

std::wstring WhyFolderOnDiskIsRefused(const std::wstring& folder) {
    ExistingFolderFacts facts;
    // The name's own attributes, and those of what a handle opened without following a link
    // reaches: either may be the one that tells a link (Wine reports it by name only).
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Format(L"it cannot be examined, error %ld",
                      static_cast<std::int32_t>(GetLastError()));
    HANDLE handle =
        CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return Format(L"it cannot be opened, error %ld", static_cast<std::int32_t>(GetLastError()));
    BY_HANDLE_FILE_INFORMATION information{};
    const BOOL known = GetFileInformationByHandle(handle, &information);
    const DWORD own = known ? information.dwFileAttributes : attributes;
    facts.isLink = ((attributes | own) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.isFolder = ((attributes & own) & FILE_ATTRIBUTE_DIRECTORY) != 0;
    DWORD volumeFlags = 0;
    if (GetVolumeInformationByHandleW(handle, nullptr, 0, nullptr, nullptr, &volumeFlags, nullptr,
                                      0))
        facts.volumeKeepsAccessLists = (volumeFlags & FILE_PERSISTENT_ACLS) != 0;
    if (!facts.volumeKeepsAccessLists) {
        // Such a volume may have no owner or list to read at all.
        CloseHandle(handle);
        return WhyExistingFolderIsRefused(facts, {});
    }

    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD read = GetSecurityInfo(handle, SE_FILE_OBJECT,
                                       OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                       &owner, nullptr, &list, nullptr, &descriptor);
    CloseHandle(handle);
    if (read != ERROR_SUCCESS)
        return Format(L"its owner and access list cannot be read, error %ld",
                      static_cast<std::int32_t>(read));
    facts.ownerSid = SidText(owner);
    facts.hasAccessList = list != nullptr;
    if (list != nullptr)
        ReadAccessList(*list, facts.entries);
    LocalFree(descriptor);

    std::wstring user;
    ProcessUserSid(user);
    return WhyExistingFolderIsRefused(facts, user);
}
