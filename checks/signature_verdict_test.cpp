#include "checks/signature_verdict.h"

#include <gtest/gtest.h>

namespace {

TEST(SignatureVerdict, StatusAndLastErrorChooseTheText) {
    const std::wstring path = L"C:\\a b\\setup.exe";
    const struct {
        std::uint32_t status, lastError;
        const wchar_t* verdict;
    } rows[] = {
        {0, 0x800B0100,
         L"The file \"C:\\a b\\setup.exe\" is signed and the signature was verified.\n"},
        {0x800B0100, 0x800B0100, L"The file \"C:\\a b\\setup.exe\" is not signed.\n"},
        {0x800B0100, 0x800B0003, L"The file \"C:\\a b\\setup.exe\" is not signed.\n"},
        {0x800B0100, 0x800B0001, L"The file \"C:\\a b\\setup.exe\" is not signed.\n"},
        {0x800B0100, 2,
         L"An unknown error occurred trying to verify the signature of the \"C:\\a b\\setup.exe\" "
         L"file.\n"},
        {0x800B0111, 0, L"The signature is present, but specifically disallowed.\n"},
        {0x80092026, 0,
         L"The subject or the publisher wasn't explicitly trusted by the admin and admin policy "
         L"has disabled user trust. No signature, publisher or timestamp errors.\n"},
        {0x800B0004, 0, L"The signature is present, but not trusted.\n"},
        {0x800B0109, 0x800B0100, L"Error is: 0x800b0109.\n"},
        {0x80096010, 0, L"Error is: 0x80096010.\n"},
        {1, 0, L"Error is: 0x1.\n"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.verdict, SignatureVerdict(row.status, row.lastError, path))
            << std::hex << row.status << " " << row.lastError;
}

TEST(SignatureVerdict, PathIsTakenLiterally) {
    EXPECT_EQ(L"The file \"C:\\100%s%d\\x.exe\" is not signed.\n",
              SignatureVerdict(0x800B0100, 0x800B0100, L"C:\\100%s%d\\x.exe"));
    std::wstring longPath = L"C:\\" + std::wstring(40000, L'x') + L".exe";
    EXPECT_EQ(L"The file \"" + longPath + L"\" is signed and the signature was verified.\n",
              SignatureVerdict(0, 0, longPath));
}

} // namespace
