#include "platform/PictureMemory.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <sys/shm.h>
#include <vector>

namespace tess {

namespace {

constexpr size_t kSharedAtLeast = size_t{1} << 20;

#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23; // Linux 5.14; older kernels refuse it, harmlessly
#endif

struct Block {
    char* base;
    size_t size;
    int id; // shared-memory segment, or -1 for a private mapping
};

std::mutex& BlocksMutex() {
    static std::mutex m;
    return m;
}

std::vector<Block>& Blocks() {
    static std::vector<Block> blocks;
    return blocks;
}

std::atomic<bool> g_shared{false};

} // namespace

void UseSharedPictureMemory(bool shared) {
    g_shared.store(shared);
}

void* AllocatePictureMemory(size_t bytes) {
    if (bytes < kSharedAtLeast || !g_shared.load())
        return std::memset(::operator new(bytes == 0 ? 1 : bytes), 0, bytes);
    void* p = nullptr;
    int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id >= 0) {
        p = shmat(id, nullptr, 0);
        // Marked for removal at once: the segment goes when the last attachment does, even
        // if the program dies.
        shmctl(id, IPC_RMID, nullptr);
        if (p == reinterpret_cast<void*>(-1)) {
            p = nullptr;
            id = -1;
        }
    }
    if (!p) {
        p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
    }
    // Fault everything in with one call; where the kernel cannot, pages come on first use.
    madvise(p, bytes, kPopulateWrite);
    try {
        std::lock_guard lock(BlocksMutex());
        Blocks().push_back({static_cast<char*>(p), bytes, id});
    } catch (...) {
        if (id >= 0)
            shmdt(p);
        else
            munmap(p, bytes);
        throw std::bad_alloc();
    }
    return p;
}

void ReleasePictureMemory(void* p, size_t bytes) noexcept {
    if (!p)
        return;
    if (bytes < kSharedAtLeast) {
        ::operator delete(p);
        return;
    }
    bool mapped = false;
    int id = -1;
    {
        std::lock_guard lock(BlocksMutex());
        auto& blocks = Blocks();
        auto it =
            std::find_if(blocks.begin(), blocks.end(), [p](const Block& b) { return b.base == p; });
        if (it != blocks.end()) {
            mapped = true;
            id = it->id;
            blocks.erase(it);
        }
    }
    if (!mapped)
        ::operator delete(p);
    else if (id >= 0)
        shmdt(p);
    else
        munmap(p, bytes);
}

int PictureMemorySegment(const void* p, size_t bytes, void** base) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(p);
    std::lock_guard lock(BlocksMutex());
    for (const Block& b : Blocks()) {
        const uintptr_t start = reinterpret_cast<uintptr_t>(b.base);
        if (b.id >= 0 && at >= start && bytes <= b.size && at - start <= b.size - bytes) {
            if (base)
                *base = b.base;
            return b.id;
        }
    }
    return -1;
}

} // namespace tess
