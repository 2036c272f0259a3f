#include "payload/payload_unpacker.h"

#include "payload/format/data_extent.h"
#include "payload/own_image_file.h"
#include "payload/resource_enum.h"

#include <algorithm>

namespace {

PayloadUnpacker g_unpacker;

// Every resource that starts like a block, or is a data area extent.
using FoundResources = std::vector<std::pair<const unsigned char*, std::size_t>>;

BOOL CALLBACK CollectBlock(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
    if (!IS_INTRESOURCE(name))
        return TRUE;
    HRSRC found = FindResourceW(module, name, type);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const auto* data =
        static_cast<const unsigned char*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    DataExtent extent;
    if (data != nullptr && (HasBlockMagic(data, size) || ReadDataExtent(data, size, extent)))
        reinterpret_cast<FoundResources*>(param)->emplace_back(data, size);
    return TRUE;
}

// A block read from the installer's own file, where it lies from offset on.
class OwnFileSource : public BlockSource {
public:
    OwnFileSource(const OwnImageFile& file, std::uint64_t offset)
        : m_file(file), m_offset(offset) {}
    std::size_t Read(std::uint64_t offset, unsigned char* buffer, std::size_t count) override {
        return m_file.Read(m_offset + offset, buffer, count);
    }

private:
    const OwnImageFile& m_file;
    std::uint64_t m_offset;
};

} // namespace

PayloadUnpacker& GetPayloadUnpacker() {
    return g_unpacker;
}

// Writes one block's wanted members to their files.
class PayloadUnpacker::Writer : public BlockSink {
public:
    Writer(PayloadUnpacker& unpacker, std::size_t block) : m_unpacker(unpacker), m_block(block) {}

    bool WaitUntilWritable() override { return m_unpacker.WaitUntilReleased(); }
    bool Begin(const BlockMember& member) override {
        // Set before the release, and never changed after it.
        const Slot& slot = m_unpacker.m_slots.find(member.id)->second;
        if (slot.block != m_block || slot.target.empty())
            return true;
        m_file = CreateFileW(slot.target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_file == INVALID_HANDLE_VALUE) {
            m_error = GetLastError();
            return false;
        }
        return true;
    }
    bool Write(const unsigned char* bytes, std::size_t count) override {
        if (m_file == INVALID_HANDLE_VALUE)
            return true;
        DWORD written = 0;
        if (WriteFile(m_file, bytes, static_cast<DWORD>(count), &written, nullptr) &&
            written == count)
            return true;
        m_error = GetLastError();
        return false;
    }
    void End(const BlockMember& member, MemberResult result) override {
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        if (m_unpacker.m_slots.find(member.id)->second.block == m_block)
            m_unpacker.End(member.id, {result, m_error});
        m_error = 0;
    }
    bool Stopped() override { return m_unpacker.m_stop != 0; }

private:
    PayloadUnpacker& m_unpacker;
    std::size_t m_block;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    DWORD m_error = 0;
};

void PayloadUnpacker::Start(HMODULE module) {
    m_module = module;
    const OwnImageFile& own = OwnImageFile::Of(module);
    FoundResources found;
    EnumResourceNamesW(module, CResourceEnum::GetResourceType(), &CollectBlock,
                       reinterpret_cast<LONG_PTR>(&found));
    // Largest first, so that the threads end about together; blocks are few.
    for (const auto& [data, size] : found) {
        Block block{data, size, {}};
        DataExtent extent;
        if (ReadDataExtent(data, size, extent)) {
            // Its head and members are read from the file too; a block that is not there is
            // none, and the files it would hold fail as missing.
            block.data = nullptr;
            block.size = extent.size;
            block.fileOffset = own.DataAreaStart() + extent.offset;
            block.inFile = extent.offset < (1ull << 40);
            OwnFileSource source(own, block.fileOffset);
            if (!block.inFile || !ReadBlockHeader(source, block.size, block.header))
                continue;
        } else {
            // Only the head is read through the image: the stream comes from the file.
            if (!ReadBlockHeader(data, size, block.header))
                continue;
            block.inFile = own.OffsetOf(data, size, block.fileOffset);
        }
        std::size_t at = m_blocks.size();
        while (at > 0 && m_blocks[at - 1].header.UnpackedSize() < block.header.UnpackedSize())
            --at;
        m_blocks.insert(m_blocks.begin() + static_cast<std::ptrdiff_t>(at), std::move(block));
    }
    std::uint64_t largest = 0;
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        largest = std::max(largest, DictionaryBytes(m_blocks[i].header));
        // An id that two blocks claim is written by the first; the other drops its bytes.
        for (const BlockMember& member : m_blocks[i].header.members)
            m_slots.emplace(member.id, Slot{i, member.size, {}, false, {}});
    }

    SYSTEM_INFO system;
    GetSystemInfo(&system);
    std::size_t threads = std::min<std::size_t>(
        {std::max<DWORD>(system.dwNumberOfProcessors, 1), kMaxUnpackThreads, m_blocks.size()});
    while (threads > 1 && threads * largest > kMaxUnpackMemory)
        --threads;
    for (std::size_t i = 0; i < threads; ++i) {
        HANDLE thread = CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr);
        if (thread != nullptr)
            m_threads.push_back(thread);
    }
}

