#include "framework_detector.h"

#include "framework/decimal.h"
#include "log/log.h"
#include "res/resource_ids.h"

#include <cstring>

namespace {

const wchar_t kKey20[] = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v2.0.50727";
const wchar_t kKey30[] = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v3.0";
const wchar_t kKey30Setup[] = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v3.0\\Setup";
const wchar_t kKey35[] = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v3.5";
const wchar_t kKey4Client[] = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Client";
const wchar_t kKey4Full[] = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full";

const FrameworkInfo kInfo[kFrameworkVersionCount] = {
    {L"2.0", L".NET 2", 2, IDS_DOTNET_20},
    {L"3.0", L".NET 3.0", 3, IDS_DOTNET_30},
    {L"3.5", L".NET 3.5", 3, IDS_DOTNET_35},
    {L"4.0 Client", L".NET (client) 4.0", 4, IDS_DOTNET_40_CLIENT},
    {L"4.0 Full", L".NET (full) 4.0", 4, IDS_DOTNET_40_FULL},
    {L"4.5 Client", L".NET (client) 4.5", 4, IDS_DOTNET_45_CLIENT},
    {L"4.5 Full", L".NET (full) 4.5", 4, IDS_DOTNET_45_FULL},
};

// 4.5 is told apart from 4.0 only by the servicing level of the 4.0 key.
constexpr std::int32_t kServicingOf45 = 5;

FrameworkVersion VersionAt(std::size_t index) {
    return static_cast<FrameworkVersion>(index);
}

} // namespace

const FrameworkInfo& FrameworkInfoOf(FrameworkVersion version) {
    return kInfo[static_cast<std::size_t>(version)];
}

std::array<std::int32_t, 4> ParseVersionText(const std::u16string& text) {
    std::array<std::int32_t, 4> parts{0, 0, 0, 0};
    std::size_t count = 0;
    std::size_t at = 0;
    while (count < parts.size() && at < text.size()) {
        while (at < text.size() && text[at] == u'.')
            ++at;
        if (at == text.size())
            break;
        std::wstring part;
        while (at < text.size() && text[at] != u'.')
            part += static_cast<wchar_t>(text[at++]);
        parts[count++] = ReadDecimal32(part);
    }
    return parts;
}

bool IsVersionAtLeast(const std::array<std::int32_t, 4>& version,
                      const std::array<std::int32_t, 4>& threshold) {
    for (std::size_t i = 0; i < 3; ++i) {
        if (version[i] != threshold[i])
            return version[i] > threshold[i];
    }
    return version[3] >= threshold[3];
}

std::int32_t CFrameworkDetector::ReadRegistryDword(const std::wstring& subKey,
                                                   const std::wstring& valueName) const {
    std::uint32_t value = 0;
    std::uint32_t bytes = sizeof value;
    if (!ReadRegistryValue(subKey, valueName, &value, bytes))
        return -1;
    return static_cast<std::int32_t>(value);
}

bool CFrameworkDetector::IsRegistryVersionAtLeast(const std::wstring& subKey,
                                                  const std::wstring& valueName, std::int32_t major,
                                                  std::int32_t minor, std::int32_t build,
                                                  std::int32_t revision) const {
    // 260 bytes, read as UTF-16 whatever the value's type.
    char16_t units[130] = {};
    std::uint32_t bytes = sizeof units;
    std::u16string text;
    if (ReadRegistryValue(subKey, valueName, units, bytes)) {
        std::size_t count = bytes / sizeof(char16_t);
        for (std::size_t i = 0; i < count && units[i] != u'\0'; ++i)
            text += units[i];
    }
    return IsVersionAtLeast(ParseVersionText(text), {major, minor, build, revision});
}

bool CFrameworkDetector::IsInstalled(FrameworkVersion version) const {
    switch (version) {
    case FrameworkVersion::V20:
        return ReadRegistryDword(kKey20, L"Install") == 1;
    case FrameworkVersion::V30:
        return ReadRegistryDword(kKey30Setup, L"InstallSuccess") == 1 &&
               IsRegistryVersionAtLeast(kKey30Setup, L"Version", 3, 0, 4506, 26);
    case FrameworkVersion::V35:
        return ReadRegistryDword(kKey35, L"Install") == 1 &&
               IsRegistryVersionAtLeast(kKey35, L"Version", 3, 5, 21022, 8);
    case FrameworkVersion::V40Client:
        return ReadRegistryDword(kKey4Client, L"Install") == 1;
    case FrameworkVersion::V40Full:
        return ReadRegistryDword(kKey4Full, L"Install") == 1;
    default:
        return false;
    }
}

bool CFrameworkDetector::GetServiceLevel(FrameworkVersion version, std::int32_t& level) const {
    switch (version) {
    case FrameworkVersion::V20:
    case FrameworkVersion::V30:
    case FrameworkVersion::V35: {
        level = -1;
        if (!IsInstalled(version))
            return false;
        if (version != FrameworkVersion::V20 && !IsInstalled(FrameworkVersion::V20))
            return false;
        const wchar_t* key = version == FrameworkVersion::V20   ? kKey20
                             : version == FrameworkVersion::V30 ? kKey30
                                                                : kKey35;
        level = ReadRegistryDword(key, L"SP");
        return true;
    }
    case FrameworkVersion::V40Client:
    case FrameworkVersion::V40Full:
        if (!IsInstalled(version))
            return false;
        level = ReadRegistryDword(version == FrameworkVersion::V40Client ? kKey4Client : kKey4Full,
                                  L"Servicing");
        return true;
    case FrameworkVersion::V45Client:
    case FrameworkVersion::V45Full: {
        std::int32_t level40 = -1;
        FrameworkVersion base = version == FrameworkVersion::V45Client ? FrameworkVersion::V40Client
                                                                       : FrameworkVersion::V40Full;
        if (!GetServiceLevel(base, level40) || level40 < kServicingOf45)
            return false;
        level = level40;
        return true;
    }
    }
    return false;
}

bool CFrameworkDetector::MeetsRequirement(FrameworkVersion version,
                                          const std::wstring& entry) const {
    std::int32_t required = ReadDecimal32(entry);
    if (required < 0)
        return false;
    std::int32_t level = -1;
    if (!GetServiceLevel(version, level))
        return false;
    LogFormat(L".NET %s Detected SP %ld\n", FrameworkInfoOf(version).logName, level);
    return level >= required;
}

void CFrameworkDetector::DescribeRequirement(const FrameworkEntries& entries, std::wstring& name,
                                             std::int32_t& major, std::int32_t& servicePack) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::int32_t required = ReadDecimal32(entries[i]);
        if (required >= 0) {
            const FrameworkInfo& info = FrameworkInfoOf(VersionAt(i));
            name = info.displayName;
            major = info.major;
            servicePack = required;
            return;
        }
    }
}

bool CFrameworkDetector::Check(const FrameworkEntries& entries, RequiredFramework& required) const {
    for (std::size_t i = 0; i < entries.size(); ++i)
        LogFormat(L".NET %s %s\n", FrameworkInfoOf(VersionAt(i)).logName, entries[i]);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (MeetsRequirement(VersionAt(i), entries[i])) {
            LogText(L".NET Version OK\n");
            return true;
        }
    }
    DescribeRequirement(entries, required.name, required.major, required.servicePack);
    LogFormat(L".NET Version Not OK %s %ld\n", required.name, required.servicePack);
    return false;
}
