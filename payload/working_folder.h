#pragma once
// The base folder under which the payload goes, and the working folder made in it.
#include "common/result_codes.h"

#include <string>

// Remembers and creates the base folder and proves that it takes files: 0 or result::kFail.
ResultCode PrepareBaseFolder(const std::wstring& baseFolder);
// Names the working folder with the all-zero GUID from now on.
void UseZeroGuid();
// The working folder's full path; named and created on the first call of the process, and
// the same path on every later call. False, with folder empty, when it could not be named or
// made (the path would be too long, or the folder could not be created); that is logged once
// and every later call answers the same.
bool GetWorkingFolder(std::wstring& folder);

// A working folder that existed already and was not used, and why; both empty when there was
// none (also when the folder was refused for another cause, such as the length of its path).
struct WorkingFolderRefusal {
    std::wstring folder;
    std::wstring reason;
};
const WorkingFolderRefusal& ExistingFolderRefusal();
// Creates a folder with all missing parents; true when it was created.
bool CreateFolderTree(const std::wstring& folder);
