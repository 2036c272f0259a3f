#pragma once
// The information block that may follow the marker "MRDC" near the end of the program's
// own file, written to "info.xml" in the working folder.
#include "common/result_codes.h"

#include <string>

// Writes "info.xml" into the working folder when the block is present; always 0.
ResultCode WriteEmbeddedInfo();
// Scans the program's own file and writes the block's information to target; always 0.
ResultCode ExtractEmbeddedInfo(const std::wstring& target);
