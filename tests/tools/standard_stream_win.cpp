#include "standard_stream_win.h"

void WriteToStandardHandle(DWORD which, const std::string& bytes) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = bytes.size() - done < 0x10000 ? bytes.size() - done : 0x10000;
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(chunk), &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}