bool PayloadUnpacker::FindMember(std::uint32_t id, std::uint32_t& size) const {
    auto slot = m_slots.find(id);
    if (slot == m_slots.end())
        return false;
    size = slot->second.size;
    return true;
}

void PayloadUnpacker::Release(const std::map<std::uint32_t, std::wstring>& targets) {
    AcquireSRWLockExclusive(&m_lock);
    for (const auto& [id, target] : targets) {
        auto slot = m_slots.find(id);
        if (slot != m_slots.end())
            slot->second.target = target;
    }
    m_released = true;
    ReleaseSRWLockExclusive(&m_lock);
    WakeAllConditionVariable(&m_changed);
    // No thread could be started: the blocks are unpacked here, one after the other.
    if (m_threads.empty())
        UnpackNextBlocks();
}

MemberOutcome PayloadUnpacker::WaitFor(std::uint32_t id) {
    auto slot = m_slots.find(id);
    if (slot == m_slots.end())
        return {};
    AcquireSRWLockExclusive(&m_lock);
    while (!slot->second.ended)
        SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
    const MemberOutcome outcome = slot->second.outcome;
    ReleaseSRWLockExclusive(&m_lock);
    return outcome;
}

void PayloadUnpacker::Stop() {
    InterlockedExchange(&m_stop, 1);
    AcquireSRWLockExclusive(&m_lock);
    ReleaseSRWLockExclusive(&m_lock);
    WakeAllConditionVariable(&m_changed);
    if (!m_threads.empty())
        WaitForMultipleObjects(static_cast<DWORD>(m_threads.size()), m_threads.data(), TRUE,
                               INFINITE);
    for (HANDLE thread : m_threads)
        CloseHandle(thread);
    m_threads.clear();
}

DWORD WINAPI PayloadUnpacker::ThreadMain(void* self) {
    static_cast<PayloadUnpacker*>(self)->UnpackNextBlocks();
    return 0;
}

void PayloadUnpacker::UnpackNextBlocks() {
    for (;;) {
        const std::size_t next = static_cast<std::size_t>(InterlockedIncrement(&m_nextBlock) - 1);
        if (next >= m_blocks.size())
            return;
        const Block& block = m_blocks[next];
        Writer writer(*this, next);
        if (block.inFile) {
            OwnFileSource source(OwnImageFile::Of(m_module), block.fileOffset);
            UnpackBlock(source, block.size, block.header, writer);
        } else {
            UnpackBlock(block.data, static_cast<std::size_t>(block.size), block.header, writer);
        }
    }
}

bool PayloadUnpacker::WaitUntilReleased() {
    AcquireSRWLockExclusive(&m_lock);
    while (!m_released && m_stop == 0)
        SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
    ReleaseSRWLockExclusive(&m_lock);
    return m_stop == 0;
}

void PayloadUnpacker::End(std::uint32_t id, MemberOutcome outcome) {
    AcquireSRWLockExclusive(&m_lock);
    Slot& slot = m_slots.find(id)->second;
    slot.ended = true;
    slot.outcome = outcome;
    ReleaseSRWLockExclusive(&m_lock);
    WakeAllConditionVariable(&m_changed);
}
