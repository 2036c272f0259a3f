#include "ui/version_resource.h"

namespace {

// One node: WORD length, WORD value length, WORD type (1: text), a NUL-terminated UTF-16 key,
// padding to 32 bits, the value, padding, then the children up to length.
struct Node {
    std::size_t start = 0, end = 0;
    std::u16string key;
    std::size_t valueStart = 0, valueBytes = 0;
    std::size_t childrenStart = 0;
};

std::uint16_t Word(const unsigned char* data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

std::size_t Align4(std::size_t at) {
    return (at + 3) & ~static_cast<std::size_t>(3);
}

bool ReadNode(const unsigned char* data, std::size_t at, std::size_t limit, Node& node) {
    if (limit < at || limit - at < 6)
        return false;
    std::size_t length = Word(data, at);
    if (length < 6 || length > limit - at)
        return false;
    node = Node{};
    node.start = at;
    node.end = at + length;
    std::size_t p = at + 6;
    for (;; p += 2) {
        if (node.end - p < 2)
            return false;
        char16_t c = Word(data, p);
        if (c == 0)
            break;
        node.key.push_back(c);
    }
    std::size_t valueLength = Word(data, at + 2);
    bool text = Word(data, at + 4) == 1;
    node.valueStart = Align4(p + 2);
    node.valueBytes = text ? 2 * valueLength : valueLength;
    if (node.valueStart > node.end)
        return false;
    // Some resource compilers count a text's length in bytes: it is cut at the node's end.
    if (node.valueBytes > node.end - node.valueStart) {
        if (!text)
            return false;
        node.valueBytes = node.end - node.valueStart;
    }
    node.childrenStart = Align4(node.valueStart + node.valueBytes);
    return true;
}

// Calls visit for each child of parent; false when a child is malformed or visit says so.
template <class Visit> bool Children(const unsigned char* data, const Node& parent, Visit visit) {
    for (std::size_t at = parent.childrenStart; at < parent.end;) {
        // Padding that a compiler counted into the parent's length.
        if (parent.end - at < 6)
            return true;
        Node child;
        if (!ReadNode(data, at, parent.end, child) || !visit(child))
            return false;
        at = Align4(child.end);
    }
    return true;
}

std::u16string TextValue(const unsigned char* data, const Node& node) {
    std::u16string value;
    for (std::size_t at = node.valueStart; at + 1 < node.valueStart + node.valueBytes; at += 2) {
        char16_t c = Word(data, at);
        if (c == 0)
            break;
        value.push_back(c);
    }
    return value;
}

} // namespace

bool ReadVersionFacts(const unsigned char* data, std::size_t size, VersionFacts& facts) {
    facts = VersionFacts{};
    Node root;
    if (data == nullptr || !ReadNode(data, 0, size, root) || root.key != u"VS_VERSION_INFO")
        return false;
    if (root.valueBytes >= 52 && Word(data, root.valueStart) == 0x04BD &&
        Word(data, root.valueStart + 2) == 0xFEEF) {
        const std::size_t ms = root.valueStart + 8, ls = root.valueStart + 12;
        facts.hasFixedInfo = true;
        facts.fileVersion[0] = Word(data, ms + 2);
        facts.fileVersion[1] = Word(data, ms);
        facts.fileVersion[2] = Word(data, ls + 2);
        facts.fileVersion[3] = Word(data, ls);
    }
    bool tableRead = false;
    return Children(data, root, [&](const Node& info) {
        if (info.key != u"StringFileInfo" || tableRead)
            return true;
        return Children(data, info, [&](const Node& table) {
            if (tableRead)
                return true;
            tableRead = true;
            return Children(data, table, [&](const Node& pair) {
                if (pair.key == u"LegalCopyright")
                    facts.legalCopyright = TextValue(data, pair);
                return true;
            });
        });
    });
}
