#include "signature_verdict.h"

#include "framework/format.h"

namespace {

constexpr std::uint32_t kProviderUnknown = 0x800B0001;    // TRUST_E_PROVIDER_UNKNOWN
constexpr std::uint32_t kSubjectFormUnknown = 0x800B0003; // TRUST_E_SUBJECT_FORM_UNKNOWN
constexpr std::uint32_t kSubjectNotTrusted = 0x800B0004;  // TRUST_E_SUBJECT_NOT_TRUSTED
constexpr std::uint32_t kNoSignature = 0x800B0100;        // TRUST_E_NOSIGNATURE
constexpr std::uint32_t kExplicitDistrust = 0x800B0111;   // TRUST_E_EXPLICIT_DISTRUST
constexpr std::uint32_t kSecuritySettings = 0x80092026;   // CRYPT_E_SECURITY_SETTINGS

} // namespace

std::wstring SignatureVerdict(std::uint32_t status, std::uint32_t lastError,
                              const std::wstring& path) {
    switch (status) {
    case 0:
        return Format(L"The file \"%s\" is signed and the signature was verified.\n", path);
    case kNoSignature:
        // The same status also covers failures to read the file at all; only these last
        // errors say that there simply is no signature.
        if (lastError == kNoSignature || lastError == kSubjectFormUnknown ||
            lastError == kProviderUnknown)
            return Format(L"The file \"%s\" is not signed.\n", path);
        return Format(
            L"An unknown error occurred trying to verify the signature of the \"%s\" file.\n",
            path);
    case kExplicitDistrust:
        return L"The signature is present, but specifically disallowed.\n";
    case kSecuritySettings:
        return L"The subject or the publisher wasn't explicitly trusted by the admin and admin "
               L"policy has disabled user trust. No signature, publisher or timestamp errors.\n";
    case kSubjectNotTrusted:
        return L"The signature is present, but not trusted.\n";
    default:
        return Format(L"Error is: 0x%x.\n", status);
    }
}
