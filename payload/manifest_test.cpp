#include "payload/manifest.h"

#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <vector>

namespace {

ManifestMap Parse(const std::wstring& text) {
    ManifestMap manifest;
    EXPECT_EQ(0, ParseManifest(text, manifest)) << text;
    return manifest;
}

struct Triple {
    std::uint32_t id;
    std::wstring name;
    std::uint32_t size;
};

std::vector<Triple> Triples(const ManifestMap& manifest) {
    std::vector<Triple> out;
    for (const auto& [id, file] : manifest) {
        EXPECT_EQ(id, file.m_nID);
        out.push_back({file.m_nID, file.m_strFileName, file.m_nSize});
    }
    return out;
}

void ExpectTriples(const std::wstring& text, const std::vector<Triple>& expected) {
    auto got = Triples(Parse(text));
    ASSERT_EQ(expected.size(), got.size()) << text;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(expected[i].id, got[i].id) << text;
        EXPECT_EQ(expected[i].name, got[i].name) << text;
        EXPECT_EQ(expected[i].size, got[i].size) << text;
    }
}

TEST(ParseManifest, SeparatorRunsAndALeadingStarReadLikeSingleSeparators) {
    const wchar_t* rows[] = {L"102*install.bin*5*103*lib\\x.dll*7",
                             L"*102**install.bin*5***103*lib\\x.dll*7",
                             L"***102*install.bin**5*103**lib\\x.dll*7**"};
    for (const wchar_t* text : rows)
        ExpectTriples(text, {{102, L"install.bin", 5}, {103, L"lib\\x.dll", 7}});
}

TEST(ParseManifest, NumbersReadLikeWcstolAndAreKeptUnsigned) {
    ExpectTriples(L"+102 *install.bin* 0012", {{102, L"install.bin", 12}});
    ExpectTriples(L"7*a*x9", {{7, L"a", 0}});
    ExpectTriples(L"abc*a*1", {{0, L"a", 1}});
    ExpectTriples(L"7*a*-1", {{7, L"a", 0xFFFFFFFFu}});
    ExpectTriples(L"7*a*99999999999", {{7, L"a", 2147483647u}});
    ExpectTriples(L"-99999999999*a*1", {{0x80000000u, L"a", 1}});
}

TEST(ParseManifest, LaterTripleOfTheSameIdWins) {
    ExpectTriples(L"102*old.bin*1*103*b*2*102*new.bin*3", {{102, L"new.bin", 3}, {103, L"b", 2}});
}

TEST(ParseManifest, ShortManifestsStopCleanly) {
    ExpectTriples(L"", {});
    ExpectTriples(L"***", {});
    ExpectTriples(L"102", {});
    ExpectTriples(L"102*", {});
    ExpectTriples(L"102**", {});
    // Ending right after a name keeps the entry, with nothing expected of its size.
    ExpectTriples(L"102*a*1*103*b", {{102, L"a", 1}, {103, L"b", 0}});
    ExpectTriples(L"102*a*1*103*b*", {{102, L"a", 1}, {103, L"b", 0}});
    ExpectTriples(L"102*a*1*103*b***", {{102, L"a", 1}, {103, L"b", 0}});
}

TEST(ParseManifest, AMissingFieldShiftsTheRest) {
    // The name is missing: the size becomes the name, the next id the size, and so on.
    ExpectTriples(L"102*5*103*b*7*x", {{0, L"7", 0}, {102, L"5", 103}});
}

TEST(IsProgramName, ExeAnywhereAfterTheFirstCharacterAfterLowerCasing) {
    const std::tuple<const wchar_t*, const wchar_t*, bool> rows[] = {
        {L"Setup.EXE", L"setup.exe", true},
        {L"Brasswick.Hopwell.UI.exe.config", L"brasswick.hopwell.ui.exe.config", true},
        {L"a.exe", L"a.exe", true},
        {L".exe", L".exe", false},
        {L".EXE.exe", L".exe.exe", false}, // only the first occurrence counts
        {L"readme.txt", L"readme.txt", false},
        {L"LIB\\X.DLL", L"lib\\x.dll", false},
        {L"", L"", false},
        {L"\u00C4.EXE", L"\u00C4.exe", true}, // only A to Z change
    };
    for (const auto& [name, lowered, program] : rows) {
        std::wstring text = name;
        EXPECT_EQ(program, IsProgramName(text)) << name;
        EXPECT_EQ(lowered, text) << name;
    }
}

struct Entry {
    std::uint32_t m_nID = 0;
    std::uint32_t m_nSize = 0;
    std::wstring m_strFileName;
};

std::list<std::unique_ptr<Entry>> Catalogue(std::initializer_list<std::uint32_t> ids) {
    std::list<std::unique_ptr<Entry>> entries;
    for (std::uint32_t id : ids) {
        entries.push_back(std::make_unique<Entry>());
        entries.back()->m_nID = id;
    }
    return entries;
}

TEST(NameEntries, NamesListedEntriesInWalkOrderAndLeavesTheRest) {
    auto entries = Catalogue({109, 104, 102, 101});
    ManifestMap manifest =
        Parse(L"102*Install.BIN*13*104*App.Exe*20*109*Items.xml*3*200*ghost.dat*1");
    std::vector<std::wstring> named;
    Entry* program = NameEntries(entries, manifest, [&](const CResourceFile& file) {
        named.push_back(file.m_strFileName + L":" + std::to_wstring(file.m_nSize));
    });
    // The callback sees the names as the manifest writes them; the entries keep them lowered.
    EXPECT_EQ((std::vector<std::wstring>{L"Items.xml:3", L"App.Exe:20", L"Install.BIN:13"}), named);
    std::vector<std::wstring> names;
    std::vector<std::uint32_t> sizes;
    for (const auto& e : entries) {
        names.push_back(e->m_strFileName);
        sizes.push_back(e->m_nSize);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"items.xml", L"app.exe", L"install.bin", L""}), names);
    EXPECT_EQ((std::vector<std::uint32_t>{3, 20, 13, 0}), sizes);
    ASSERT_NE(nullptr, program);
    EXPECT_EQ(104u, program->m_nID);
}

TEST(NameEntries, TheLastQualifyingEntryOfTheWalkIsTheProgram) {
    // The catalogue runs in descending id order, so the lowest id wins whatever the manifest's
    // order; a .exe.config qualifies too.
    auto entries = Catalogue({105, 104, 103});
    Entry* program = NameEntries(entries, Parse(L"104*ui.exe*1*103*b.txt*1*105*ui.exe.config*1"),
                                 [](const CResourceFile&) {});
    ASSERT_NE(nullptr, program);
    EXPECT_EQ(104u, program->m_nID);

    auto none = Catalogue({103});
    EXPECT_EQ(nullptr, NameEntries(none, Parse(L"103*b.txt*1"), [](const CResourceFile&) {}));
}

} // namespace
