#pragma once
// Signing an unsigned image with osslsigncode as kitbag-pack's options ask: a PEM certificate
// and key, or a PKCS#12 file; a password from a file or the environment, given to osslsigncode
// on its standard input, never on its command line; an RFC 3161 time stamp.
#include "shipping/programs/pack_options.h"

#include <optional>
#include <string>
#include <vector>

namespace kitbag {

// osslsigncode reads a password of at most this many bytes.
constexpr std::size_t kMaxPassword = 4095;
// How long osslsigncode may take when it asks a time-stamp authority, unless the environment
// variable KITBAG_TIMESTAMP_TIMEOUT gives another number of seconds.
constexpr int kTimeStampSeconds = 60;

// The password the options name: the first line of the --pass-file file without its line end,
// or the value of the variable --pass-env names; nothing when neither is given. False with the
// reason when it cannot be had, or is one osslsigncode cannot take.
bool ReadPassword(const PackOptions& options, std::optional<std::string>& password,
                  std::string& error);

// osslsigncode's command line for signing `in` into `out`. A password is read from standard
// input; an empty one, which that cannot carry, is given as the empty -pass. A signing time
// (SOURCE_DATE_EPOCH's, in seconds) makes two signatures of the same image the same bytes.
// passwordFile, when not empty: the file osslsigncode reads the password from instead.
std::vector<std::string> SignArguments(const PackOptions& options,
                                       const std::optional<std::string>& password,
                                       const std::string& in, const std::string& out,
                                       const std::optional<std::string>& signingTime = {},
                                       const std::string& passwordFile = {});

// Whether the osslsigncode that printed this --version reads '-readpass -' from its standard
// input: 2.9 and later.
bool ReadsPasswordFromInput(const std::string& versionText);

// The one-line reason for a failed run of osslsigncode, from its exit status (or
// kProgramTimedOut, or -1 when it could not be started) and its messages.
std::string SigningFailure(const PackOptions& options, bool withPassword, int status,
                           const std::string& messages);

// Signs the unsigned image `in` into the new file `out` as the options ask; the reason when it
// could not, and then `out` is not there. osslsigncode's messages are passed on to standard
// error when it fails.
std::string SignImage(const PackOptions& options, const std::string& in, const std::string& out);

} // namespace kitbag
