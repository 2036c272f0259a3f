#pragma once
// The TOOLKIT manifest: "id*name*size*id*name*size...", and how it names catalogue entries.
#include "common/result_codes.h"

#include <cstdint>
#include <map>
#include <string>

// One triple of the manifest.
class CResourceFile {
public:
    std::uint32_t m_nID = 0;
    std::uint32_t m_nSize = 0;
    std::wstring m_strFileName;
};

// The manifest's triples by resource id.
using ManifestMap = std::map<std::uint32_t, CResourceFile>;

// Adds every triple of text to manifest, a later triple replacing an earlier one of the same
// id. Runs of "*" count as one separator and a leading "*" is skipped; numbers read like a
// base-10 wcstol and are kept as unsigned. A manifest that ends after a name stores that
// entry with size 0. Always 0: a malformed manifest only yields fewer triples.
ResultCode ParseManifest(const std::wstring& text, ManifestMap& manifest);

// Lower-cases the letters A to Z of fileName in place; true when ".exe" occurs anywhere after
// its first character.
bool IsProgramName(std::wstring& fileName);

// Walks entries (pointers to objects with m_nID, m_nSize and m_strFileName) in order and gives
// each one that the manifest names its file name and size, calling onNamed with the triple.
// Answers the last named entry that qualifies as a program, or null when none does.
template <class List, class OnNamed>
typename List::value_type::pointer NameEntries(List& entries, const ManifestMap& manifest,
                                               OnNamed onNamed) {
    typename List::value_type::pointer program = nullptr;
    for (auto& entry : entries) {
        auto found = manifest.find(entry->m_nID);
        if (found == manifest.end())
            continue;
        entry->m_strFileName = found->second.m_strFileName;
        entry->m_nSize = found->second.m_nSize;
        if (IsProgramName(entry->m_strFileName))
            program = entry.get();
        onNamed(found->second);
    }
    return program;
}
