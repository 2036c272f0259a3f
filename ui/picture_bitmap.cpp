#include "ui/picture_bitmap.h"

#include "ui/picture_expansion.h"

#include <cstring>

HBITMAP LoadPictureBitmap(HMODULE module, WORD id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), kPictureType);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    ExpandedPicture picture;
    if (data == nullptr || !ExpandPicture(static_cast<const unsigned char*>(data),
                                          SizeofResource(module, found), id, picture))
        return nullptr;
    void* pixels = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(picture.dib.get()),
                         DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bitmap != nullptr)
        std::memcpy(pixels, picture.dib.get() + picture.pixelOffset, picture.pixelBytes);
    return bitmap;
}
