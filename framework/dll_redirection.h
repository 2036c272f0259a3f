#pragma once
// The name of a program's DLL redirection and whether a failed look-up for it proves it
// absent: plain decisions, kept apart from the calls that make them.
#include <cstdint>
#include <string>

// "<program path>.local" in a form the file functions take at any length: paths of
// MAX_PATH (260) characters or more get the "\\?\" (or "\\?\UNC\") prefix.
std::wstring DllRedirectionPath(const std::wstring& programPath);

// Whether a failed attribute query with this Windows error shows that nothing of that name
// exists. Any other failure (no access, a sharing violation) leaves the entry possibly
// there, and the program then refuses to run rather than guess.
bool ProvesAbsent(std::uint32_t error);
