#pragma once
// Unpacking the payload: catalogue, manifest, and every named file written.
#include "payload/resource.h"

// Enumerates the module's TOOLKIT resources into resources, names them by the manifest
// and writes them; programPath receives the path of the program to run.
ResultCode ExtractResources(HMODULE module, ResourceList& resources, std::wstring& programPath);
