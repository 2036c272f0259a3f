#pragma once
// A module's compressed picture (ui/picture_expansion.h) as a bitmap to draw.
#include <windows.h>

// The resource type the pictures are stored under (res/KitbagInstaller.rc).
constexpr wchar_t kPictureType[] = L"PICTURE";

// Expands the module's picture id into a DIB section of exactly its pixels; the caller owns
// it. Null when the module has no such picture or it does not expand.
HBITMAP LoadPictureBitmap(HMODULE module, WORD id);
