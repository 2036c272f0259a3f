#include "payload/format/manifest.h"

#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <vector>

namespace {

// The parsed triples as "id:name:size|...", in id order.
std::wstring Parsed(const std::wstring& text) {
    ManifestMap manifest;
    EXPECT_EQ(0, ParseManifest(text, manifest)) << text;
    std::wstring out;
    for (const auto& [id, file] : manifest) {
        EXPECT_EQ(id, file.m_nID);
        out += (out.empty() ? L"" : L"|") + std::to_wstring(file.m_nID) + L":" +
               file.m_strFileName + L":" + std::to_wstring(file.m_nSize);
    }
    return out;
}

TEST(ParseManifest, GrammarRules) {
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        // Separator runs and a leading "*" read like single separators.
        {L"102*install.bin*5*103*lib\\x.dll*7", L"102:install.bin:5|103:lib\\x.dll:7"},
        {L"*102**install.bin*5***103*lib\\x.dll*7**", L"102:install.bin:5|103:lib\\x.dll:7"},
        // Numbers read like wcstol and are kept unsigned.
        {L"+102 *install.bin* 0012", L"102:install.bin:12"},
        {L"7*a*x9", L"7:a:0"},
        {L"abc*a*1", L"0:a:1"},
        {L"7*a*-1", L"7:a:4294967295"},
        {L"7*a*99999999999", L"7:a:2147483647"},
        {L"-99999999999*a*1", L"2147483648:a:1"},
        // A later triple of the same id wins.
        {L"102*old.bin*1*103*b*2*102*new.bin*3", L"102:new.bin:3|103:b:2"},
        // A missing name shifts the rest: the size becomes the name, the next id the size...
        {L"102*5*103*b*7*x", L"0:7:0|102:5:103"},
        // Short manifests stop cleanly; one that ends after a name keeps it with size 0.
        {L"", L""},
        {L"***", L""},
        {L"102", L""},
        {L"102**", L""},
        {L"102*a*1*103*b", L"102:a:1|103:b:0"},
        {L"102*a*1*103*b***", L"102:a:1|103:b:0"},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(expected, Parsed(text)) << text;
}

TEST(IsProgramName, ExeAnywhereAfterTheFirstCharacterAfterLowerCasing) {
    const std::tuple<const wchar_t*, const wchar_t*, bool> rows[] = {
        {L"Setup.EXE", L"setup.exe", true},
        {L"Brasswick.Hopwell.UI.exe.config", L"brasswick.hopwell.ui.exe.config", true},
        {L".exe", L".exe", false},
        {L".EXE.exe", L".exe.exe", false}, // only the first occurrence counts
        {L"readme.txt", L"readme.txt", false},
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

TEST(NameEntries, NamesListedEntriesAndTheLastQualifyingOneIsTheProgram) {
    // The catalogue runs in descending id order, so the lowest id wins as the program whatever
    // the manifest's order; a .exe.config qualifies too.
    std::list<std::unique_ptr<Entry>> entries;
    for (std::uint32_t id : {105u, 104u, 103u, 101u}) {
        entries.push_back(std::make_unique<Entry>());
        entries.back()->m_nID = id;
    }
    ManifestMap manifest;
    ParseManifest(L"104*UI.Exe*20*103*Notes.TXT*3*105*ui.exe.config*1*200*ghost*1", manifest);
    std::vector<std::wstring> logged;
    Entry* program = NameEntries(entries, manifest, [&](const CResourceFile& file) {
        logged.push_back(file.m_strFileName + L":" + std::to_wstring(file.m_nSize));
    });
    // The callback sees the manifest's spelling; the entries keep the names lowered.
    EXPECT_EQ((std::vector<std::wstring>{L"ui.exe.config:1", L"UI.Exe:20", L"Notes.TXT:3"}),
              logged);
    std::vector<std::wstring> names;
    for (const auto& e : entries)
        names.push_back(e->m_strFileName + L":" + std::to_wstring(e->m_nSize));
    EXPECT_EQ((std::vector<std::wstring>{L"ui.exe.config:1", L"ui.exe:20", L"notes.txt:3", L":0"}),
              names);
    ASSERT_NE(nullptr, program);
    EXPECT_EQ(104u, program->m_nID);

    std::list<std::unique_ptr<Entry>> none;
    none.push_back(std::make_unique<Entry>());
    none.back()->m_nID = 103;
    EXPECT_EQ(nullptr, NameEntries(none, manifest, [](const CResourceFile&) {}));
}

} // namespace
