#pragma once
// Finding the information block in the last bytes of the program's own file:
// ... "MRDC" <information> <6 bytes of tail> | end of file.
#include <cstddef>
#include <cstdint>
#include <optional>

// The window read from the file: offsets S - 4117 to S - 2 of a file of S bytes.
constexpr std::size_t kInfoWindowSize = 4116;
// The file must be larger than the window.
constexpr std::size_t kInfoMinimumFileSize = kInfoWindowSize + 1;
// Where the window starts, counted back from the end of the file.
constexpr std::int32_t kInfoWindowDistanceFromEnd = 4117;

struct EmbeddedInfoSpan {
    std::size_t offset = 0; // in the window
    std::size_t length = 0; // 1 to 4106
};

// The information after the marker nearest the end of the window. Nothing when there is no
// marker, or when the nearest one leaves no information before the tail (earlier markers are
// then not looked for).
std::optional<EmbeddedInfoSpan> FindEmbeddedInfo(const std::uint8_t* window, std::size_t size);
