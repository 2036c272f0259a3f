#pragma once
// The signer's details read from a file's embedded Authenticode signature.
#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <string>

// Gives a block from the page allocator back to it.
struct PageRelease {
    void operator()(void* block) const;
};
using PageText = std::unique_ptr<wchar_t, PageRelease>;
using PageBytes = std::unique_ptr<BYTE, PageRelease>;

// Every block is a page allocation of its own, released with the record, so each is given
// back exactly once whichever way the reading ended. A member whose allocation failed, or
// that the signature does not carry, stays null.
struct AUTHENTICODE_INFO {
    PageText ProgramName;
    PageText PublisherLink; // only a URL or file link; a moniker leaves it null
    PageText MoreInfo;      // the same
    DWORD SerialNumberSize = 0;
    PageBytes SerialNumber; // least significant byte first
    PageText IssuerName;
    PageText SubjectName;
};

// A page-allocated copy of text with its terminating zero; null for null text or when the
// allocation fails.
PageText CopyText(const wchar_t* text);

// True when the signer information of the file's signature could be read; the details
// found are then in info.
bool GetAuthenticodeInformation(const std::wstring& path, AUTHENTICODE_INFO& info);
// The program name and links of the signer's SPC_SP_OPUS_INFO attribute.
void GetProgAndPublisherInfo(const CMSG_SIGNER_INFO& signer, AUTHENTICODE_INFO& info);
// The signer certificate's serial number, issuer and subject, from the signature's store.
void GetCertificateInfo(HCERTSTORE store, const CMSG_SIGNER_INFO& signer, AUTHENTICODE_INFO& info);
