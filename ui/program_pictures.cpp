#include "ui/program_pictures.h"

#include "framework/win_app.h"
#include "res/resource_ids.h"
#include "ui/picture_bitmap.h"

namespace {

struct ProgramPicture {
    WORD id;
    INIT_ONCE once;
    HBITMAP bitmap;
};

// Constant-initialised: nothing runs before the first window asks.
ProgramPicture g_pictures[] = {{IDB_HEADER, INIT_ONCE_STATIC_INIT, nullptr},
                               {IDB_SPLASH, INIT_ONCE_STATIC_INIT, nullptr}};

BOOL CALLBACK Expand(PINIT_ONCE, PVOID parameter, PVOID*) {
    auto* picture = static_cast<ProgramPicture*>(parameter);
    picture->bitmap = LoadPictureBitmap(AfxGetInstanceHandle(), picture->id);
    return TRUE;
}

} // namespace

void ShowProgramPicture(HWND control, WORD id) {
    for (ProgramPicture& picture : g_pictures) {
        if (picture.id != id)
            continue;
        InitOnceExecuteOnce(&picture.once, Expand, &picture, nullptr);
        // The control draws the bitmap but never deletes it: every window shows the same one.
        if (picture.bitmap != nullptr)
            SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP,
                         reinterpret_cast<LPARAM>(picture.bitmap));
    }
}
