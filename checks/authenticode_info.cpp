#include "authenticode_info.h"

#include "checks/signature_program_name.h"
#include "framework/built_once.h"
#include "framework/system_library.h"
#include "log/log.h"

#include <wintrust.h>

#include <cstring>
#include <limits>

namespace {

// The CryptoAPI functions the signer details need, looked up once; complete() is false when
// crypt32 or one of them is missing, and nothing is read then.
struct CryptoApi {
    decltype(&CryptQueryObject) queryObject =
        KITBAG_SYSTEM_FUNCTION(SystemLibrary::Crypt32, CryptQueryObject);
    decltype(&CryptMsgGetParam) msgGetParam =
        KITBAG_SYSTEM_FUNCTION(SystemLibrary::Crypt32, CryptMsgGetParam);
    decltype(&CryptMsgClose) msgClose =
        KITBAG_SYSTEM_FUNCTION(SystemLibrary::Crypt32, CryptMsgClose);
    decltype(&CertCloseStore) closeStore =
        KITBAG_SYSTEM_FUNCTION(SystemLibrary::Crypt32, CertCloseStore);
    decltype(&CryptDecodeObject) decodeObject =
        KITBAG_SYSTEM_FUNCTION(SystemLibrary::Crypt32, CryptDecodeObject);
    decltype(&CertFindCertificateInStore) findCertificate =
        KITBAG_SYSTEM_FUNCTION(SystemLibrary::Crypt32, CertFindCertificateInStore);
    decltype(&CertGetNameStringW) getNameString =
        KITBAG_SYSTEM_FUNCTION(SystemLibrary::Crypt32, CertGetNameStringW);
    decltype(&CertFreeCertificateContext) freeCertificate =
        KITBAG_SYSTEM_FUNCTION(SystemLibrary::Crypt32, CertFreeCertificateContext);

    bool complete() const {
        return queryObject && msgGetParam && msgClose && closeStore && decodeObject &&
               findCertificate && getNameString && freeCertificate;
    }
};

const CryptoApi& Crypto() {
    return BuiltOnce<CryptoApi>::Get();
}

struct LocalRelease {
    void operator()(void* block) const { LocalFree(block); }
};
struct StoreClose {
    void operator()(HCERTSTORE store) const { Crypto().closeStore(store, 0); }
};
struct MessageClose {
    void operator()(HCRYPTMSG message) const { Crypto().msgClose(message); }
};
struct CertificateRelease {
    void operator()(PCCERT_CONTEXT cert) const { Crypto().freeCertificate(cert); }
};
using StoreHandle = std::unique_ptr<void, StoreClose>;
using MessageHandle = std::unique_ptr<void, MessageClose>;
using CertificateHandle = std::unique_ptr<const CERT_CONTEXT, CertificateRelease>;

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

void* AllocatePages(std::size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
}

PageText LinkText(const SPC_LINK& link) {
    switch (link.dwLinkChoice) {
    case SPC_URL_LINK_CHOICE:
        return CopyText(link.pwszUrl);
    case SPC_FILE_LINK_CHOICE:
        return CopyText(link.pwszFile);
    default:
        return nullptr;
    }
}

void ReadOpusInfo(const CRYPT_ATTRIBUTE& attribute, AUTHENTICODE_INFO& info) {
    // An attribute without a value has nothing to decode.
    if (attribute.cValue == 0 || attribute.rgValue == nullptr) {
        LogText(L"GetProgAndPublisherInfo failed CryptDecodeObject\n");
        return;
    }
    const CRYPT_ATTR_BLOB& value = attribute.rgValue[0];
    DWORD size = 0;
    if (!Crypto().decodeObject(kEncoding, SPC_SP_OPUS_INFO_OBJID, value.pbData, value.cbData, 0,
                               nullptr, &size)) {
        LogText(L"GetProgAndPublisherInfo failed CryptDecodeObject\n");
        return;
    }
    std::unique_ptr<void, LocalRelease> block(LocalAlloc(LPTR, size));
    if (!block) {
        LogText(L"GetProgAndPublisherInfo failed Allocate1\n");
        return;
    }
    if (!Crypto().decodeObject(kEncoding, SPC_SP_OPUS_INFO_OBJID, value.pbData, value.cbData, 0,
                               block.get(), &size)) {
        LogText(L"GetProgAndPublisherInfo failed CryptoDecodeObject\n");
        return;
    }
    const auto* opus = static_cast<const SPC_SP_OPUS_INFO*>(block.get());

    if (opus->pwszProgramName != nullptr) {
        std::optional<std::wstring> ascii = AsciiProgramName(value.pbData, value.cbData);
        info.ProgramName = CopyText(ascii ? ascii->c_str() : opus->pwszProgramName);
    } else {
        LogText(L"GetProgAndPublisherInfo failed pwszProgramName\n");
        info.ProgramName = nullptr;
    }

    if (opus->pPublisherInfo != nullptr) {
        info.PublisherLink = LinkText(*opus->pPublisherInfo);
        LogFormat(L"GetProgAndPublisherInfo switch 1 %d\n",
                  static_cast<std::int32_t>(opus->pPublisherInfo->dwLinkChoice));
    } else {
        LogText(L"GetProgAndPublisherInfo pPublisheInfo = null\n");
        info.PublisherLink = nullptr;
    }

    if (opus->pMoreInfo != nullptr) {
        info.MoreInfo = LinkText(*opus->pMoreInfo);
        LogFormat(L"GetProgAndPublisherInfo switch MoreInfo %d\n",
                  static_cast<std::int32_t>(opus->pMoreInfo->dwLinkChoice));
    } else {
        LogText(L"GetProgAndPublisherInfo pMoreInfo = null\n");
        info.MoreInfo = nullptr;
    }
}

// The certificate's simple display name, of its issuer or its subject.
PageText CertificateName(PCCERT_CONTEXT cert, DWORD flags) {
    DWORD length =
        Crypto().getNameString(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, nullptr, 0);
    if (length == 0)
        return nullptr;
    // Fresh pages are zero-filled, so the block is terminated even if the fetch fails.
    PageText name(static_cast<wchar_t*>(AllocatePages(std::size_t{length} * sizeof(wchar_t))));
    if (name)
        Crypto().getNameString(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, name.get(),
                               length);
    return name;
}

bool ReadSignerDetails(const std::wstring& path, AUTHENTICODE_INFO& info) {
    DWORD encodingType = 0;
    DWORD contentType = 0;
    DWORD formatType = 0;
    HCERTSTORE rawStore = nullptr;
    HCRYPTMSG rawMessage = nullptr;
    if (!Crypto().complete())
        return false;
    // The whole path is passed, however long: a path cut to a fixed buffer would name another
    // file, or none.
    BOOL found = Crypto().queryObject(CERT_QUERY_OBJECT_FILE, path.c_str(),
                                      CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                                      CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encodingType, &contentType,
                                      &formatType, &rawStore, &rawMessage, nullptr);
    StoreHandle store(rawStore);
    MessageHandle message(rawMessage);
    if (!found || !store || !message)
        return false;

    DWORD size = 0;
    if (!Crypto().msgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size)) {
        LogText(L"GetAuthenticodeInformation failed CryptMsgGetParam\n");
        return false;
    }
    std::unique_ptr<void, LocalRelease> signerBlock(LocalAlloc(LPTR, size));
    if (!signerBlock) {
        LogText(L"GetAuthenticodeInformation failed Allocate 1\n");
        return false;
    }
    if (!Crypto().msgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, signerBlock.get(), &size)) {
        LogText(L"GetAuthenticodeInformation failed SignerInfo \n");
        return false;
    }
    const auto& signer = *static_cast<const CMSG_SIGNER_INFO*>(signerBlock.get());
    GetProgAndPublisherInfo(signer, info);
    GetCertificateInfo(store.get(), signer, info);
    return true;
}

} // namespace

