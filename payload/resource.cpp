#include "payload/resource.h"

#include "log/log.h"
#include "payload/format/manifest.h"
#include "payload/own_image_file.h"
#include "payload/path_join.h"
#include "payload/working_folder.h"

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// What a stored file is copied in: large enough for few system calls, small beside the payload.
constexpr DWORD kPieceBytes = 1 << 20;

// A resource of the module, loaded and locked for the lifetime of this object.
class LockedResource {
public:
    LockedResource(HMODULE module, std::uint32_t id, const std::wstring& type) {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type.c_str());
        if (found == nullptr)
            return;
        m_loaded = LoadResource(module, found);
        if (m_loaded == nullptr)
            return;
        m_data = static_cast<const char*>(LockResource(m_loaded));
        if (m_data != nullptr)
            m_size = SizeofResource(module, found);
    }
    ~LockedResource() {
        if (m_loaded != nullptr)
            FreeResource(m_loaded);
    }
    LockedResource(const LockedResource&) = delete;
    LockedResource& operator=(const LockedResource&) = delete;

    bool ok() const { return m_data != nullptr; }
    const char* data() const { return m_data; }
    DWORD size() const { return m_size; }

private:
    HGLOBAL m_loaded = nullptr;
    const char* m_data = nullptr;
    DWORD m_size = 0;
};

} // namespace

ResultCode CResource::ReadText(std::wstring& text) const {
    LockedResource resource(m_hModule, m_nID, m_strType);
    if (!resource.ok() || resource.size() > INT_MAX)
        return result::kFail;
    text.clear();
    const int bytes = static_cast<int>(resource.size());
    if (bytes == 0)
        return result::kSuccess;
    int n = MultiByteToWideChar(CP_THREAD_ACP, 0, resource.data(), bytes, nullptr, 0);
    if (n <= 0)
        return result::kFail;
    text.resize(static_cast<std::size_t>(n));
    MultiByteToWideChar(CP_THREAD_ACP, 0, resource.data(), bytes, &text[0], n);
    return result::kSuccess;
}

bool CResource::GetResourceSize(DWORD& size) const {
    LockedResource resource(m_hModule, m_nID, m_strType);
    size = resource.size();
    return resource.ok();
}

bool CResource::IsProgram() {
    return IsProgramName(m_strFileName);
}

bool CResource::GetTargetPath(std::wstring& path) const {
    std::wstring folder;
    if (!GetWorkingFolder(folder))
        return false;
    if (m_strFileName.empty()) {
        path = folder;
        return true;
    }
    if (!JoinPath(folder, m_strFileName, path)) {
        LogFormat(L"File path too long '%s' in '%s'\n", m_strFileName, folder);
        return false;
    }
    return true;
}

ResultCode CResource::Extract() const {
    LockedResource resource(m_hModule, m_nID, m_strType);
    std::wstring target;
    if (!resource.ok() || !GetTargetPath(target))
        return result::kFail;

    wchar_t parent[MAX_PATH] = {};
    target.copy(parent, target.size()); // GetTargetPath keeps it under MAX_PATH
    PathRemoveFileSpecW(parent);
    CreateFolderTree(parent);

    HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // The run's message only says the build is wrong; the log keeps the system's reason.
        LogFormat(L"Cannot write '%s', error %ld\n", target,
                  static_cast<std::int32_t>(GetLastError()));
        return result::kFail;
    }
    const DWORD size = resource.size();
    DWORD written = 0;
    std::uint64_t offset = 0;
    const OwnImageFile& own = OwnImageFile::Of(m_hModule);
    if (size != 0 && own.OffsetOf(resource.data(), size, offset)) {
        // From the file in pieces: the image's pages are never touched.
        std::vector<char> piece(std::min<DWORD>(size, kPieceBytes));
        while (written < size) {
            const std::size_t got = own.Read(offset + written, piece.data(),
                                             std::min<std::size_t>(piece.size(), size - written));
            if (got == 0) {
                LogFormat(L"Cannot read the installer's own file for '%s', error %ld\n", target,
                          static_cast<std::int32_t>(GetLastError()));
                break;
            }
            DWORD put = 0;
            if (!WriteFile(file, piece.data(), static_cast<DWORD>(got), &put, nullptr) ||
                put != got)
                break;
            written += put;
        }
    } else {
        WriteFile(file, resource.data(), size, &written, nullptr);
    }
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (written != size) {
        LogFormat(L"Cannot write '%s', error %ld\n", target, static_cast<std::int32_t>(error));
        return result::kFail;
    }
    return size == m_nSize ? result::kSuccess : result::kCorruptFile;
}
