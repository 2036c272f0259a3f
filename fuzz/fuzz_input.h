#pragma once
// Turning fuzzer bytes into the program's inputs.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Up to maxUnits UTF-16 units, two bytes each. Windows hands out no zero unit inside a
// command-line argument, a resource text or a registry string, so zeroFree maps 0 to 1.
inline std::wstring ConsumeUtf16(FuzzedDataProvider& in, std::size_t maxUnits,
                                 bool zeroFree = true) {
    std::size_t units = in.ConsumeIntegralInRange<std::size_t>(0, maxUnits);
    std::wstring text;
    for (std::size_t i = 0; i < units && in.remaining_bytes() >= 2; ++i) {
        auto unit = in.ConsumeIntegral<std::uint16_t>();
        if (zeroFree && unit == 0)
            unit = 1;
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

// Text drawn mostly from a small alphabet, so that the fuzzer meets the words a grammar
// reacts to (keywords, separators, digits) far more often than by chance.
inline std::wstring ConsumeWords(FuzzedDataProvider& in, std::size_t maxUnits,
                                 const wchar_t* alphabet) {
    const std::wstring letters = alphabet;
    std::size_t units = in.ConsumeIntegralInRange<std::size_t>(0, maxUnits);
    std::wstring text;
    for (std::size_t i = 0; i < units && in.remaining_bytes() > 0; ++i) {
        auto pick = in.ConsumeIntegral<std::uint8_t>();
        if (pick < 0xF0)
            text.push_back(letters[pick % letters.size()]);
        else if (in.remaining_bytes() >= 2)
            text.push_back(
                static_cast<wchar_t>(in.ConsumeIntegralInRange<std::uint16_t>(1, 0xFFFF)));
    }
    return text;
}

#define KITBAG_FUZZ_CHECK(condition)                                                               \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
