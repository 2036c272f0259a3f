#pragma once
// The payload's solid blocks, decoded from the start of the run on as many threads as the
// machine has cores (at most kMaxUnpackThreads), while the signature and the machine are being
// checked: each thread decodes its first block as far as its dictionary goes and then waits,
// writing nothing, until the extraction says where each file goes. The files are then written
// as their bytes come, and the extraction waits for each in its own order.
#include "payload/format/block_unpacking.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

constexpr unsigned kMaxUnpackThreads = 8;
// The most that the threads' dictionaries together may take; fewer threads run when the
// largest dictionary would exceed it. With the pieces and buffers beside them, a run stays
// within 64 MiB of one that unpacks nothing, whatever the product: two blocks of the largest
// dictionary kitbag-pack writes (32 MiB) are unpacked one after the other.
constexpr std::uint64_t kMaxUnpackMemory = 48ull << 20;

struct MemberOutcome {
    MemberResult result = MemberResult::kDamaged;
    DWORD error = 0; // the system's reason when the file could not be written
};

class PayloadUnpacker {
public:
    PayloadUnpacker() = default;
    ~PayloadUnpacker() { Stop(); }
    PayloadUnpacker(const PayloadUnpacker&) = delete;
    PayloadUnpacker& operator=(const PayloadUnpacker&) = delete;

    // Finds the module's blocks among its TOOLKIT resources and starts decoding them.
    void Start(HMODULE module);
    // The size the blocks give the file of this resource id; false when no block holds it.
    bool FindMember(std::uint32_t id, std::uint32_t& size) const;
    // Where each wanted file is written (folders made), by resource id; the bytes of every
    // other member are dropped. Lets the threads write.
    void Release(const std::map<std::uint32_t, std::wstring>& targets);
    // Waits until the member has ended, once released.
    MemberOutcome WaitFor(std::uint32_t id);
    // Ends the decoding, the members not yet done as stopped, and waits for every thread.
    void Stop();

private:
    struct Block {
        const unsigned char* data = nullptr; // its resource; none for a block in the data area
        std::uint64_t size = 0;
        BlockHeader header;
        // Where its bytes are in the installer's own file, read from there when known.
        bool inFile = false;
        std::uint64_t fileOffset = 0;
    };
    struct Slot {
        std::size_t block = 0; // the one block that writes it
        std::uint32_t size = 0;
        std::wstring target; // empty: dropped
        bool ended = false;
        MemberOutcome outcome;
    };
    class Writer;

    static DWORD WINAPI ThreadMain(void* self);
    void UnpackNextBlocks();
    bool WaitUntilReleased();
    void End(std::uint32_t id, MemberOutcome outcome);

    HMODULE m_module = nullptr;
    std::vector<Block> m_blocks; // largest first
    std::map<std::uint32_t, Slot> m_slots;
    std::vector<HANDLE> m_threads;
    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
    bool m_released = false;
    volatile LONG m_stop = 0;
    volatile LONG m_nextBlock = 0;
};

// The process's one unpacker.
PayloadUnpacker& GetPayloadUnpacker();
