#pragma once
// Running independent tasks on several threads, on Linux and on Windows alike (the Windows
// builds' C++ library has no std::thread).
#include <cstddef>
#include <functional>

namespace kitbag {

// The processors this machine has, at least 1.
unsigned ProcessorCount();

// Runs task(0) ... task(count - 1), each once, on up to `threads` threads, the lowest indexes
// first; returns when all have ended. A task must not throw.
void RunInParallel(std::size_t count, unsigned threads,
                   const std::function<void(std::size_t)>& task);

} // namespace kitbag
