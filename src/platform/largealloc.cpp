#include "platform/largealloc.h"
#include "platform/safefile.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <charconv>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
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

namespace {

std::uint64_t Saturated(std::uint64_t a, std::uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }
std::uint64_t Less(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : 0; }

// The whole of a small file of the kernel's, or nothing when it cannot be read.
std::optional<std::string> ReadSmallFile(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text)) return std::nullopt;
    return text;
}

// The number that follows `key` at the start of a line of text ("MemFree:
// 123 kB", "inactive_file 4096"), times unit; nothing when no line has it.
std::optional<std::uint64_t> KeyedNumber(std::string_view text, std::string_view key, std::uint64_t unit) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.substr(0, key.size()) != key) continue;
        std::string_view rest = line.substr(key.size());
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
        std::uint64_t v = 0;
        const auto [p, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), v);
        if (ec != std::errc() || p == rest.data()) return std::nullopt;
        return v > UINT64_MAX / unit ? UINT64_MAX : v * unit;
    }
    return std::nullopt;
}

// A control-group limit or usage file: a number, or "max" (no limit).
std::optional<std::uint64_t> GroupValue(const std::string& path) {
    const std::optional<std::string> text = ReadSmallFile(path);
    if (!text) return std::nullopt;
    if (text->rfind("max", 0) == 0) return UINT64_MAX;
    std::uint64_t v = 0;
    const auto [p, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
    if (ec != std::errc() || p == text->data()) return std::nullopt;
    return v;
}

// The directories of the group at `path` (relative to a hierarchy's mount
// point) and of each group above it. A process in a group name space sees its
// own group as the mount point, so that is looked at too.
std::vector<std::string> GroupDirectories(const std::string& mount, std::string path) {
    std::vector<std::string> dirs;
    while (!path.empty() && path.back() == '/') path.pop_back();
    for (;;) {
        dirs.push_back(mount + path);
        if (path.empty()) break;
        path.erase(path.rfind('/'));
    }
    return dirs;
}

// Limits of version 2: memory.max with memory.current, memory.swap.max with
// memory.swap.current.
std::uint64_t UnifiedGroupLeft(const std::string& mount, const std::string& path, std::uint64_t swapFree) {
    std::uint64_t left = UINT64_MAX;
    for (const std::string& dir : GroupDirectories(mount, path)) {
        const std::optional<std::uint64_t> max = GroupValue(dir + "/memory.max");
        if (!max || *max == UINT64_MAX) continue;
        const std::uint64_t current = GroupValue(dir + "/memory.current").value_or(0);
        const std::optional<std::string> stat = ReadSmallFile(dir + "/memory.stat");
        const std::uint64_t droppable = stat ? KeyedNumber(*stat, "inactive_file", 1).value_or(0) : 0;
        std::uint64_t swap = swapFree;
        if (const std::optional<std::uint64_t> swapMax = GroupValue(dir + "/memory.swap.max"))
            if (*swapMax != UINT64_MAX)
                swap = std::min(swap, Less(*swapMax, GroupValue(dir + "/memory.swap.current").value_or(0)));
        left = std::min(left, Saturated(Less(*max, Less(current, droppable)), swap));
    }
    return left;
}

// Limits of version 1: memory.limit_in_bytes with memory.usage_in_bytes, and
// the limit of memory and swap together, memory.memsw.limit_in_bytes with
// memory.memsw.usage_in_bytes. A limit of 2^62 or more is the kernel's "none".
std::uint64_t LegacyGroupLeft(const std::string& mount, const std::string& path, std::uint64_t swapFree) {
    constexpr std::uint64_t kNoLimit = std::uint64_t(1) << 62;
    std::uint64_t left = UINT64_MAX;
    for (const std::string& dir : GroupDirectories(mount, path)) {
        const std::optional<std::uint64_t> limit = GroupValue(dir + "/memory.limit_in_bytes");
        const std::optional<std::uint64_t> both = GroupValue(dir + "/memory.memsw.limit_in_bytes");
        const bool memoryLimited = limit && *limit < kNoLimit;
        const bool bothLimited = both && *both < kNoLimit;
        if (!memoryLimited && !bothLimited) continue;
        const std::optional<std::string> stat = ReadSmallFile(dir + "/memory.stat");
        const std::uint64_t droppable = stat ? KeyedNumber(*stat, "total_inactive_file", 1).value_or(0) : 0;
        if (memoryLimited) {
            const std::uint64_t usage = GroupValue(dir + "/memory.usage_in_bytes").value_or(0);
            left = std::min(left, Saturated(Less(*limit, Less(usage, droppable)), swapFree));
        }
        if (bothLimited) {
            const std::uint64_t usage = GroupValue(dir + "/memory.memsw.usage_in_bytes").value_or(0);
            left = std::min(left, Less(*both, Less(usage, droppable)));
        }
    }
    return left;
}

}  // namespace

