#pragma once
// The program's own pictures, the message dialog's header and the splash: each expanded once
// per process, by the first window that shows it, and kept until the process ends. A run that
// shows no window never expands them.
#include <windows.h>

// Shows picture id (IDB_HEADER or IDB_SPLASH) in a static picture control; the control stays
// empty when the picture does not expand.
void ShowProgramPicture(HWND control, WORD id);
