#pragma once
// The one-line verdict shown to the user for a trust verification's answer.
#include <cstdint>
#include <string>

// status is WinVerifyTrust's answer, lastError the thread's last error read right after it.
std::wstring SignatureVerdict(std::uint32_t status, std::uint32_t lastError,
                              const std::wstring& path);
