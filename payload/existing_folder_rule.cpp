#include "payload/existing_folder_rule.h"

namespace {

// Every right that changes the folder, what it holds, or who may do so.
constexpr std::uint32_t kChangingRights = 0x00000002    // write data / add file
                                          | 0x00000004  // append data / add sub-folder
                                          | 0x00000010  // write extended attributes
                                          | 0x00000040  // delete child
                                          | 0x00000100  // write attributes
                                          | 0x00010000  // delete
                                          | 0x00040000  // write access list
                                          | 0x00080000  // write owner
                                          | 0x02000000  // maximum allowed
                                          | 0x10000000  // generic all
                                          | 0x40000000; // generic write

bool Trusted(const std::wstring& sid, const std::wstring& userSid) {
    // SYSTEM, the Administrators group, the creator and the owner of what is made inside
    // (whoever may create there is trusted already), and this user.
    return sid == L"S-1-5-18" || sid == L"S-1-5-32-544" || sid == L"S-1-3-0" || sid == L"S-1-3-4" ||
           (!userSid.empty() && sid == userSid);
}

} // namespace

std::wstring WhyExistingFolderIsRefused(const ExistingFolderFacts& facts,
                                        const std::wstring& userSid) {
    if (facts.isLink)
        return L"it is a link or junction to another place";
    if (!facts.isFolder)
        return L"it is not a folder";
    if (!facts.volumeKeepsAccessLists)
        return {};
    if (!Trusted(facts.ownerSid, userSid) || facts.ownerSid == L"S-1-3-0" ||
        facts.ownerSid == L"S-1-3-4")
        return L"its owner " + facts.ownerSid +
               L" is neither this user, the Administrators nor "
               L"SYSTEM";
    if (!facts.hasAccessList)
        return L"it has no access list, so everyone may change it";
    for (const AccessEntry& entry : facts.entries) {
        if (entry.kind == AccessEntry::Kind::Other)
            return L"its access list holds an entry of a kind this program does not judge";
        if (entry.kind == AccessEntry::Kind::Allow && (entry.mask & kChangingRights) != 0 &&
            !Trusted(entry.sid, userSid))
            return L"its access list lets " + entry.sid + L" change it";
    }
    return {};
}
