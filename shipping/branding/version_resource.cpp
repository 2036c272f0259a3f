#include "shipping/branding/version_resource.h"
#include "shipping/base/text.h"

#include <algorithm>

namespace kitbag {

namespace {

constexpr std::uint16_t kFixedInfoSize = 52;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr std::uint16_t kBinary = 0;
constexpr std::uint16_t kText = 1;

std::size_t Align4(std::size_t at) {
    return static_cast<std::size_t>(AlignUp(at, 4));
}

std::string Quoted(const std::u16string& text) {
    return "'" + Utf16ToUtf8(text) + "'";
}

// A block: wLength, wValueLength, wType, a NUL-terminated key, padding to 32 bits, the value,
// then the children, each at a 32-bit boundary. Offsets are from the resource's start, which
// is where the alignment is counted from.
struct Block {
    std::size_t end = 0;
    std::uint16_t valueLength = 0;
    std::u16string key;
    std::size_t valueStart = 0; // just after the key's padding, at most end
};

bool ReadBlock(const Bytes& bytes, std::size_t at, std::size_t limit, Block& block,
               std::string& error) {
    if (!InBounds(limit, at, 6)) {
        error = "a block at offset " + std::to_string(at) + " runs past the end of its parent";
        return false;
    }
    const std::uint16_t length = ReadU16(bytes, at);
    if (length < 6 || length % 2 != 0 || !InBounds(limit, at, length)) {
        error = "a block at offset " + std::to_string(at) + " says it has " +
                std::to_string(length) + " bytes, " +
                (length < 6 || length % 2 != 0 ? "which no block can have"
                                               : "past the end of its parent");
        return false;
    }
    block = {};
    block.end = at + length;
    block.valueLength = ReadU16(bytes, at + 2);
    std::size_t p = at + 6;
    for (; p + 2 <= block.end && ReadU16(bytes, p) != 0; p += 2)
        block.key.push_back(static_cast<char16_t>(ReadU16(bytes, p)));
    if (p + 2 > block.end) {
        error = "the name of the block at offset " + std::to_string(at) +
                " is not ended within the block";
        return false;
    }
    block.valueStart = std::min(Align4(p + 2), block.end);
    return true;
}

// Calls visit(child) for each block that follows `from` within parent.
template <typename Visit>
bool ForEachChild(const Bytes& bytes, const Block& parent, std::size_t from, Visit visit,
                  std::string& error) {
    for (std::size_t at = Align4(from); at < parent.end;) {
        Block child;
        if (!ReadBlock(bytes, at, parent.end, child, error) || !visit(child))
            return false;
        at = Align4(child.end);
    }
    return true;
}

bool NoValue(const Block& block, std::string& error) {
    if (block.valueLength != 0)
        error = "the block " + Quoted(block.key) + " has a value, which only its entries have";
    return block.valueLength == 0;
}

bool ReadString(const Bytes& bytes, const Block& block, VersionString& string, std::string& error) {
    // wValueLength counts characters here, though some compilers count bytes: it only has
    // to fit, and the text ends at its NUL.
    const std::size_t room = block.end - block.valueStart;
    if (block.valueLength > room) {
        error = "the value of " + Quoted(block.key) + " runs past the end of its block";
        return false;
    }
    string.key = block.key;
    std::size_t p = block.valueStart;
    for (; p + 2 <= block.end && ReadU16(bytes, p) != 0; p += 2)
        string.value.push_back(static_cast<char16_t>(ReadU16(bytes, p)));
    if (std::any_of(bytes.begin() + std::min(p + 2, block.end), bytes.begin() + block.end,
                    [](std::uint8_t b) { return b != 0; })) {
        error = "the string " + Quoted(block.key) + " holds more than its value";
        return false;
    }
    return true;
}

bool ReadStringFileInfo(const Bytes& bytes, const Block& block, VersionInfo& info,
                        std::string& error) {
    return NoValue(block, error) &&
           ForEachChild(
               bytes, block, block.valueStart,
               [&](const Block& tableBlock) {
                   if (!NoValue(tableBlock, error))
                       return false;
                   VersionStringTable& table = info.stringTables.emplace_back();
                   table.key = tableBlock.key;
                   return ForEachChild(
                       bytes, tableBlock, tableBlock.valueStart,
                       [&](const Block& stringBlock) {
                           return ReadString(bytes, stringBlock, table.strings.emplace_back(),
                                             error);
                       },
                       error);
               },
               error);
}

bool ReadVarFileInfo(const Bytes& bytes, const Block& block, VersionInfo& info,
                     std::string& error) {
    return NoValue(block, error) &&
           ForEachChild(
               bytes, block, block.valueStart,
               [&](const Block& var) {
                   if (var.key != u"Translation") {
                       error = "VarFileInfo holds " + Quoted(var.key) +
                               ", an entry other than Translation";
                       return false;
                   }
                   if (var.valueLength % 4 != 0 ||
                       !InBounds(var.end, var.valueStart, var.valueLength)) {
                       error = "the Translation value's length of " +
                               std::to_string(var.valueLength) +
                               " bytes is not whole pairs or runs past its block";
                       return false;
                   }
                   if (Align4(var.valueStart + var.valueLength) < var.end) {
                       error = "the Translation entry holds more than its value";
                       return false;
                   }
                   for (std::size_t p = var.valueStart; p < var.valueStart + var.valueLength;
                        p += 4)
                       info.translations.push_back({ReadU16(bytes, p), ReadU16(bytes, p + 2)});
                   return true;
               },
               error);
}

bool ReadFixedInfo(const Bytes& bytes, const Block& root, FixedFileInfo& fixed,
                   std::string& error) {
    if (root.valueLength != kFixedInfoSize ||
        !InBounds(root.end, root.valueStart, kFixedInfoSize)) {
        error = "the fixed file information has " + std::to_string(root.valueLength) +
                " bytes or runs past its block; it has 52";
        return false;
    }
    std::uint32_t field[13];
    for (std::size_t i = 0; i < 13; ++i)
        field[i] = ReadU32(bytes, root.valueStart + 4 * i);
    if (field[0] != kFixedSignature) {
        error = "the fixed file information does not start with its signature 0xFEEF04BD";
        return false;
    }
    auto version = [](std::uint32_t high, std::uint32_t low) {
        return FourPartVersion{
            static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high),
            static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low)};
    };
    fixed.signature = field[0];
    fixed.structVersion = field[1];
    fixed.fileVersion = version(field[2], field[3]);
    fixed.productVersion = version(field[4], field[5]);
    fixed.flagsMask = field[6];
    fixed.flags = field[7];
    fixed.os = field[8];
    fixed.type = field[9];
    fixed.subtype = field[10];
    fixed.dateHigh = field[11];
    fixed.dateLow = field[12];
    return true;
}

