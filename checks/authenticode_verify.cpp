#include "authenticode.h"

#include "checks/signature_verdict.h"
#include "framework/system_library.h"
#include "log/log.h"

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstddef>

namespace {

// The trust data's size field counts the members up to the user-interface context only,
// whatever later members the headers declare.
constexpr DWORD kTrustDataSize = offsetof(WINTRUST_DATA, dwUIContext) + sizeof(DWORD);
// The sizes Windows expects of a 32-bit and of a 64-bit caller.
constexpr bool k64Bit = sizeof(void*) == 8;
static_assert(sizeof(WINTRUST_FILE_INFO) == (k64Bit ? 32 : 16),
              "the file information's size field is 16, or 32 in a 64-bit program");
static_assert(kTrustDataSize == (k64Bit ? 80 : 48),
              "the trust data's size field is 48, or 80 in a 64-bit program");

} // namespace

long VerifyFileSignature(const std::wstring& path, std::wstring& verdict) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    file.hFile = nullptr;
    file.pgKnownSubject = nullptr;

    WINTRUST_DATA data{};
    data.cbStruct = kTrustDataSize;
    data.pPolicyCallbackData = nullptr;
    data.pSIPClientData = nullptr;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    // Nothing is kept between calls, so there is no state to close afterwards.
    data.dwStateAction = WTD_STATEACTION_IGNORE;
    data.hWVTStateData = nullptr;
    data.pwszURLReference = nullptr;
    data.dwProvFlags = WTD_SAFER_FLAG;
    data.dwUIContext = 0;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    auto winVerifyTrust = KITBAG_SYSTEM_FUNCTION(SystemLibrary::WinTrust, WinVerifyTrust);
    LONG status = 0;
    DWORD lastError = 0;
    if (winVerifyTrust != nullptr) {
        status = winVerifyTrust(nullptr, &action, &data);
        lastError = GetLastError();
    } else {
        // Without the trust provider nothing is verified: the file counts as not valid.
        lastError = GetLastError();
        status =
            static_cast<LONG>(HRESULT_FROM_WIN32(lastError != 0 ? lastError : ERROR_MOD_NOT_FOUND));
    }

    verdict = SignatureVerdict(static_cast<std::uint32_t>(status), lastError, path);
    LogFormat(L"Digital verification: '%s'\n", verdict);
    return status;
}
