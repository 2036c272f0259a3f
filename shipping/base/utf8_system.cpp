#include "shipping/base/utf8_system.h"

#include "shipping/base/text.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace kitbag {

#ifdef _WIN32
// wchar_t is UTF-16 on Windows; malformed input (never from the system) becomes U+FFFD.
std::wstring WideOf(const std::string& utf8) {
    std::u16string text = Utf8ToUtf16(utf8).value_or(u"\xFFFD");
    return std::wstring(text.begin(), text.end());
}

std::string Utf8OfWide(const std::wstring& wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::wstring LongPathForm(const std::filesystem::path& path) {
    std::error_code failure;
    std::wstring text = std::filesystem::absolute(path, failure).lexically_normal().native();
    if (failure || text.rfind(L"\\\\?\\", 0) == 0 || text.rfind(L"\\\\.\\", 0) == 0)
        return path.native();
    if (text.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + text.substr(2);
    return L"\\\\?\\" + text;
}

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(WideOf(utf8));
}

std::string Utf8Of(const std::filesystem::path& path) {
    return Utf8OfWide(path.native());
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide != nullptr && count == argc) {
        for (int i = 0; i < count; ++i)
            arguments.push_back(Utf8OfWide(wide[i]));
    } else {
        arguments.assign(argv, argv + argc);
    }
    LocalFree(wide);
    return arguments;
}

std::optional<std::string> EnvironmentValue(const char* name) {
    const wchar_t* value = _wgetenv(WideOf(name).c_str());
    if (value == nullptr)
        return std::nullopt;
    return Utf8OfWide(value);
}
#else
std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(utf8);
}

std::string Utf8Of(const std::filesystem::path& path) {
    return path.string();
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}
#endif

} // namespace kitbag