void PageRelease::operator()(void* block) const {
    VirtualFree(block, 0, MEM_RELEASE);
}

PageText CopyText(const wchar_t* text) {
    if (text == nullptr)
        return nullptr;
    std::size_t length = std::wcslen(text);
    if (length >= std::numeric_limits<std::size_t>::max() / sizeof(wchar_t))
        return nullptr;
    std::size_t bytes = (length + 1) * sizeof(wchar_t);
    PageText copy(static_cast<wchar_t*>(AllocatePages(bytes)));
    if (copy)
        std::memcpy(copy.get(), text, bytes);
    return copy;
}

bool GetAuthenticodeInformation(const std::wstring& path, AUTHENTICODE_INFO& info) {
    LogText(L"GetAuthenticodeInformation \n");
    bool result = ReadSignerDetails(path, info);
    LogText(L"GetAuthenticodeInformation Fininshed\n");
    return result;
}

void GetProgAndPublisherInfo(const CMSG_SIGNER_INFO& signer, AUTHENTICODE_INFO& info) {
    if (!Crypto().complete())
        return;
    for (DWORD i = 0; i < signer.AuthAttrs.cAttr; ++i) {
        const CRYPT_ATTRIBUTE& attribute = signer.AuthAttrs.rgAttr[i];
        if (attribute.pszObjId != nullptr &&
            std::strcmp(attribute.pszObjId, SPC_SP_OPUS_INFO_OBJID) == 0) {
            ReadOpusInfo(attribute, info);
            return;
        }
    }
}

void GetCertificateInfo(HCERTSTORE store, const CMSG_SIGNER_INFO& signer, AUTHENTICODE_INFO& info) {
    if (!Crypto().complete())
        return;
    CERT_INFO wanted{};
    wanted.Issuer = signer.Issuer;
    wanted.SerialNumber = signer.SerialNumber;
    CertificateHandle cert(
        Crypto().findCertificate(store, kEncoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
    if (!cert)
        return;

    const CRYPT_INTEGER_BLOB& serial = cert->pCertInfo->SerialNumber;
    if (serial.cbData != 0 && serial.pbData != nullptr) {
        PageBytes copy(static_cast<BYTE*>(AllocatePages(serial.cbData)));
        if (copy) {
            std::memcpy(copy.get(), serial.pbData, serial.cbData);
            info.SerialNumber = std::move(copy);
            info.SerialNumberSize = serial.cbData;
        }
    }
    info.IssuerName = CertificateName(cert.get(), CERT_NAME_ISSUER_FLAG);
    info.SubjectName = CertificateName(cert.get(), 0);
}
