#pragma once
// Which .NET Framework versions the machine has, decided from the values their setup
// programs leave under HKEY_LOCAL_MACHINE, and whether one of them meets the build's
// requirement entries. The registry itself is reached only through ReadRegistryValue.
#include <array>
#include <cstdint>
#include <string>

// The seven versions, in the order they are examined and preferred.
enum class FrameworkVersion { V20, V30, V35, V40Client, V40Full, V45Client, V45Full };
constexpr std::size_t kFrameworkVersionCount = 7;

// One requirement entry per version, in the order above.
using FrameworkEntries = std::array<std::wstring, kFrameworkVersionCount>;

struct FrameworkInfo {
    const wchar_t* logName;     // as in ".NET <logName> Detected SP %ld"
    const wchar_t* displayName; // named in the failure message
    std::int32_t major;         // picks the download page
    unsigned entryId;           // string-table id of its requirement entry
};
const FrameworkInfo& FrameworkInfoOf(FrameworkVersion version);

// The framework a failed check asks for; the starting values stand when no entry allows
// any version.
struct RequiredFramework {
    std::wstring name = L"Unknown .NET Version";
    std::int32_t major = 2;
    std::int32_t servicePack = 0;
};

// Four dotted numbers from a registry text: runs of dots count as one, missing parts are
// 0, parts after the fourth are ignored, each part reads like a requirement entry.
std::array<std::int32_t, 4> ParseVersionText(const std::u16string& text);
bool IsVersionAtLeast(const std::array<std::int32_t, 4>& version,
                      const std::array<std::int32_t, 4>& threshold);

class CFrameworkDetector {
public:
    CFrameworkDetector() = default;
    virtual ~CFrameworkDetector() = default;
    CFrameworkDetector(const CFrameworkDetector&) = delete;
    CFrameworkDetector& operator=(const CFrameworkDetector&) = delete;

    // Reads a value of a key under HKEY_LOCAL_MACHINE into buffer, whatever its type; bytes
    // holds the buffer's size and receives the size read. False when the key or the value
    // cannot be read, or the value does not fit.
    virtual bool ReadRegistryValue(const std::wstring& subKey, const std::wstring& valueName,
                                   void* buffer, std::uint32_t& bytes) const = 0;

    // The value as a 32-bit number; -1 when it cannot be read.
    std::int32_t ReadRegistryDword(const std::wstring& subKey, const std::wstring& valueName) const;
    bool IsRegistryVersionAtLeast(const std::wstring& subKey, const std::wstring& valueName,
                                  std::int32_t major, std::int32_t minor, std::int32_t build,
                                  std::int32_t revision) const;
    // What the version's own values say; 3.0 and 3.5 also need 2.0, which GetServiceLevel
    // adds. Only 2.0, 3.0, 3.5 and the two 4.0 versions are answered.
    bool IsInstalled(FrameworkVersion version) const;
    // True when present; level is then its service level (-1 when that cannot be read).
    bool GetServiceLevel(FrameworkVersion version, std::int32_t& level) const;
    // Present and at the entry's level; a negative entry rules the version out unread.
    // Logs the detected level of a present version.
    bool MeetsRequirement(FrameworkVersion version, const std::wstring& entry) const;
    // Fills the outs from the first entry that is 0 or more; untouched when there is none.
    static void DescribeRequirement(const FrameworkEntries& entries, std::wstring& name,
                                    std::int32_t& major, std::int32_t& servicePack);
    // The whole check with its log lines; on false, required names what to ask for.
    bool Check(const FrameworkEntries& entries, RequiredFramework& required) const;
};
