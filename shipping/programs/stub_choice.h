#pragma once
// Which payload-free installer (stub) kitbag-pack packs into.
#include "shipping/pe/pe_layout.h"
#include "shipping/programs/pack_options.h"

#include <filesystem>
#include <string>

namespace kitbag {

// The file name every stub has.
inline constexpr const char* kStubName = "KitbagInstaller-stub.exe";

// Where the stub of an architecture ("x86" or "x64") is installed beside a tool at `tool`:
// <tool's folder>/<stubFolder>/<architecture>/KitbagInstaller-stub.exe, stubFolder relative
// to the tool's folder. Never the current folder, never PATH.
std::filesystem::path InstalledStub(const std::filesystem::path& tool,
                                    const std::string& stubFolder, const std::string& architecture);

// The stub to use: --stub when given, else the installed one of the architecture asked for
// (x86 without --arch), found from this program's own file. Empty, with the reason, when
// there is none.
std::string ChooseStub(const PackOptions& options, std::string& error);

// The stub's own architecture must be the one asked for; without --arch, a named stub's own
// counts, and the default is x86.
bool CheckArchitecture(const PackOptions& options, const std::string& stub, const PeLayout& layout,
                       std::string& error);

} // namespace kitbag
