#pragma once
#include <string>

// The full path of the running executable.
std::wstring GetModulePath();
// Asks Windows whether the file's embedded signature is valid: 0 when it is, else the trust
// status; verdict receives a one-line text for the user.
long VerifyFileSignature(const std::wstring& path, std::wstring& verdict);
