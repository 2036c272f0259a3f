#pragma once
// Text from a file made printable: what a listing shows of names, titles and version texts
// must not steer the terminal it is printed on.
#include <string>

namespace kitbag {

// The UTF-8 text with every control character (C0, DEL, and C1 as U+0080 to U+009F) written as
// \xNN, and every byte that is not part of well-formed UTF-8 as \xNN too.
std::string PrintableText(const std::string& text);

} // namespace kitbag
