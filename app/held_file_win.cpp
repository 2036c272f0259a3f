#include "app/held_file_win.h"

#include "log/log.h"

namespace {

void Pause(std::uint32_t ms) {
    Sleep(ms);
}

// A read-only file, or a folder named as a file, answers access denied for good.
bool HeldFile(const std::wstring& path, std::uint32_t error) {
    if (error == ERROR_SHARING_VIOLATION)
        return true;
    if (error != ERROR_ACCESS_DENIED)
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

bool HeldFolder(std::uint32_t error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

} // namespace

bool HeldFileDeleter::DeleteOneFile(const std::wstring& path) {
    std::uint32_t error = 0;
    auto attempt = [&](std::uint32_t& failure) {
        if (DeleteFileW(path.c_str()))
            return true;
        failure = GetLastError();
        return false;
    };
    auto held = [&](std::uint32_t failure) { return HeldFile(path, failure); };
    if (RetryWhileHeld(attempt, held, m_schedule, Pause, error))
        return true;
    if (HeldFile(path, error))
        LogFormat(L"Cannot delete '%s', error %ld\n", path, static_cast<std::int32_t>(error));
    return false;
}

bool HeldFileDeleter::RemoveEmptyFolder(const std::wstring& path) {
    std::uint32_t error = 0;
    auto attempt = [&](std::uint32_t& failure) {
        if (RemoveDirectoryW(path.c_str()))
            return true;
        failure = GetLastError();
        return false;
    };
    if (RetryWhileHeld(attempt, HeldFolder, m_schedule, Pause, error))
        return true;
    if (HeldFolder(error))
        LogFormat(L"Cannot remove folder '%s', error %ld\n", path,
                  static_cast<std::int32_t>(error));
    return false;
}

BOOL CreateProcessWhileHeld(wchar_t* commandLine, DWORD flags, STARTUPINFOW& startup,
                            PROCESS_INFORMATION& process) {
    RetrySchedule schedule(kHeldFileBudgetMs);
    std::uint32_t error = 0;
    auto attempt = [&](std::uint32_t& failure) {
        if (CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                           &startup, &process))
            return true;
        failure = GetLastError();
        return false;
    };
    auto held = [](std::uint32_t failure) { return failure == ERROR_SHARING_VIOLATION; };
    if (RetryWhileHeld(attempt, held, schedule, Pause, error))
        return TRUE;
    SetLastError(error);
    return FALSE;
}
