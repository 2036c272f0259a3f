#pragma once
// Whether a tool may write its output where it is asked to: never over one of its own inputs,
// never into a folder it packs.
#include <string>
#include <vector>

namespace kitbag {

// Empty when output may be written, else why not. The output must be none of inputFiles by
// any name (a link to one, or another hard link of it, counts), not a folder, and not lie
// inside any of inputFolders, where the next run would pack it.
std::string CheckOutput(const std::string& output, const std::vector<std::string>& inputFiles,
                        const std::vector<std::string>& inputFolders);

} // namespace kitbag
