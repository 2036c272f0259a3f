#pragma once
// The memory the LZMA coders ask for, from the C heap.
#include <Types.h>

extern ISzAlloc g_lzmaAllocator;
