#include "payload/format/branch_filter.h"

namespace {

constexpr std::size_t kInstructionSize = 5;

bool IsNearDisplacement(std::uint32_t value) {
    const std::uint32_t top = value >> 24;
    return top == 0x00 || top == 0xFF;
}

} // namespace

std::size_t BranchFilter::Convert(unsigned char* data, std::size_t size) {
    std::size_t i = 0;
    while (i + kInstructionSize <= size) {
        const unsigned char opcode = data[i];
        unsigned char* operand = data + i + 1;
        const std::uint32_t value = static_cast<std::uint32_t>(operand[0]) |
                                    static_cast<std::uint32_t>(operand[1]) << 8 |
                                    static_cast<std::uint32_t>(operand[2]) << 16 |
                                    static_cast<std::uint32_t>(operand[3]) << 24;
        if (opcode != 0xE8 && opcode != 0xE9) {
            ++i;
            continue;
        }
        // Whether converted or not, the four bytes after the opcode are passed over: were a
        // CALL among them converted, it would change this one's top byte after the encoder
        // judged it, and the decoder would judge it by the changed byte.
        if (!IsNearDisplacement(value)) {
            i += kInstructionSize;
            continue;
        }
        // The position of the next instruction, which the displacement counts from.
        const std::uint32_t next = m_position + static_cast<std::uint32_t>(i + kInstructionSize);
        std::uint32_t converted = m_direction == Direction::kEncode ? value + next : value - next;
        converted &= 0x01FFFFFF;
        if (converted & 0x01000000)
            converted |= 0xFF000000;
        for (int b = 0; b < 4; ++b)
            operand[b] = static_cast<unsigned char>(converted >> (8 * b));
        i += kInstructionSize;
    }
    m_position += static_cast<std::uint32_t>(i);
    return i;
}
