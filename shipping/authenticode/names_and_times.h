#pragma once
// Names and times in a signature's DER as text that can be printed as it is: X.501 names as
// RFC 4514 writes them, UTCTime and GeneralizedTime in one fixed form.
#include "shipping/authenticode/der_reader.h"

#include <string>

namespace kitbag {

// A DER Name as RFC 4514 writes it, most specific part first ("CN=..., O=..., C=..."), with
// control characters and the separators escaped; "" when it is not a Name.
std::string NameText(const Bytes& name);
// The same for the Name that is this element of d.
std::string NameTextAt(const Bytes& d, const DerElement& name);

// A UTCTime or GeneralizedTime as DER writes them (seconds, UTC, GeneralizedTime with an
// optional fraction that is left out) as "YYYY-MM-DD HH:MM:SS UTC"; "" when malformed.
std::string TimeText(const Bytes& d, const DerElement& time);

} // namespace kitbag
