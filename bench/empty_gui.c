/* The floor of a windowed program: nothing done, but user32 and gdi32 loaded as an installer
 * with dialogs has them, which under Wine sets up the fonts and the input method. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
    (void)previous;
    (void)commandLine;
    /* Never true; the calls are there to be imported. */
    if (show == -12345) {
        LoadStringW(instance, 1, NULL, 0);
        GetStockObject(0);
    }
    return 0;
}
