#pragma once
// Where a program the tools run is found: in PATH's folders alone, never in the current
// folder, whatever the system's own search would try first.
#include <string>

namespace kitbag {

// The full name of the program `name` (no folder in it) in the first of PATH's folders that
// holds it as an executable file; empty when none does. An empty or relative PATH entry, which
// would mean the current folder, is passed over. On Windows only NAME.exe is looked for: a
// .bat or .cmd of that name would run through the command interpreter.
std::string FindOnPath(const std::string& name);

// The same over the PATH value `path`, its entries separated by `separator`, looking for
// name + suffix.
std::string FindOnPath(const std::string& name, const std::string& path, char separator,
                       const std::string& suffix);

} // namespace kitbag