// Writes blocks one after another and inside each other; Close fills in the length.
class BlockWriter {
public:
    explicit BlockWriter(Bytes& out) : m_out(out) {}

    std::size_t Open(const std::u16string& key, std::uint16_t valueLength, std::uint16_t type) {
        Pad();
        const std::size_t start = m_out.size();
        AppendU16(m_out, 0);
        AppendU16(m_out, valueLength);
        AppendU16(m_out, type);
        AppendText(key);
        Pad();
        return start;
    }
    void AppendText(const std::u16string& text) {
        m_nul = m_nul || text.find(u'\0') != std::u16string::npos;
        for (char16_t c : text)
            AppendU16(m_out, static_cast<std::uint16_t>(c));
        AppendU16(m_out, 0);
    }
    void Close(std::size_t start) {
        const std::size_t length = m_out.size() - start;
        m_tooLong = m_tooLong || length > 0xFFFF;
        WriteU16(m_out, start, static_cast<std::uint16_t>(length));
    }
    bool Finish(std::string& error) const {
        if (m_nul)
            error = "a version key or value holds a NUL character";
        else if (m_tooLong)
            error = "the version information would exceed the 65535 bytes a block can hold";
        return !m_nul && !m_tooLong;
    }

private:
    void Pad() { m_out.resize(Align4(m_out.size()), 0); }

