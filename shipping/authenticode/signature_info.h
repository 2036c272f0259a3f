#pragma once
// Who signed an image and when the signature was time-stamped, read from its Authenticode
// signature (the first entry of the certificate table) without the system's help.
#include "shipping/base/bytes.h"
#include "shipping/pe/image_file.h"

#include <optional>
#include <string>

namespace kitbag {

struct TimeStamp {
    enum class Kind { Rfc3161, CounterSignature };
    Kind kind = Kind::Rfc3161;
    std::string time;      // "2026-12-08 09:12:44 UTC"
    std::string authority; // the authority's certificate subject; empty when it is not carried
};

struct SignatureInfo {
    std::string signer; // the signer certificate's subject, "CN=Acme Signer, O=Acme Ltd"
    std::string issuer; // that certificate's issuer
    std::optional<TimeStamp> timeStamp;
    // Why the time-stamp attribute the signer carries could not be read; empty otherwise.
    std::string timeStampProblem;
};

// The signature of the image: nothing in info when it has none; false with the reason when it
// has one that cannot be read.
bool ReadSignatureInfo(const Bytes& image, std::optional<SignatureInfo>& info, std::string& error);
// The same, reading only the headers and the signature.
bool ReadSignatureInfo(ImageSource& image, std::optional<SignatureInfo>& info, std::string& error);

} // namespace kitbag
