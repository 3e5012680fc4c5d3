#include "platform/PictureMemory.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <vector>

namespace tess {

namespace {

constexpr size_t kMappedAtLeast = size_t{1} << 20;

#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23; // Linux 5.14; older kernels refuse it, harmlessly
#endif

std::mutex& MappedMutex() {
    static std::mutex m;
    return m;
}

// The starts of the blocks that are mappings; any other big block is the heap's.
std::vector<void*>& Mapped() {
    static std::vector<void*> blocks;
    return blocks;
}

std::atomic<bool> g_prefaulted{false};

} // namespace

void UsePrefaultedPictureMemory(bool prefaulted) {
    g_prefaulted.store(prefaulted);
}

void* AllocatePictureMemory(size_t bytes) {
    if (bytes < kMappedAtLeast || !g_prefaulted.load())
        return std::memset(::operator new(bytes == 0 ? 1 : bytes), 0, bytes);
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    // Huge pages where the system allows them on request: far fewer page faults and TLB
    // misses for a picture that is written once and read once. Then everything is faulted
    // in with one call; where the kernel cannot, pages come on first use.
    madvise(p, bytes, MADV_HUGEPAGE);
    madvise(p, bytes, kPopulateWrite);
    try {
        std::lock_guard lock(MappedMutex());
        Mapped().push_back(p);
    } catch (...) {
        munmap(p, bytes);
        throw std::bad_alloc();
    }
    return p;
}

void ReleasePictureMemory(void* p, size_t bytes) noexcept {
    if (!p)
        return;
    bool mapped = false;
    if (bytes >= kMappedAtLeast) {
        std::lock_guard lock(MappedMutex());
        auto& blocks = Mapped();
        if (auto it = std::find(blocks.begin(), blocks.end(), p); it != blocks.end()) {
            mapped = true;
            blocks.erase(it);
        }
    }
    if (mapped)
        munmap(p, bytes);
    else
        ::operator delete(p);
}

} // namespace tess
