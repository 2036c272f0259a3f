#pragma once
// A string-to-string map with a fixed, observable enumeration order: 17 hash buckets
// visited in ascending order, the most recently inserted name first within a bucket.
// The wizard's argument string is composed in this order, so the order is part of the
// program's behaviour and must not depend on any library's hash table.
#include <array>
#include <cstdint>
#include <list>
#include <string>
#include <utility>
#include <vector>

// hash = hash * 33 + unit over the name's UTF-16 units (wrapping 32-bit arithmetic).
std::uint32_t HashUtf16Name(const std::wstring& name);

class CMapStringToString {
public:
    static constexpr std::uint32_t kBucketCount = 17;
    using Entry = std::pair<std::wstring, std::wstring>;

    // Inserts the name, or replaces its value in place.
    void SetAt(const std::wstring& name, const std::wstring& value);
    bool Lookup(const std::wstring& name, std::wstring& value) const;
    bool RemoveKey(const std::wstring& name);
    // All entries in enumeration order.
    std::vector<Entry> Entries() const;

private:
    std::array<std::list<Entry>, kBucketCount> m_buckets;
};
