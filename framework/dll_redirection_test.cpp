#include "framework/dll_redirection.h"

#include <gtest/gtest.h>

namespace {

TEST(DllRedirection, NameFitsTheFileFunctionsAtAnyLength) {
    const std::wstring deep(250, L'd');
    const struct {
        std::wstring program, expected;
    } rows[] = {
        {L"C:\\Downloads\\KitbagInstaller.exe", L"C:\\Downloads\\KitbagInstaller.exe.local"},
        // 253 + ".local" is 259: still a plain path.
        {L"C:\\" + std::wstring(244, L'd') + L"\\x.exe",
         L"C:\\" + std::wstring(244, L'd') + L"\\x.exe.local"},
        {L"C:\\" + std::wstring(245, L'd') + L"\\x.exe",
         L"\\\\?\\C:\\" + std::wstring(245, L'd') + L"\\x.exe.local"},
        {L"\\\\server\\share\\" + deep + L"\\x.exe",
         L"\\\\?\\UNC\\server\\share\\" + deep + L"\\x.exe.local"},
        {L"\\\\?\\C:\\" + deep + L"\\x.exe", L"\\\\?\\C:\\" + deep + L"\\x.exe.local"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, DllRedirectionPath(row.program)) << row.program.size();
}

TEST(DllRedirection, OnlyNotFoundErrorsProveItAbsent) {
    for (std::uint32_t error : {2u, 3u, 53u, 67u, 123u, 161u})
        EXPECT_TRUE(ProvesAbsent(error)) << error;
    // No access, a sharing violation, a device that is not ready: it may well be there.
    for (std::uint32_t error : {0u, 5u, 32u, 21u, 1920u})
        EXPECT_FALSE(ProvesAbsent(error)) << error;
}

} // namespace
