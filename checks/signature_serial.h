#pragma once
// How a certificate's serial number reads in the log.
#include <cstddef>
#include <cstdint>
#include <string>

// bytes holds the serial number least significant byte first, as the certificate
// information keeps it; the text shows it most significant first as upper-case hex digit
// pairs, the way certificate viewers show it. "null" when there are no bytes.
std::wstring SerialNumberText(const std::uint8_t* bytes, std::size_t size);
