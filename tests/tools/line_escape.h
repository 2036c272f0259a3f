#pragma once
// Makes any text fit on one output line: backslash, line feed, carriage return and tab become
// \\ \n \r \t; every other control character below 0x20 becomes \xHH.
#include <string>

std::wstring EscapeForLine(const std::wstring& text);
