#pragma once
// Storage for large arrays that are filled right after they are made, such as a
// data column of a million rows. Filling fresh memory takes a page fault per
// page, and on virtual machines a fault is costly (a 16 MB column took about
// 50 ms of faults). Blocks of 4 MB and more are therefore aligned to 2 MB and
// offered to the system as transparent huge pages, which fault once per 2 MB;
// where the system keeps huge pages off they behave as ordinary memory. Smaller
// blocks come from the ordinary heap. Freed blocks of 64 KB and more are kept
// for the next arrays, whose pages are then already there (the heap would give
// blocks of a few megabytes back to the system at once): up to 64 MB of blocks
// below 4 MB, and up to 1 GB of larger ones, which the system may take back
// whenever it runs short of memory.

#include "platform/containers.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace kv {

// Throws std::bad_alloc when the block cannot be had.
void* AllocateLargeBlock(std::size_t bytes);
// bytes must be what the block was allocated with.
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;
// Offers the whole 2 MB ranges inside an existing buffer as huge pages before it
// is filled (its first and last partial ranges stay ordinary pages).
void AdviseHugePages(void* data, std::size_t bytes) noexcept;
// Gives every kept block back, so that the next large block is new memory.
void ReleaseKeptBlocks() noexcept;
// Gives the memory of the whole pages inside [data, data + bytes) back to the
// system, at once: they read as zeros afterwards and take no memory until they
// are written again. For room an array holds and will not use, and for a block
// whose content was copied elsewhere before it is freed (a freed block is kept,
// and its pages with it, until the system runs short of memory).
void DiscardPages(void* data, std::size_t bytes) noexcept;

// The memory this process can still take: what the system can still give, its
// free swap included; within what each control group the process runs in still
// allows (the page cache it could drop counted as free), and within the
// process's address-space and data limits less what it already uses of them.
// Memory beyond it cannot be had, or only by pushing the process out of memory.
std::uint64_t AvailableMemory();

// The parts of AvailableMemory: from the text of /proc/meminfo, what the system
// can still give (its estimate of available memory and the free swap); from the
// text of /proc/self/cgroup and the control-group file systems mounted under
// cgroupRoot (/sys/fs/cgroup), what the memory limits of the groups on the path
// to the process's own still allow (UINT64_MAX without a limit). Taken apart
// for tests.
std::uint64_t SystemMemoryLeft(std::string_view meminfo);
std::uint64_t ControlGroupMemoryLeft(std::string_view selfCgroup, const std::string& cgroupRoot,
                                     std::uint64_t swapFree);
// The free swap a /proc/meminfo text names.
std::uint64_t SwapFree(std::string_view meminfo);

// A standard allocator over AllocateLargeBlock.
template <class T>
struct LargeBlockAllocator {
    using value_type = T;

    LargeBlockAllocator() = default;
    template <class U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocateLargeBlock(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeLargeBlock(p, n * sizeof(T)); }

    // Elements are made as by the standard allocator: one made without a value
    // is value-initialized (a block may come back from an earlier array with its
    // values in it).
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    // Growth that the caller overwrites at once (TArrayAsVector::
    // ResizeForOverwrite) leaves the element as the block holds it: setting a
    // million elements first would cost a pass over all of them, and would
    // touch pages of room that may never be used.
    template <class U>
    void construct(U* p, ForOverwrite) noexcept {
        static_assert(std::is_trivially_default_constructible_v<U> && std::is_trivially_destructible_v<U>,
                      "only an element with no initialisation of its own may be left unset");
        ::new (static_cast<void*>(p)) U;
    }

    template <class U>
    bool operator==(const LargeBlockAllocator<U>&) const noexcept { return true; }
};

}  // namespace kv
