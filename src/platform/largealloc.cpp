#include "platform/largealloc.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace kv {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kLargeBlock = std::size_t(4) << 20;

std::size_t RoundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }

}  // namespace

void* AllocateLargeBlock(std::size_t bytes) {
    if (bytes < kLargeBlock) return ::operator new(bytes);
    if (bytes > std::size_t(-1) - kHugePage) throw std::bad_alloc();
    // Whole huge pages from an aligned start, so the allocator's own header
    // never shares the first of them.
    const std::size_t size = RoundUp(bytes, kHugePage);
    void* p = std::aligned_alloc(kHugePage, size);
    if (!p) throw std::bad_alloc();
    (void)::madvise(p, size, MADV_HUGEPAGE);
    return p;
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept {
    if (!block) return;
    if (bytes < kLargeBlock) ::operator delete(block);
    else std::free(block);
}

void AdviseHugePages(void* data, std::size_t bytes) noexcept {
    const std::uintptr_t begin = RoundUp(std::uintptr_t(data), kHugePage);
    const std::uintptr_t end = (std::uintptr_t(data) + bytes) / kHugePage * kHugePage;
    if (end > begin) (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace kv
