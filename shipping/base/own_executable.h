#pragma once
// Where the running program's own file is, whatever folder it was started in and however it
// was found (a PATH search, a relative name, a link).
#include <filesystem>

namespace kitbag {

// The program's own file with links resolved; empty when the system cannot say.
std::filesystem::path OwnExecutable();

} // namespace kitbag
