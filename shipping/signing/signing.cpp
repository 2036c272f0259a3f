#include "shipping/signing/signing.h"

#include "shipping/base/source_date_epoch.h"
#include "shipping/base/files.h"
#include "shipping/base/interruption.h"
#include "shipping/base/private_scratch_folder.h"
#include "shipping/base/text.h"
#include "shipping/base/process.h"
#include "shipping/base/program_search.h"
#include "shipping/base/utf8_system.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace kitbag {

namespace {

bool Says(const std::string& messages, std::initializer_list<const char*> phrases) {
    for (const char* phrase : phrases)
        if (messages.find(phrase) != std::string::npos)
            return true;
    return false;
}

int TimeStampSeconds() {
    const char* value = std::getenv("KITBAG_TIMESTAMP_TIMEOUT");
    std::optional<std::int32_t> seconds = value ? ParseInt32(value) : std::nullopt;
    return seconds && *seconds > 0 ? *seconds : kTimeStampSeconds;
}

} // namespace

bool ReadPassword(const PackOptions& options, std::optional<std::string>& password,
                  std::string& error) {
    password.reset();
    std::string text;
    if (options.Has("--pass-file")) {
        Bytes bytes;
        // Its first line is the password: far less than this.
        if (!ReadWholeFile(options.Get("--pass-file"), bytes, error, 64 * 1024)) {
            error = "--pass-file " + error;
            return false;
        }
        text.assign(bytes.begin(), bytes.end());
        text = text.substr(0, text.find('\n'));
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
    } else if (options.Has("--pass-env")) {
        const std::string name = options.Get("--pass-env");
        const std::optional<std::string> value =
            name.empty() ? std::nullopt : EnvironmentValue(name.c_str());
        if (!value) {
            error = "--pass-env names the environment variable '" + name + "', which is not set";
            return false;
        }
        text = *value;
    } else {
        return true;
    }
    if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        error = "the password holds a line end or a zero byte, which osslsigncode cannot take";
        return false;
    }
    if (text.size() > kMaxPassword) {
        error = "the password is " + std::to_string(text.size()) +
                " bytes long; osslsigncode takes at most " + std::to_string(kMaxPassword);
        return false;
    }
    password = text;
    return true;
}

bool ReadsPasswordFromInput(const std::string& versionText) {
    int major = 0, minor = 0;
    const std::size_t at = versionText.find("osslsigncode ");
    return at != std::string::npos &&
           std::sscanf(versionText.c_str() + at, "osslsigncode %d.%d", &major, &minor) == 2 &&
           (major > 2 || (major == 2 && minor >= 9));
}

std::vector<std::string> SignArguments(const PackOptions& options,
                                       const std::optional<std::string>& password,
                                       const std::string& in, const std::string& out,
                                       const std::optional<std::string>& signingTime,
                                       const std::string& passwordFile) {
    std::vector<std::string> sign = {"osslsigncode", "sign"};
    if (options.Has("--pkcs12"))
        sign.insert(sign.end(), {"-pkcs12", options.Get("--pkcs12")});
    else
        sign.insert(sign.end(),
                    {"-certs", options.Get("--sign-cert"), "-key", options.Get("--sign-key")});
    if (password && password->empty())
        sign.insert(sign.end(), {"-pass", ""});
    else if (password)
        sign.insert(sign.end(), {"-readpass", passwordFile.empty() ? "-" : passwordFile});
    if (options.Has("--program-name"))
        sign.insert(sign.end(), {"-n", options.Get("--program-name")});
    if (options.Has("--timestamp-url"))
        sign.insert(sign.end(), {"-ts", options.Get("--timestamp-url")});
    if (signingTime)
        sign.insert(sign.end(), {"-time", *signingTime});
    sign.insert(sign.end(), {"-in", in, "-out", out});
    return sign;
}

