#pragma once
// The rows of a BMP file, as resinfo reports a picture's (tests/tools/resource_report_win.h).
#include <string>

// The CRC-32 of the file's rows of pixels, 8 lower-case hex digits; empty when the file is no
// BMP or ends before its last row.
std::string BmpPixelCrc(const std::string& file);