std::uint64_t SystemMemoryLeft(std::string_view meminfo) {
    std::optional<std::uint64_t> available = KeyedNumber(meminfo, "MemAvailable:", 1024);
    if (!available) available = KeyedNumber(meminfo, "MemFree:", 1024);
    if (!available) return UINT64_MAX;
    return Saturated(*available, SwapFree(meminfo));
}

std::uint64_t SwapFree(std::string_view meminfo) { return KeyedNumber(meminfo, "SwapFree:", 1024).value_or(0); }

std::uint64_t ControlGroupMemoryLeft(std::string_view selfCgroup, const std::string& cgroupRoot,
                                     std::uint64_t swapFree) {
    std::uint64_t left = UINT64_MAX;
    // Lines "hierarchy:controllers:path"; version 2's has no controllers.
    for (std::size_t at = 0; at < selfCgroup.size();) {
        std::size_t end = selfCgroup.find('\n', at);
        if (end == std::string_view::npos) end = selfCgroup.size();
        const std::string_view line = selfCgroup.substr(at, end - at);
        at = end + 1;
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second == std::string_view::npos) continue;
        const std::string_view controllers = line.substr(first + 1, second - first - 1);
        const std::string path(line.substr(second + 1));
        if (controllers.empty()) {
            // The unified hierarchy: at the root, or beside the others.
            for (const char* mount : {"", "/unified"}) {
                const std::string root = cgroupRoot + mount;
                if (ReadSmallFile(root + "/cgroup.controllers")) {
                    left = std::min(left, UnifiedGroupLeft(root, path, swapFree));
                    break;
                }
            }
            continue;
        }
        for (std::size_t c = 0; c <= controllers.size();) {
            std::size_t stop = controllers.find(',', c);
            if (stop == std::string_view::npos) stop = controllers.size();
            if (controllers.substr(c, stop - c) == "memory") {
                left = std::min(left, LegacyGroupLeft(cgroupRoot + "/memory", path, swapFree));
                break;
            }
            c = stop + 1;
        }
    }
    return left;
}

std::uint64_t AvailableMemory() {
    const std::string meminfo = ReadSmallFile("/proc/meminfo").value_or("");
    std::uint64_t bytes = SystemMemoryLeft(meminfo);
    if (bytes == UINT64_MAX) {
        const long pages = ::sysconf(_SC_PHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
        if (pages > 0 && size > 0) bytes = std::uint64_t(pages) * std::uint64_t(size);
    }
    if (const std::optional<std::string> groups = ReadSmallFile("/proc/self/cgroup"))
        bytes = std::min(bytes, ControlGroupMemoryLeft(*groups, "/sys/fs/cgroup", SwapFree(meminfo)));
    const std::optional<std::string> status = ReadSmallFile("/proc/self/status");
    const std::pair<int, const char*> limits[] = {{RLIMIT_AS, "VmSize:"}, {RLIMIT_DATA, "VmData:"}};
    for (const auto& [resource, used] : limits) {
        struct rlimit lim;
        if (::getrlimit(resource, &lim) != 0 || lim.rlim_cur == RLIM_INFINITY) continue;
        const std::uint64_t inUse = status ? KeyedNumber(*status, used, 1024).value_or(0) : 0;
        bytes = std::min(bytes, Less(std::uint64_t(lim.rlim_cur), inUse));
    }
    return bytes;
}

}  // namespace kv
