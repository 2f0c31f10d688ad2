#include "platform/largealloc.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <mutex>
#include <vector>

namespace kv {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kLargeBlock = std::size_t(4) << 20;

std::size_t RoundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }

// A few freed blocks are kept for the next columns: reading a document again,
// or the next one, then fills memory whose pages are already there. A block is
// handed out again only for a request of at least half its size.
constexpr std::size_t kKeptBytes = std::size_t(64) << 20;

struct KeptBlock {
    void* block;
    std::size_t size;
};

class KeptBlocks {
public:
    void* Take(std::size_t size) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::size_t best = blocks_.size();
        for (std::size_t i = 0; i < blocks_.size(); ++i)
            if (blocks_[i].size >= size && blocks_[i].size / 2 <= size &&
                (best == blocks_.size() || blocks_[i].size < blocks_[best].size))
                best = i;
        if (best == blocks_.size()) return nullptr;
        void* p = blocks_[best].block;
        bytes_ -= blocks_[best].size;
        blocks_.erase(blocks_.begin() + std::ptrdiff_t(best));
        return p;
    }
    void Give(void* block, std::size_t size) noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        if (size > kKeptBytes || blocks_.size() == blocks_.capacity()) {
            std::free(block);
            return;
        }
        // The oldest go first when room is short.
        while (bytes_ + size > kKeptBytes) {
            std::free(blocks_.front().block);
            bytes_ -= blocks_.front().size;
            blocks_.erase(blocks_.begin());
        }
        blocks_.push_back({block, size});  // within the reserved capacity: no throw
        bytes_ += size;
    }
    KeptBlocks() { blocks_.reserve(16); }

private:
    std::mutex mutex_;
    std::vector<KeptBlock> blocks_;
    std::size_t bytes_ = 0;
};

// Never destroyed: columns of static objects may be freed after every static
// destructor has run.
KeptBlocks& Kept() {
    static KeptBlocks* kept = new KeptBlocks;
    return *kept;
}

}  // namespace

void* AllocateLargeBlock(std::size_t bytes) {
    if (bytes < kLargeBlock) return ::operator new(bytes);
    if (bytes > std::size_t(-1) - kHugePage) throw std::bad_alloc();
    // Whole huge pages from an aligned start, so the allocator's own header
    // never shares the first of them.
    const std::size_t size = RoundUp(bytes, kHugePage);
    if (void* kept = Kept().Take(size)) return kept;
    void* p = std::aligned_alloc(kHugePage, size);
    if (!p) throw std::bad_alloc();
    (void)::madvise(p, size, MADV_HUGEPAGE);
    return p;
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept {
    if (!block) return;
    if (bytes < kLargeBlock) ::operator delete(block);
    else Kept().Give(block, RoundUp(bytes, kHugePage));
}

void AdviseHugePages(void* data, std::size_t bytes) noexcept {
    const std::uintptr_t begin = RoundUp(std::uintptr_t(data), kHugePage);
    const std::uintptr_t end = (std::uintptr_t(data) + bytes) / kHugePage * kHugePage;
    if (end > begin) (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

std::uint64_t AvailableMemory() {
    std::uint64_t bytes = 0;
    if (std::FILE* f = std::fopen("/proc/meminfo", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            unsigned long long kb = 0;
            if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) {
                bytes = std::uint64_t(kb) * 1024;
                break;
            }
        }
        std::fclose(f);
    }
    if (bytes == 0) {
        const long pages = ::sysconf(_SC_PHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
        bytes = pages > 0 && size > 0 ? std::uint64_t(pages) * std::uint64_t(size) : UINT64_MAX;
    }
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        struct rlimit lim;
        if (::getrlimit(resource, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY)
            bytes = std::min<std::uint64_t>(bytes, lim.rlim_cur);
    }
    return bytes;
}

}  // namespace kv
