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
// Blocks from this size on are kept when freed; smaller ones the heap reuses well.
constexpr std::size_t kKeptBlock = std::size_t(64) << 10;

std::size_t RoundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }

// The rounded size of a block of at least kKeptBlock bytes: whole huge pages
// for a large block, whole 64 KB for a smaller one.
std::size_t KeptSize(std::size_t bytes) { return RoundUp(bytes, bytes < kLargeBlock ? kKeptBlock : kHugePage); }

// A few freed blocks are kept for the next columns: reading a document again,
// or the next one, then fills memory whose pages are already there. A block is
// handed out again only for a request of at least half its size, and only for
// one of its own kind (a large block, aligned and freed with free, or a smaller
// one from operator new), so that each is freed as it was made. Large blocks
// are kept as memory the system may take back whenever it runs short
// (MADV_FREE): then the next use faults its pages in afresh, as a new block
// would; until then it finds them there. So they may take much more room than
// the small ones, which stay the program's own.
constexpr std::size_t kKeptSmallBytes = std::size_t(64) << 20;
constexpr std::size_t kKeptLargeBytes = std::size_t(1) << 30;
constexpr std::size_t kKeptCount = 32;

struct KeptBlock {
    void* block;
    std::size_t size;
};

bool IsLarge(std::size_t size) { return size >= kLargeBlock; }

void Release(const KeptBlock& b) noexcept {
    if (IsLarge(b.size)) std::free(b.block);
    else ::operator delete(b.block);
}

class KeptBlocks {
public:
    void* Take(std::size_t size) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::size_t best = blocks_.size();
        for (std::size_t i = 0; i < blocks_.size(); ++i)
            if (IsLarge(blocks_[i].size) == IsLarge(size) && blocks_[i].size >= size &&
                blocks_[i].size / 2 <= size && (best == blocks_.size() || blocks_[i].size < blocks_[best].size))
                best = i;
        if (best == blocks_.size()) return nullptr;
        void* p = blocks_[best].block;
        Bytes(blocks_[best].size) -= blocks_[best].size;
        blocks_.erase(blocks_.begin() + std::ptrdiff_t(best));
        return p;
    }
    void Give(void* block, std::size_t size) noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::size_t budget = IsLarge(size) ? kKeptLargeBytes : kKeptSmallBytes;
        if (size > budget) {
            Release({block, size});
            return;
        }
        // The oldest of the kind go first when room is short, the oldest of all
        // when the list is full.
        while (Bytes(size) + size > budget) Drop(OldestOfKind(size));
        if (blocks_.size() == kKeptCount) Drop(0);
        if (IsLarge(size)) (void)::madvise(block, size, MADV_FREE);
        blocks_.push_back({block, size});  // within the reserved capacity: no throw
        Bytes(size) += size;
    }
    void ReleaseAll() noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        while (!blocks_.empty()) Drop(0);
    }
    KeptBlocks() { blocks_.reserve(kKeptCount); }

private:
    std::size_t& Bytes(std::size_t size) { return IsLarge(size) ? largeBytes_ : smallBytes_; }
    std::size_t OldestOfKind(std::size_t size) const {
        std::size_t i = 0;
        while (IsLarge(blocks_[i].size) != IsLarge(size)) ++i;  // the kind holds bytes, so a block
        return i;
    }
    void Drop(std::size_t i) noexcept {
        Release(blocks_[i]);
        Bytes(blocks_[i].size) -= blocks_[i].size;
        blocks_.erase(blocks_.begin() + std::ptrdiff_t(i));
    }

    std::mutex mutex_;
    std::vector<KeptBlock> blocks_;
    std::size_t smallBytes_ = 0;
    std::size_t largeBytes_ = 0;
};

// Never destroyed: columns of static objects may be freed after every static
// destructor has run.
KeptBlocks& Kept() {
    static KeptBlocks* kept = new KeptBlocks;
    return *kept;
}

}  // namespace

void* AllocateLargeBlock(std::size_t bytes) {
    if (bytes < kKeptBlock) return ::operator new(bytes);
    if (bytes > std::size_t(-1) - kHugePage) throw std::bad_alloc();
    const std::size_t size = KeptSize(bytes);
    if (void* kept = Kept().Take(size)) return kept;
    if (!IsLarge(size)) return ::operator new(size);
    // Whole huge pages from an aligned start, so the allocator's own header
    // never shares the first of them.
    void* p = std::aligned_alloc(kHugePage, size);
    if (!p) throw std::bad_alloc();
    (void)::madvise(p, size, MADV_HUGEPAGE);
    return p;
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept {
    if (!block) return;
    if (bytes < kKeptBlock) ::operator delete(block);
    else Kept().Give(block, KeptSize(bytes));
}

void ReleaseKeptBlocks() noexcept { Kept().ReleaseAll(); }

void DiscardPages(void* data, std::size_t bytes) noexcept {
    static const std::size_t page = [] {
        const long size = ::sysconf(_SC_PAGESIZE);
        return size > 0 ? std::size_t(size) : std::size_t(4096);
    }();
    const std::uintptr_t begin = RoundUp(std::uintptr_t(data), page);
    const std::uintptr_t end = (std::uintptr_t(data) + bytes) / page * page;
    if (end > begin) (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
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