    Bytes& m_out;
    bool m_tooLong = false;
    bool m_nul = false;
};

} // namespace

bool ReadVersionInfo(const Bytes& bytes, VersionInfo& info, std::string& error) {
    info = {};
    Block root;
    if (!ReadBlock(bytes, 0, bytes.size(), root, error))
        return false;
    if (root.key != u"VS_VERSION_INFO") {
        error = "the resource does not start with a VS_VERSION_INFO block";
        return false;
    }
    if (std::any_of(bytes.begin() + root.end, bytes.end(), [](std::uint8_t b) { return b; })) {
        error = "bytes other than padding follow the VS_VERSION_INFO block";
        return false;
    }
    if (root.valueLength != 0 && !ReadFixedInfo(bytes, root, info.fixed.emplace(), error))
        return false;
    bool strings = false, vars = false;
    return ForEachChild(
        bytes, root, root.valueStart + root.valueLength,
        [&](const Block& child) {
            const bool isStrings = child.key == u"StringFileInfo";
            if (!isStrings && child.key != u"VarFileInfo") {
                error = "VS_VERSION_INFO holds an unknown block " + Quoted(child.key);
                return false;
            }
            bool& seen = isStrings ? strings : vars;
            if (seen) {
                error = "VS_VERSION_INFO holds more than one " + Quoted(child.key);
                return false;
            }
            seen = true;
            return isStrings ? ReadStringFileInfo(bytes, child, info, error)
                             : ReadVarFileInfo(bytes, child, info, error);
        },
        error);
}

bool WriteVersionInfo(const VersionInfo& info, Bytes& bytes, std::string& error) {
    Bytes out;
    BlockWriter writer(out);
    const std::size_t root =
        writer.Open(u"VS_VERSION_INFO", info.fixed ? kFixedInfoSize : 0, kBinary);
    if (info.fixed) {
        const FixedFileInfo& f = *info.fixed;
        auto high = [](const FourPartVersion& v) {
            return static_cast<std::uint32_t>(v[0]) << 16 | v[1];
        };
        auto low = [](const FourPartVersion& v) {
            return static_cast<std::uint32_t>(v[2]) << 16 | v[3];
        };
        for (std::uint32_t field :
             {f.signature, f.structVersion, high(f.fileVersion), low(f.fileVersion),
              high(f.productVersion), low(f.productVersion), f.flagsMask, f.flags, f.os, f.type,
              f.subtype, f.dateHigh, f.dateLow})
            AppendU32(out, field);
    }
    if (!info.stringTables.empty()) {
        const std::size_t stringFileInfo = writer.Open(u"StringFileInfo", 0, kText);
        for (const VersionStringTable& table : info.stringTables) {
            const std::size_t tableStart = writer.Open(table.key, 0, kText);
            for (const VersionString& s : table.strings) {
                // The value's length in characters, with its NUL.
                const std::size_t start = writer.Open(
                    s.key,
                    static_cast<std::uint16_t>(std::min<std::size_t>(s.value.size() + 1, 0xFFFF)),
                    kText);
                writer.AppendText(s.value);
                writer.Close(start);
            }
            writer.Close(tableStart);
        }
        writer.Close(stringFileInfo);
    }
    if (!info.translations.empty()) {
        const std::size_t varFileInfo = writer.Open(u"VarFileInfo", 0, kText);
        const std::size_t translation = writer.Open(
            u"Translation",
            static_cast<std::uint16_t>(std::min<std::size_t>(4 * info.translations.size(), 0xFFFF)),
            kBinary);
        for (const VersionTranslation& t : info.translations) {
            AppendU16(out, t.language);
            AppendU16(out, t.codePage);
        }
        writer.Close(translation);
        writer.Close(varFileInfo);
    }
    writer.Close(root);
    if (!writer.Finish(error))
        return false;
    bytes = std::move(out);
    return true;
}

} // namespace kitbag
