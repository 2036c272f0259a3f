#include "resource_bytes_win.h"

ResourceBytes FindResourceBytes(HMODULE module, const wchar_t* type, const wchar_t* name) {
    ResourceBytes bytes;
    HRSRC info = FindResourceW(module, name, type);
    if (info == nullptr)
        return bytes;
    HGLOBAL loaded = LoadResource(module, info);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return bytes;
    bytes.data = static_cast<const unsigned char*>(data);
    bytes.size = SizeofResource(module, info);
    return bytes;
}
