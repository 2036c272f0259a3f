#pragma once
// A manifest's bytes as one output line.
#include <cstddef>
#include <string>

// Drops a leading UTF-8 byte order mark and every carriage return, line feed and NUL byte;
// everything else is kept as it is.
std::string ManifestOnOneLine(const char* data, std::size_t size);
