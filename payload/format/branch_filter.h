#pragma once
// The branch filter for x86 and x64 machine code. A CALL or JMP with a 32-bit displacement
// (E8 or E9 and four bytes) names its target relative to the next instruction, so calls to
// one function read differently at every place; turned into the target's position in the
// file they repeat, and the compressor finds them. Only displacements within 16 MiB either
// way are converted (their top byte is 00 or FF), and the conversion is made modulo 2^25 so
// that the result again has such a top byte: the decoder then sees the same instructions as
// the encoder and undoes exactly what was done. The four bytes after every E8 or E9 are passed
// over, converted or not, so that no conversion changes a byte that decided another.
// Positions count from the start of the file.
#include <cstddef>
#include <cstdint>

class BranchFilter {
public:
    enum class Direction { kEncode, kDecode };

    explicit BranchFilter(Direction direction) : m_direction(direction) {}

    // Converts data[0, size) in place; data continues the file at Position(). Answers how many
    // bytes are final: all but the last four or fewer, which may begin an instruction whose
    // displacement is not all there. Pass those again at the front of the next piece; at the
    // end of the file they stay as they are.
    std::size_t Convert(unsigned char* data, std::size_t size);

    std::uint32_t Position() const { return m_position; }

private:
    Direction m_direction;
    std::uint32_t m_position = 0;
};
