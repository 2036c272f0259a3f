#include "checks/framework_detector.h"

#include "log/log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace {

const std::wstring kNdp = L"Software\\Microsoft\\NET Framework Setup\\NDP\\";

using Bytes = std::vector<unsigned char>;

Bytes Dword(std::uint32_t v) {
    return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
            static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
}

// A REG_SZ as the registry stores it: UTF-16 little-endian with its terminating zero.
Bytes Sz(const std::string& text) {
    Bytes out;
    for (char c : text) {
        out.push_back(static_cast<unsigned char>(c));
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

struct Value {
    std::wstring key; // under NDP
    std::wstring name;
    Bytes bytes;
};
using Registry = std::vector<Value>;

// The registry as a table, answering like RegQueryValueExW: a value larger than the buffer
// fails.
class TableDetector final : public CFrameworkDetector {
public:
    explicit TableDetector(const Registry& registry = {}) {
        for (const Value& v : registry)
            values[{v.key, v.name}] = v.bytes;
    }
    std::map<std::pair<std::wstring, std::wstring>, Bytes> values;
    mutable std::set<std::wstring> keysRead;

    bool ReadRegistryValue(const std::wstring& subKey, const std::wstring& valueName, void* buffer,
                           std::uint32_t& bytes) const override {
        std::wstring key = subKey.substr(kNdp.size());
        keysRead.insert(key);
        auto it = values.find({key, valueName});
        if (it == values.end() || it->second.size() > bytes)
            return false;
        std::memcpy(buffer, it->second.data(), it->second.size());
        bytes = static_cast<std::uint32_t>(it->second.size());
        return true;
    }
};

// The log lines written while f runs.
template <class F> std::wstring LoggedBy(F f) {
    std::size_t before = TheLog().HeldText().size();
    f();
    return TheLog().HeldText().substr(before);
}

const FrameworkEntries kShipped{L"0", L"0", L"0", L"0", L"0", L"0", L"0"};

Registry With20(std::uint32_t sp, Registry more = {}) {
    more.push_back({L"v2.0.50727", L"Install", Dword(1)});
    more.push_back({L"v2.0.50727", L"SP", Dword(sp)});
    return more;
}

Registry Four(const std::wstring& part, std::uint32_t servicing) {
    return {{L"v4\\" + part, L"Install", Dword(1)},
            {L"v4\\" + part, L"Servicing", Dword(servicing)}};
}

} // namespace

TEST(FrameworkDetector, VersionTextsCompareByFourDottedNumbers) {
    const struct {
        std::string text;
        bool passes35;
    } rows[] = {
        {"3.5.21022.8", true},
        {"3.5.30729.1", true},
        {"3.6", true},
        {"4", true},
        {"3.5", false},
        {"3.5.21022.7", false},
        {"3..5.21022.8", true},
        {"", false},
        {"3.5.21022.8.0.1", true},
    };
    for (const auto& row : rows) {
        TableDetector d;
        d.values[{L"v3.5", L"Version"}] = Sz(row.text);
        EXPECT_EQ(d.IsRegistryVersionAtLeast(kNdp + L"v3.5", L"Version", 3, 5, 21022, 8),
                  row.passes35)
            << row.text.c_str();
    }
    EXPECT_EQ(ParseVersionText(u"..7..x8.-3.2.9"), (std::array<std::int32_t, 4>{7, 0, -3, 2}));
}

TEST(FrameworkDetector, VersionTextThatFillsTheBufferEndsThere) {
    TableDetector d;
    Bytes text = Sz(std::string(129, '9'));
    text.resize(260); // no terminating zero
    d.values[{L"v3.5", L"Version"}] = text;
    EXPECT_TRUE(d.IsRegistryVersionAtLeast(kNdp + L"v3.5", L"Version", 3, 5, 21022, 8));
    d.values[{L"v3.5", L"Version"}] = Sz(std::string(130, '9')); // 262 bytes: does not fit
    EXPECT_FALSE(d.IsRegistryVersionAtLeast(kNdp + L"v3.5", L"Version", 0, 0, 0, 1));
}

TEST(FrameworkDetector, DwordReadsTakeTheBytesWhateverTheirType) {
    TableDetector d;
    d.values[{L"v4\\Full", L"A"}] = Bytes{7, 1};
    d.values[{L"v4\\Full", L"B"}] = Bytes{1, 0, 0, 0, 0};
    d.values[{L"v4\\Full", L"C"}] = Sz("1");
    EXPECT_EQ(d.ReadRegistryDword(kNdp + L"v4\\Full", L"A"), 0x107);
    EXPECT_EQ(d.ReadRegistryDword(kNdp + L"v4\\Full", L"B"), -1);
    EXPECT_EQ(d.ReadRegistryDword(kNdp + L"v4\\Full", L"C"), 0x31);
    EXPECT_EQ(d.ReadRegistryDword(kNdp + L"v4\\Full", L"missing"), -1);
}

TEST(FrameworkDetector, EachVersionIsPresentByItsOwnRule) {
    using V = FrameworkVersion;
    const Value setup30{L"v3.0\\Setup", L"InstallSuccess", Dword(1)};
    const Value install35{L"v3.5", L"Install", Dword(1)};
    const struct {
        const char* what;
        Registry registry;
        V version;
        bool present;
        std::int32_t level;
    } rows[] = {
        {"nothing", {}, V::V20, false, 0},
        {"2.0 with SP", With20(2), V::V20, true, 2},
        {"2.0 without SP", {{L"v2.0.50727", L"Install", Dword(1)}}, V::V20, true, -1},
        {"2.0 Install 2", {{L"v2.0.50727", L"Install", Dword(2)}}, V::V20, false, 0},
        {"2.0 Install as text", {{L"v2.0.50727", L"Install", Sz("1")}}, V::V20, false, 0},
        {"3.0, level from the 3.0 key",
         With20(2, {setup30,
                    {L"v3.0\\Setup", L"Version", Sz("3.0.4506.26")},
                    {L"v3.0", L"SP", Dword(1)},
                    {L"v3.0\\Setup", L"SP", Dword(9)}}),
         V::V30, true, 1},
        {"3.0 too old", With20(2, {setup30, {L"v3.0\\Setup", L"Version", Sz("3.0.4506.25")}}),
         V::V30, false, 0},
        {"3.0 without 2.0",
         {setup30, {L"v3.0\\Setup", L"Version", Sz("3.0.4506.26")}, {L"v3.0", L"SP", Dword(1)}},
         V::V30,
         false,
         0},
        {"3.5",
         With20(2,
                {install35, {L"v3.5", L"Version", Sz("3.5.30729.1")}, {L"v3.5", L"SP", Dword(1)}}),
         V::V35, true, 1},
        {"3.5 version 3.5", With20(2, {install35, {L"v3.5", L"Version", Sz("3.5")}}), V::V35, false,
         0},
        {"4.0 Client", Four(L"Client", 0), V::V40Client, true, 0},
        {"4.0 Full gives no Client", Four(L"Full", 0), V::V40Client, false, 0},
        {"4.5 Client", Four(L"Client", 5), V::V45Client, true, 5},
        {"4.5 Full needs Servicing 5", Four(L"Full", 4), V::V45Full, false, 0},
        {"4.5 Full", Four(L"Full", 6), V::V45Full, true, 6},
        {"4.5 Full without Servicing", {{L"v4\\Full", L"Install", Dword(1)}}, V::V45Full, false, 0},
    };
    for (const auto& row : rows) {
        TableDetector d(row.registry);
        std::int32_t level = -7;
        EXPECT_EQ(d.GetServiceLevel(row.version, level), row.present) << row.what;
        if (row.present) {
            EXPECT_EQ(level, row.level) << row.what;
        }
    }
}

TEST(FrameworkDetector, FirstAcceptableVersionPassesAndNothingAfterItIsRead) {
    TableDetector d(With20(2, Four(L"Full", 0)));
    RequiredFramework required;
    std::wstring log = LoggedBy([&] { EXPECT_TRUE(d.Check(kShipped, required)); });
    EXPECT_EQ(log,
              L".NET 2.0 0\n.NET 3.0 0\n.NET 3.5 0\n.NET 4.0 Client 0\n.NET 4.0 Full 0\n"
              L".NET 4.5 Client 0\n.NET 4.5 Full 0\n.NET 2.0 Detected SP 2\n.NET Version OK\n");
    EXPECT_EQ(d.keysRead, (std::set<std::wstring>{L"v2.0.50727"}));
    EXPECT_EQ(required.name, L"Unknown .NET Version");
}

TEST(FrameworkDetector, OnlyFullFourPassesTheShippedEntries) {
    TableDetector d(Four(L"Full", 0));
    RequiredFramework required;
    std::wstring log = LoggedBy([&] { EXPECT_TRUE(d.Check(kShipped, required)); });
    EXPECT_NE(log.find(L".NET 4.5 Full 0\n.NET 4.0 Full Detected SP 0\n.NET Version OK\n"),
              std::wstring::npos)
        << log;
}

TEST(FrameworkDetector, FailedCheckNamesTheFirstAcceptableVersion) {
    const FrameworkEntries only35{L"-1", L"-1", L"2", L"-1", L"-1", L"-1", L"-1"};
    const struct {
        const char* what;
        FrameworkEntries entries;
        Registry registry;
        std::wstring name;
        std::int32_t major, sp;
        std::wstring detected; // the detected lines the check logs
    } rows[] = {
        {"2.0 without SP",
         kShipped,
         {{L"v2.0.50727", L"Install", Dword(1)}},
         L".NET 2",
         2,
         0,
         L".NET 2.0 Detected SP -1\n"},
        {"3.5 below its entry", only35,
         With20(2, {{L"v3.5", L"Install", Dword(1)},
                    {L"v3.5", L"Version", Sz("3.5.21022.8")},
                    {L"v3.5", L"SP", Dword(1)}}),
         L".NET 3.5", 3, 2, L".NET 3.5 Detected SP 1\n"},
        {"4.5 Full on Servicing 4",
         {L"-1", L"-1", L"-1", L"-1", L"-1", L"-1", L"5"},
         Four(L"Full", 4),
         L".NET (full) 4.5",
         4,
         5,
         L""},
        // 2.0 is ruled out by its saturated negative entry; " 1x" reads 1, "abc" 0.
        {"entry texts read as numbers",
         {L"-99999999999", L"-1", L" 1x", L"abc", L"", L"", L""},
         With20(9),
         L".NET 3.5",
         3,
         1,
         L""},
        {"saturated requirement is never met",
         {L"99999999999", L"-1", L"-1", L"-1", L"-1", L"-1", L"-1"},
         With20(0x7fffffe),
         L".NET 2",
         2,
         2147483647,
         L".NET 2.0 Detected SP 134217726\n"},
    };
    for (const auto& row : rows) {
        TableDetector d(row.registry);
        RequiredFramework required;
        std::wstring log =
            LoggedBy([&] { EXPECT_FALSE(d.Check(row.entries, required)) << row.what; });
        EXPECT_EQ(required.name, row.name) << row.what;
        EXPECT_EQ(required.major, row.major) << row.what;
        EXPECT_EQ(required.servicePack, row.sp) << row.what;
        std::wstring tail = row.detected + L".NET Version Not OK " + row.name + L" " +
                            std::to_wstring(row.sp) + L"\n";
        ASSERT_GE(log.size(), tail.size()) << row.what;
        EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << row.what;
    }
}

TEST(FrameworkDetector, AllEntriesNegativeReadNothingAndKeepTheStartingValues) {
    TableDetector d(With20(2, Four(L"Full", 0)));
    FrameworkEntries none{L"-1", L"-1", L"-1", L"-1", L"-1", L"-1", L"-1"};
    RequiredFramework required;
    std::wstring log = LoggedBy([&] { EXPECT_FALSE(d.Check(none, required)); });
    EXPECT_TRUE(d.keysRead.empty());
    EXPECT_EQ(required.name, L"Unknown .NET Version");
    EXPECT_EQ(required.major, 2);
    EXPECT_EQ(required.servicePack, 0);
    EXPECT_NE(log.find(L".NET Version Not OK Unknown .NET Version 0\n"), std::wstring::npos);
}
