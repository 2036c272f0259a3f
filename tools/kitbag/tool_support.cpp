#include "tools/kitbag/tool_support.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace kitbag {

bool CheckInputFile(const std::string& path, std::string& error) {
    std::error_code failure;
    if (std::filesystem::is_directory(path, failure)) {
        error = "'" + path + "' is a folder, not a file";
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, Bytes& data, std::string& error) {
    if (!CheckInputFile(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    // The stream reports a failed read by throwing from inside the iterator.
    try {
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure& failure) {
        error = "cannot read '" + path + "': " + failure.what();
        return false;
    }
    if (in.bad()) {
        error = "cannot read '" + path + "'";
        return false;
    }
    return true;
}

std::string UnusedNameBeside(const std::string& path) {
    static std::random_device source;
    for (;;) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".kitbag-%08x.partial",
                      static_cast<unsigned>(source()));
        // Taken unless something is known to be there; a failure to look shows when writing.
        std::error_code failure;
        std::string name = path + suffix;
        if (!std::filesystem::exists(std::filesystem::symlink_status(name, failure)))
            return name;
    }
}

bool WriteTemporary(const std::string& path, const Bytes& data, std::string& temporary,
                    std::string& error) {
    return WriteTemporary(
        path,
        [&data](std::ostream& out, std::string&) {
            out.write(reinterpret_cast<const char*>(data.data()),
                      static_cast<std::streamsize>(data.size()));
            return true;
        },
        temporary, error);
}

bool WriteTemporary(const std::string& path, const StreamWriter& write, std::string& temporary,
                    std::string& error) {
    temporary = UnusedNameBeside(path);
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    bool written = out && write(out, error);
    out.close();
    if (!written || !out) {
        if (written || !out)
            error = "cannot write '" + temporary + "'";
        RemoveQuietly(temporary);
        return false;
    }
    return true;
}

bool Commit(const std::string& temporary, const std::string& path, std::string& error) {
    std::error_code failure;
    std::filesystem::rename(temporary, path, failure);
    if (failure) {
        error = "cannot write '" + path + "': " + failure.message();
        RemoveQuietly(temporary);
        return false;
    }
    return true;
}

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

std::optional<std::u16string> Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80         ? 0
                    : (lead >> 5) == 6  ? 1
                    : (lead >> 4) == 14 ? 2
                    : (lead >> 3) == 30 ? 3
                                        : -1;
        if (extra < 0 || text.size() - i <= static_cast<std::size_t>(extra))
            return std::nullopt;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            code = (code << 6) | (next & 0x3F);
        }
        static const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (code < minimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return std::nullopt;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += 1 + extra;
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

std::optional<std::int32_t> ParseInt32(const std::string& text) {
    std::size_t digits = text.size() > 0 && text[0] == '-' ? 1 : 0;
    if (digits == text.size() || text.size() - digits > 10)
        return std::nullopt;
    long long value = 0;
    for (std::size_t i = digits; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (digits)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

#ifdef _WIN32
static std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there they are doubled, and the quote escaped.
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}

int RunProgram(const std::vector<std::string>& argv) {
    // The C runtime joins the arguments with blanks and does no quoting of its own.
    std::vector<std::string> quoted;
    for (const auto& a : argv)
        quoted.push_back(QuoteArgument(a));
    std::vector<const char*> args;
    for (const auto& a : quoted)
        args.push_back(a.c_str());
    args.push_back(nullptr);
    intptr_t status = _spawnvp(_P_WAIT, argv[0].c_str(), args.data());
    return status < 0 ? -1 : static_cast<int>(status);
}
#else
int RunProgram(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

} // namespace kitbag
