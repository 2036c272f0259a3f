#pragma once
// The lines resinfo prints about a module loaded as a data file, UTF-8, each ending in "\n".
// Something the module does not have gives no line at all.
#include <windows.h>

#include <string>

// string[<id>]=<escaped text> for ids 0..300. A string table stores an empty string and a
// missing one alike (length 0), so both give no line.
std::string StringTableLines(HMODULE module);
// manifest=<RT_MANIFEST 1 on one line>
std::string ManifestLine(HMODULE module);
// dialog[<id>]=present for RT_DIALOG 100, 102, 131, 146
std::string DialogLines(HMODULE module);
// bitmap[<id>]=<w>x<h>x<bpp> for picture 130 and 133, expanded as the installer does, with
// bitmappixels[<id>]=<CRC-32 of its rows, 8 hex digits>; for an RT_BITMAP of those ids when
// there is no picture, only its shape.
std::string BitmapLines(HMODULE module);
// icongroup[5]=<w>x<h>,<w>x<h>,...
std::string IconGroupLine(HMODULE module);
// toolkit[<id>]=<size in bytes> for every resource of type "TOOLKIT", in enumeration order
std::string ToolkitLines(HMODULE module);
