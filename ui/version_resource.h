#pragma once
// Reads a version resource (VS_VERSIONINFO) as it is stored in an image. The installer reads
// its own from its resources rather than through version.dll, which is not a known DLL and
// would be looked for beside the installer first.
#include <cstddef>
#include <cstdint>
#include <string>

struct VersionFacts {
    bool hasFixedInfo = false;
    std::uint16_t fileVersion[4] = {}; // the fixed part's file version, most significant first
    std::u16string legalCopyright;     // of the first string table; empty when it has none
};

// False when the bytes are not a well-formed version resource; reads nothing past size.
bool ReadVersionFacts(const unsigned char* data, std::size_t size, VersionFacts& facts);
