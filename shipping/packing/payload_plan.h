#pragma once
// Which files of a product folder become which TOOLKIT resources, and the manifest that
// names them; refuses what the installer could not extract faithfully.
#include "shipping/base/listed_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kitbag {

constexpr std::uint16_t kManifestId = 101;
constexpr std::uint16_t kFirstFileId = 102;
constexpr std::size_t kMaxFiles = 0xFFFF - kFirstFileId + 1;
// The installer joins names to its working folder, base folder + "\" + a 38-character GUID,
// and its joined paths hold at most 259 characters. With a base folder of up to 64
// characters ("C:\Users\<20-character user>\AppData\Local\Temp" is 48) a name may have
// 259 - (64 + 1 + 38) - 1 = 155 characters.
constexpr std::size_t kTypicalBaseFolderLength = 64;
constexpr std::size_t kMaxNameLength = 259 - (kTypicalBaseFolderLength + 1 + 38) - 1;
// Sizes are read back from the manifest as signed 32-bit numbers. The product's total is
// limited where its form is chosen (shipping/packing/payload_form.h).
constexpr std::uint64_t kMaxFileBytes = 0x7FFFFFFF;

struct PayloadFile {
    std::string path; // relative to the product folder, components separated by "/"
    std::uint64_t size = 0;
    FileIdentity identity = {}; // the file listed, which reading it later checks
};

struct PlannedFile {
    std::uint16_t id = 0;
    std::string path; // as given
    std::string name; // as the manifest writes it: components separated by "\"
    std::uint64_t size = 0;
    FileIdentity identity = {};
};

struct PayloadPlan {
    std::vector<PlannedFile> files; // the program first, then by name
    std::string manifest;
    std::uint64_t totalBytes = 0;
};

// ASCII lower case, as the installer lowers names (only A to Z change).
std::string LowerAscii(std::string text);
// The installer's test: ".exe" first occurs after the name's first character.
bool QualifiesAsProgram(const std::string& name);
// Empty when the relative path can be a payload name, else why not.
std::string CheckName(const std::string& path);

// program: the program's path relative to the folder, with "/" or "\" between components.
bool PlanPayload(const std::vector<PayloadFile>& files, const std::string& program,
                 PayloadPlan& plan, std::string& error);

} // namespace kitbag