std::string SigningFailure(const PackOptions& options, bool withPassword, int status,
                           const std::string& messages) {
    const std::string key = options.Has("--pkcs12")
                                ? "the PKCS#12 file '" + options.Get("--pkcs12") + "'"
                                : "the key '" + options.Get("--sign-key") + "'";
    if (status == kProgramTimedOut)
        return "the time-stamp authority at '" + options.Get("--timestamp-url") +
               "' did not answer within " + std::to_string(TimeStampSeconds()) +
               (TimeStampSeconds() == 1 ? " second" : " seconds");
    if (status == kProgramInterrupted)
        return kInterruptedReason;
    if (status == kProgramKilled)
        return "osslsigncode was ended by a signal before it had signed";
    if (status < 0)
        return "cannot run osslsigncode (is it installed, and on PATH?)";
    if (Says(messages, {"key values mismatch", "consistency of a private key"}))
        return options.Has("--pkcs12") ? "the key in the PKCS#12 file '" + options.Get("--pkcs12") +
                                             "' does not belong to its certificate"
                                       : "the key '" + options.Get("--sign-key") +
                                             "' does not belong to the certificate '" +
                                             options.Get("--sign-cert") + "'";
    if (Says(messages, {"Wrong password?", "mac verify failure", "bad decrypt"}))
        return withPassword ? "the password does not open " + key
                            : "cannot read " + key +
                                  ": it needs a password (--pass-file or --pass-env), or it is "
                                  "not a key";
    if (Says(messages, {"timestamping failed", "Time-Stamp Authority", "HTTP failure"}))
        return "the time-stamp authority at '" + options.Get("--timestamp-url") +
               "' gave no time stamp" +
               (Says(messages, {"Connection refused"}) ? " (nothing answers there)"
                : Says(messages, {"code="})            ? " (it answered with an error)"
                                                       : "");
    if (Says(messages, {"Failed to read key or certificates", "Failed to read certificates"}))
        return "osslsigncode cannot read the certificate or the key";
    return "osslsigncode could not sign (exit status " + std::to_string(status) + ")";
}

std::string SignImage(const PackOptions& options, const std::string& in, const std::string& out) {
    std::optional<std::string> password, signingTime;
    std::optional<std::uint32_t> epoch;
    std::string error;
    if (!ReadPassword(options, password, error) || !ReadSourceDateEpoch(epoch, error))
        return error;
    if (epoch)
        signingTime = std::to_string(*epoch);
    // Only an osslsigncode in one of PATH's folders gets the key's password.
    const std::string signer = FindOnPath("osslsigncode");
    if (signer.empty())
        return "osslsigncode is in none of PATH's folders (one in the current folder is never run)";
    std::cout << "Signing   with '" << signer << "'\n";

    // osslsigncode runs without the terminal, with something or nothing on its standard input,
    // so that it never asks there for a password: a key that needs one and has none fails.
    const std::string nothing;
    std::string messages;
    ProgramIo io;
    io.output = &messages;
    io.input = &nothing;
    // An empty password goes on the command line. Another one osslsigncode reads from its
    // standard input from 2.9 on; before, '-readpass -' names a file, and the password goes
    // into a file of a folder only this user may enter, removed at the end.
    std::string passwordFile;
    PrivateScratchFolder passwordFolder;
    if (password && !password->empty()) {
        std::string version;
        ProgramIo ask;
        ask.output = &version;
        ask.input = &nothing;
        RunProgram({signer, "--version"}, ask);
        if (ReadsPasswordFromInput(version)) {
            io.input = &*password;
        } else {
            if (!passwordFolder.Make(error))
                return error;
            passwordFile = Utf8Of(passwordFolder.Path() / "password");
            std::ofstream file(PathOf(passwordFile), std::ios::binary);
            file << *password;
            file.close();
            if (!file)
                return "cannot write the password for osslsigncode into '" + passwordFile + "'";
        }
    }
    if (options.Has("--timestamp-url"))
        io.timeoutSeconds = TimeStampSeconds();
    std::vector<std::string> argv =
        SignArguments(options, password, in, out, signingTime, passwordFile);
    argv[0] = signer;
    const int status = RunProgram(argv, io);
    std::error_code ignored;
    if (status == 0 && std::filesystem::is_regular_file(PathOf(out), ignored))
        return {};
    RemoveQuietly(out);
    std::cerr << messages << (messages.empty() || messages.back() == '\n' ? "" : "\n");
    return status == 0 ? "osslsigncode wrote no signed file"
                       : SigningFailure(options, password.has_value(), status, messages);
}

} // namespace kitbag
