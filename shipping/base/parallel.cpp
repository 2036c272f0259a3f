#include "shipping/base/parallel.h"

#include <algorithm>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <atomic>
#include <thread>
#endif

namespace kitbag {

namespace {

struct Work {
    std::size_t count;
    const std::function<void(std::size_t)>& task;
#ifdef _WIN32
    volatile LONG next = 0;
    std::size_t Take() {
        return static_cast<std::size_t>(InterlockedIncrement(&next) - 1);
    }
#else
    std::atomic<std::size_t> next{0};
    std::size_t Take() {
        return next++;
    }
#endif
    void Run() {
        for (std::size_t i = Take(); i < count; i = Take())
            task(i);
    }
};

#ifdef _WIN32
DWORD WINAPI RunWork(void* work) {
    static_cast<Work*>(work)->Run();
    return 0;
}
#endif

} // namespace

unsigned ProcessorCount() {
#ifdef _WIN32
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return std::max<unsigned>(system.dwNumberOfProcessors, 1);
#else
    return std::max(std::thread::hardware_concurrency(), 1u);
#endif
}

void RunInParallel(std::size_t count, unsigned threads,
                   const std::function<void(std::size_t)>& task) {
    Work work{count, task};
    const std::size_t helpers =
        std::min<std::size_t>(std::max(threads, 1u), count) - (count ? 1 : 0);
#ifdef _WIN32
    std::vector<HANDLE> started;
    for (std::size_t i = 0; i < helpers; ++i)
        if (HANDLE thread = CreateThread(nullptr, 0, &RunWork, &work, 0, nullptr))
            started.push_back(thread);
    work.Run();
    for (HANDLE thread : started) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
#else
    std::vector<std::thread> started;
    for (std::size_t i = 0; i < helpers; ++i)
        started.emplace_back([&work] { work.Run(); });
    work.Run();
    for (std::thread& thread : started)
        thread.join();
#endif
}

} // namespace kitbag
