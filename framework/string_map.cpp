#include "string_map.h"

std::uint32_t HashUtf16Name(const std::wstring& name) {
    std::uint32_t hash = 0;
    for (wchar_t ch : name) {
        std::uint32_t c = static_cast<std::uint32_t>(ch);
        if (c > 0xFFFF) {
            // Only where wchar_t is 32 bits wide: hash the surrogate pair Windows would hold.
            c -= 0x10000;
            hash = hash * 33 + (0xD800 + (c >> 10));
            hash = hash * 33 + (0xDC00 + (c & 0x3FF));
        } else {
            hash = hash * 33 + c;
        }
    }
    return hash;
}

void CMapStringToString::SetAt(const std::wstring& name, const std::wstring& value) {
    auto& bucket = m_buckets[HashUtf16Name(name) % kBucketCount];
    for (Entry& e : bucket) {
        if (e.first == name) {
            e.second = value;
            return;
        }
    }
    bucket.emplace_front(name, value);
}

bool CMapStringToString::Lookup(const std::wstring& name, std::wstring& value) const {
    const auto& bucket = m_buckets[HashUtf16Name(name) % kBucketCount];
    for (const Entry& e : bucket) {
        if (e.first == name) {
            value = e.second;
            return true;
        }
    }
    return false;
}

bool CMapStringToString::RemoveKey(const std::wstring& name) {
    auto& bucket = m_buckets[HashUtf16Name(name) % kBucketCount];
    for (auto it = bucket.begin(); it != bucket.end(); ++it) {
        if (it->first == name) {
            bucket.erase(it);
            return true;
        }
    }
    return false;
}

std::vector<CMapStringToString::Entry> CMapStringToString::Entries() const {
    std::vector<Entry> all;
    for (const auto& bucket : m_buckets)
        all.insert(all.end(), bucket.begin(), bucket.end());
    return all;
}
