#include "payload/existing_folder_rule.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kUser = L"S-1-5-21-1-2-3-1000";

AccessEntry Allow(const std::wstring& sid, std::uint32_t mask) {
    return {AccessEntry::Kind::Allow, sid, mask};
}

// The folder a run of this program makes: SYSTEM, the Administrators and the user, full.
ExistingFolderFacts OurOwn() {
    ExistingFolderFacts facts;
    facts.isFolder = true;
    facts.ownerSid = kUser;
    facts.hasAccessList = true;
    facts.entries = {Allow(L"S-1-5-18", 0x1F01FF), Allow(L"S-1-5-32-544", 0x1F01FF),
                     Allow(kUser, 0x1F01FF)};
    return facts;
}

TEST(ExistingFolder, OnlyAFolderNobodyElseMayChangeIsUsed) {
    const struct {
        const char* what;
        void (*change)(ExistingFolderFacts&);
        const wchar_t* reason; // nullptr: used
    } rows[] = {
        {"our own", [](ExistingFolderFacts&) {}, nullptr},
        {"owned by the Administrators",
         [](ExistingFolderFacts& f) { f.ownerSid = L"S-1-5-32-544"; }, nullptr},
        {"everyone may read and list",
         [](ExistingFolderFacts& f) { f.entries.push_back(Allow(L"S-1-1-0", 0x1200A9)); }, nullptr},
        {"a deny entry for everyone",
         [](ExistingFolderFacts& f) {
             f.entries.push_back({AccessEntry::Kind::Deny, L"S-1-1-0", 0x1F01FF});
         },
         nullptr},
        {"the creator-owner entry a drive's root hands down",
         [](ExistingFolderFacts& f) { f.entries.push_back(Allow(L"S-1-3-0", 0x10000000)); },
         nullptr},
        {"on FAT, where everyone may change every folder",
         [](ExistingFolderFacts& f) {
             f.volumeKeepsAccessLists = false;
             f.ownerSid = L"S-1-1-0";
             f.hasAccessList = false;
         },
         nullptr},
        {"a junction", [](ExistingFolderFacts& f) { f.isLink = true; }, L"link or junction"},
        {"a junction on FAT",
         [](ExistingFolderFacts& f) {
             f.volumeKeepsAccessLists = false;
             f.isLink = true;
         },
         L"link or junction"},
        {"a file", [](ExistingFolderFacts& f) { f.isFolder = false; }, L"not a folder"},
        {"owned by another user",
         [](ExistingFolderFacts& f) { f.ownerSid = L"S-1-5-21-1-2-3-1001"; },
         L"its owner S-1-5-21-1-2-3-1001 is neither"},
        {"owned by the creator-owner placeholder",
         [](ExistingFolderFacts& f) { f.ownerSid = L"S-1-3-0"; }, L"its owner S-1-3-0"},
        {"no access list", [](ExistingFolderFacts& f) { f.hasAccessList = false; },
         L"no access list"},
        {"authenticated users may modify",
         [](ExistingFolderFacts& f) { f.entries.push_back(Allow(L"S-1-5-11", 0x1301BF)); },
         L"lets S-1-5-11 change it"},
        {"everyone may only delete what is inside",
         [](ExistingFolderFacts& f) { f.entries.push_back(Allow(L"S-1-1-0", 0x40)); },
         L"lets S-1-1-0 change it"},
        {"users hold generic write",
         [](ExistingFolderFacts& f) { f.entries.push_back(Allow(L"S-1-5-32-545", 0x40000000)); },
         L"lets S-1-5-32-545 change it"},
        {"users may rewrite the access list",
         [](ExistingFolderFacts& f) { f.entries.push_back(Allow(L"S-1-5-32-545", 0x40000)); },
         L"lets S-1-5-32-545 change it"},
        {"an entry of another kind",
         [](ExistingFolderFacts& f) {
             f.entries.push_back({AccessEntry::Kind::Other, L"S-1-1-0", 0x1});
         },
         L"does not judge"},
    };
    for (const auto& row : rows) {
        ExistingFolderFacts facts = OurOwn();
        row.change(facts);
        const std::wstring why = WhyExistingFolderIsRefused(facts, kUser);
        if (row.reason == nullptr)
            EXPECT_TRUE(why.empty()) << row.what;
        else
            EXPECT_NE(why.find(row.reason), std::wstring::npos) << row.what;
    }
    // Without a known user only SYSTEM and the Administrators count.
    EXPECT_FALSE(WhyExistingFolderIsRefused(OurOwn(), L"").empty());
}

} // namespace
