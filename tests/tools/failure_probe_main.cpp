// failure_probe: ends in one of the standard library's failures, so that the program built as
// the installer's code is (without exceptions) can be compared with the same program built
// with them, where the failure is an exception nothing catches.
//   failure_probe <failure> <report file>
// <failure> is substr, length, allocation or function; standard error goes to <report file>.
// nothrow instead prints "null" when an allocation that cannot succeed gives a null pointer,
// and returns 0. Returns 1 when the failure did not happen, 2 on a bad command line.
#include <cstdio>
#include <functional>
#include <limits>
#include <new>
#include <string>

namespace {

// More than any 32-bit or 64-bit process can have.
constexpr std::size_t kImpossible = std::numeric_limits<std::size_t>::max() / 2;

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || _wfreopen(argv[2], L"w", stderr) == nullptr)
        return 2;
    // Unbuffered, as on a console: abort() flushes nothing.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    const std::wstring failure = argv[1];
    if (failure == L"substr") {
        std::wstring text = L"ab";
        text = text.substr(5);
    } else if (failure == L"length") {
        std::wstring text;
        text.reserve(text.max_size() + 1);
    } else if (failure == L"allocation") {
        void* block = ::operator new(kImpossible);
        std::printf("%p\n", block);
    } else if (failure == L"function") {
        std::function<void()> nothing;
        nothing();
    } else if (failure == L"nothrow") {
        void* block = ::operator new(kImpossible, std::nothrow);
        std::printf("%s\n", block == nullptr ? "null" : "block");
        return 0;
    } else {
        return 2;
    }
    return 1;
}
