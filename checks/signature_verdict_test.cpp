#include "checks/signature_verdict.h"

#include <gtest/gtest.h>

namespace {

TEST(SignatureVerdict, StatusAndLastErrorChooseTheText) {
    const std::wstring file = L"\"C:\\100%s\\setup.exe\"";
    const struct {
        std::uint32_t status, lastError;
        std::wstring verdict;
    } rows[] = {
        {0, 0x800B0100, L"The file " + file + L" is signed and the signature was verified.\n"},
        {0x800B0100, 0x800B0100, L"The file " + file + L" is not signed.\n"},
        {0x800B0100, 0x800B0003, L"The file " + file + L" is not signed.\n"},
        {0x800B0100, 0x800B0001, L"The file " + file + L" is not signed.\n"},
        {0x800B0100, 2,
         L"An unknown error occurred trying to verify the signature of the " + file + L" file.\n"},
        {0x800B0109, 0x800B0100, L"Error is: 0x800b0109.\n"},
        {1, 0, L"Error is: 0x1.\n"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.verdict, SignatureVerdict(row.status, row.lastError, L"C:\\100%s\\setup.exe"))
            << std::hex << row.status << " " << row.lastError;
}

} // namespace
