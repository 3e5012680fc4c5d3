#pragma once
// Memory for whole pictures. Normally the ordinary heap (which reuses the memory of the
// picture before, as a recording's frames want). A process that makes one big picture and
// ends (the command-line snapshot) turns on prefaulted blocks: then blocks of a megabyte or
// more are mappings of their own, on huge pages where the system allows them on request, and
// faulted in with one call. Touching fresh pages one by one costs a page fault each, which
// on some virtual machines is a large part of a snapshot's time.
#include <cstddef>
#include <new>
#include <utility>

namespace tess {

// Big blocks are prefaulted mappings from now on (true) or again heap memory (false).
// Blocks already made keep what they are.
void UsePrefaultedPictureMemory(bool prefaulted);

// Raw blocks, always zero-filled (big ones by the kernel, which hands out fresh pages
// zeroed; writing the zeros again would touch every page once more). Allocate throws
// std::bad_alloc like operator new; Release takes the size given to Allocate.
void* AllocatePictureMemory(size_t bytes);
void ReleasePictureMemory(void* p, size_t bytes) noexcept;

// A standard allocator over those blocks, for std::vector.
template <class T> struct PictureAllocator {
    using value_type = T;
    PictureAllocator() = default;
    template <class U> PictureAllocator(const PictureAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > static_cast<size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(AllocatePictureMemory(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { ReleasePictureMemory(p, n * sizeof(T)); }
    // Elements made without a value are left as the block has them (zero bytes), so that a
    // vector of a picture's size is not written over before its first real use.
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <class U> bool operator==(const PictureAllocator<U>&) const noexcept { return true; }
};

} // namespace tess
