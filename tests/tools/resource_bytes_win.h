#pragma once
// The raw bytes of one resource of a loaded module.
#include <windows.h>

#include <cstddef>

struct ResourceBytes {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    bool found() const { return data != nullptr; }
};

// Not found when the module has no such resource or it cannot be loaded.
ResourceBytes FindResourceBytes(HMODULE module, const wchar_t* type, const wchar_t* name);
