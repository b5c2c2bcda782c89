#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <sys/mman.h>

// An allocator for the large tables a run fills at once (a tree's items, a manifest): a block of
// 64 KiB or more is mapped with its pages in place. Taking each page on first touch costs
// more than filling it on some machines (virtual ones above all); smaller blocks come from the
// heap as usual.
template <typename T> struct TPrefaultedAllocator
{
    using value_type = T;
    static constexpr std::size_t Large = std::size_t(64) << 10;

    TPrefaultedAllocator() = default;
    template <typename U> TPrefaultedAllocator(const TPrefaultedAllocator<U>&) noexcept {}

    T* allocate(std::size_t n)
    {
        if (n * sizeof(T) < Large)
            return std::allocator<T>().allocate(n);
        void* block = ::mmap(nullptr, n * sizeof(T), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE,
                             -1, 0);
        if (block == MAP_FAILED)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }

    void deallocate(T* block, std::size_t n) noexcept
    {
        if (n * sizeof(T) < Large)
            std::allocator<T>().deallocate(block, n);
        else
            ::munmap(block, n * sizeof(T));
    }

    template <typename U> bool operator==(const TPrefaultedAllocator<U>&) const noexcept { return true; }
};
