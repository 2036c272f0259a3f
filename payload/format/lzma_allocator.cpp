#include "payload/format/lzma_allocator.h"

#include <cstdlib>

namespace {

void* Allocate(void*, size_t size) {
    return std::malloc(size);
}

void Release(void*, void* address) {
    std::free(address);
}

} // namespace

ISzAlloc g_lzmaAllocator = {Allocate, Release};
