#pragma once
// Every result code the installer can end with. A code means one thing: append, never reuse.
#include <cstdint>

using ResultCode = std::int32_t;

namespace result {
constexpr ResultCode kSuccess = 0;
constexpr ResultCode kBadCommandLine =
    static_cast<ResultCode>(0x80030057);                               // STG_E_INVALIDPARAMETER
constexpr ResultCode kNotSigned = static_cast<ResultCode>(0x800B0100); // TRUST_E_NOSIGNATURE
constexpr ResultCode kNotAdministrator = static_cast<ResultCode>(0x80110413);
constexpr ResultCode kFrameworkMissing = static_cast<ResultCode>(0x80110409);
constexpr ResultCode kInstallerEngineTooOld = 1613; // ERROR_INSTALL_PACKAGE_VERSION
constexpr ResultCode kInsufficientDiskSpace =
    static_cast<ResultCode>(0x80030070);                          // STG_E_MEDIUMFULL
constexpr ResultCode kFail = static_cast<ResultCode>(0x80004005); // E_FAIL
constexpr ResultCode kCorruptFile = static_cast<ResultCode>(0x80040167);
constexpr ResultCode kWrongProcessorMode = static_cast<ResultCode>(0x80004004); // E_ABORT
constexpr ResultCode kCannotStartWizard = static_cast<ResultCode>(0x80070057);  // E_INVALIDARG
// A DLL redirection ("<program>.local") lies beside the executable: the run is refused.
constexpr ResultCode kDllRedirection = static_cast<ResultCode>(0x80040201);
// The working folder existed already, and someone other than the user, the Administrators or
// SYSTEM could have prepared it (or it is a link): it is not used.
constexpr ResultCode kWorkingFolderRefused = static_cast<ResultCode>(0x80040202);
// A wizard exit code meaning its .NET runtime could not start.
constexpr std::uint32_t kWizardRuntimeFailed = 0x80131700;
} // namespace result
