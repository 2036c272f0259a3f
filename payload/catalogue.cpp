#include "payload/resource_enum.h"

#include "log/log.h"
#include "payload/format/manifest.h"
#include "payload/path_join.h"
#include "payload/payload_unpacker.h"
#include "payload/working_folder.h"

#include <shlwapi.h>

#include <map>

ResourceList* g_pResourceList = nullptr;

BOOL CALLBACK CResourceEnum::EnumResourceNameProc(HMODULE module, LPCWSTR type, LPWSTR name,
                                                  LONG_PTR) {
    if (!IS_INTRESOURCE(name) || g_pResourceList == nullptr)
        return TRUE;
    auto entry = std::make_unique<CResource>();
    entry->m_nID = static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(name));
    entry->m_hModule = module;
    entry->m_strType = type;
    const std::uint32_t id = entry->m_nID;
    g_pResourceList->push_front(std::move(entry));
    LogFormat(L"Enumerate Resources %s %x\n", type, id);
    return TRUE;
}

ResultCode CResourceEnum::WorkOutFileNames(ResourceList& resources, std::wstring& programPath) {
    ManifestMap manifest;
    ResultCode result = result::kSuccess;
    for (const auto& entry : resources) {
        if (entry->m_nID != GetManifestId())
            continue;
        std::wstring text;
        result = entry->ReadText(text);
        if (result == 0)
            result = ParseManifest(text, manifest);
        break;
    }
    if (result == 0) {
        CResource* program = NameEntries(resources, manifest, [](const CResourceFile& file) {
            LogFormat(L"Work Out FileName %s, Bytes %ld\n", file.m_strFileName,
                      static_cast<std::int32_t>(file.m_nSize));
        });
        std::wstring path;
        if (program != nullptr && program->GetTargetPath(path))
            programPath = path;
    }
    LogFormat(L"WorkOutFileNames %x\n", static_cast<std::uint32_t>(result));
    return result;
}

namespace {

// Whether the entry's file is a member of a block: its resource is empty while the manifest
// gives it bytes (an empty file is stored as it is), and a block holds it. blockSize: the size
// the block gives it, which the manifest's must match.
bool IsBlockMember(const CResource& entry, const PayloadUnpacker& unpacker,
                   std::uint32_t& blockSize) {
    DWORD size = 0;
    return entry.m_nSize != 0 && entry.GetResourceSize(size) && size == 0 &&
           unpacker.FindMember(entry.m_nID, blockSize);
}

// Where each block member that the manifest names with the block's size is written, with its
// folder made; the extraction's log names the others' faults in its order.
std::map<std::uint32_t, std::wstring> PlanMemberTargets(const ResourceList& resources,
                                                        const PayloadUnpacker& unpacker) {
    std::map<std::uint32_t, std::wstring> targets;
    std::wstring folder, lastParent;
    if (!GetWorkingFolder(folder))
        return targets;
    for (const auto& entry : resources) {
        std::uint32_t blockSize = 0;
        std::wstring target;
        if (entry->m_strFileName.empty() || !IsBlockMember(*entry, unpacker, blockSize) ||
            blockSize != entry->m_nSize || !JoinPath(folder, entry->m_strFileName, target))
            continue;
        wchar_t parent[MAX_PATH] = {};
        target.copy(parent, target.size()); // JoinPath keeps it under MAX_PATH
        PathRemoveFileSpecW(parent);
        if (lastParent != parent) {
            CreateFolderTree(parent);
            lastParent = parent;
        }
        targets.emplace(entry->m_nID, target);
    }
    return targets;
}

// The result of a block member, with the line that says why it failed.
ResultCode MemberResultCode(const std::wstring& target, const MemberOutcome& outcome) {
    switch (outcome.result) {
    case MemberResult::kUnpacked:
        return result::kSuccess;
    case MemberResult::kWriteFailed:
        LogFormat(L"Cannot write '%s', error %ld\n", target,
                  static_cast<std::int32_t>(outcome.error));
        return result::kFail;
    case MemberResult::kDamaged:
    case MemberResult::kWrongChecksum:
        LogFormat(L"Cannot unpack '%s': %s\n", target, DescribeMemberResult(outcome.result));
        return result::kCorruptFile;
    case MemberResult::kNoMemory:
    case MemberResult::kStopped:
        break;
    }
    LogFormat(L"Cannot unpack '%s': %s\n", target, DescribeMemberResult(outcome.result));
    return result::kFail;
}

// Writes or waits for one entry: a block member's file comes from the unpacker's threads, a
// stored file is written here.
ResultCode ExtractEntry(const CResource& entry, PayloadUnpacker& unpacker,
                        const std::map<std::uint32_t, std::wstring>& targets) {
    std::uint32_t blockSize = 0;
    if (!IsBlockMember(entry, unpacker, blockSize))
        return entry.Extract();
    std::wstring target;
    if (!entry.GetTargetPath(target))
        return result::kFail;
    if (blockSize != entry.m_nSize) {
        LogFormat(L"Cannot unpack '%s': its block holds %ld bytes for it\n", target,
                  static_cast<std::int32_t>(blockSize));
        return result::kCorruptFile;
    }
    if (!targets.count(entry.m_nID))
        return result::kFail;
    return MemberResultCode(target, unpacker.WaitFor(entry.m_nID));
}

} // namespace

ResultCode CResourceEnum::ExtractAll(ResourceList& resources) {
    PayloadUnpacker& unpacker = GetPayloadUnpacker();
    const std::map<std::uint32_t, std::wstring> targets = PlanMemberTargets(resources, unpacker);
    unpacker.Release(targets);
    ResultCode result = result::kSuccess;
    for (auto entry = resources.begin(); entry != resources.end() && result == 0; ++entry) {
        if ((*entry)->m_strFileName.empty())
            continue;
        result = ExtractEntry(**entry, unpacker, targets);
        LogFormat(L"Extract File %s %x\n", (*entry)->m_strFileName,
                  static_cast<std::uint32_t>(result));
    }
    // Nothing is written once the extraction is over, whatever it ended with.
    unpacker.Stop();
    return result;
}
