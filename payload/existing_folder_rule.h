#pragma once
// Whether a working folder that exists before the run may be used: an elevated run writes the
// wizard into it and starts it, and the clean-up deletes what it holds, so nobody but this
// user, the Administrators and SYSTEM may be able to change it, and it must be the folder
// itself, not a link to one elsewhere.
#include <cstdint>
#include <string>
#include <vector>

struct AccessEntry {
    enum class Kind { Allow, Deny, Other };
    Kind kind = Kind::Allow;
    std::wstring sid; // string form, e.g. "S-1-5-18"
    std::uint32_t mask = 0;
};

struct ExistingFolderFacts {
    bool isFolder = false;
    bool isLink = false; // a reparse point: a symbolic link, junction or mount point
    // False on a volume that keeps no access lists (FAT, exFAT): there every folder, a new
    // one as much as an old one, may be changed by anyone, so owner and list decide nothing.
    bool volumeKeepsAccessLists = true;
    std::wstring ownerSid;
    bool hasAccessList = false; // no list at all lets everyone do everything
    std::vector<AccessEntry> entries;
};

// Empty when the folder may be used; otherwise the reason it may not, for the log.
std::wstring WhyExistingFolderIsRefused(const ExistingFolderFacts& facts,
                                        const std::wstring& userSid);
