#include "platform/largealloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(LargeBlockAllocator, SmallAndLargeBlocksHoldTheirContent) {
    for (std::size_t n : {std::size_t(1), std::size_t(1000), std::size_t(3) << 20, std::size_t(9) << 20}) {
        SCOPED_TRACE(n);
        std::vector<std::uint64_t, kv::LargeBlockAllocator<std::uint64_t>> v(n / 8 + 1, 0x5A5A5A5A5A5A5A5Aull);
        EXPECT_EQ(v.front(), 0x5A5A5A5A5A5A5A5Aull);
        EXPECT_EQ(v.back(), 0x5A5A5A5A5A5A5A5Aull);
        v.push_back(7);  // grows into another block
        EXPECT_EQ(v[v.size() - 2], 0x5A5A5A5A5A5A5A5Aull);
        EXPECT_EQ(v.back(), 7u);
    }
}

TEST(LargeBlockAllocator, LargeBlocksStartOnAHugePage) {
    void* p = kv::AllocateLargeBlock(std::size_t(5) << 20);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % (std::size_t(2) << 20), 0u);
    std::memset(p, 1, std::size_t(5) << 20);
    kv::FreeLargeBlock(p, std::size_t(5) << 20);
    EXPECT_THROW(kv::AllocateLargeBlock(std::size_t(-1) - 10), std::bad_alloc);
}

TEST(LargeBlockAllocator, AdviceLeavesTheBufferAsItWas) {
    std::vector<char> buf(std::size_t(7) << 20, 'k');
    kv::AdviseHugePages(buf.data(), buf.size());
    kv::AdviseHugePages(buf.data(), 100);
    EXPECT_EQ(buf[0], 'k');
    EXPECT_EQ(buf[buf.size() / 2], 'k');
    EXPECT_EQ(buf.back(), 'k');
}

}  // namespace

namespace {

TEST(LargeBlockAllocator, FreedBlocksServeTheNextColumns) {
    const std::size_t big = std::size_t(10) << 20;
    void* a = kv::AllocateLargeBlock(big);
    kv::FreeLargeBlock(a, big);
    void* b = kv::AllocateLargeBlock(big - 1000);  // the same huge pages again
    EXPECT_EQ(b, a);
    void* c = kv::AllocateLargeBlock(big);  // while b is in use, another block
    EXPECT_NE(c, b);
    kv::FreeLargeBlock(b, big - 1000);
    kv::FreeLargeBlock(c, big);
    // A kept block is not wasted on a request of less than half its size.
    void* small = kv::AllocateLargeBlock(std::size_t(4) << 20);
    EXPECT_NE(small, a);
    EXPECT_NE(small, c);
    kv::FreeLargeBlock(small, std::size_t(4) << 20);
}

}  // namespace

namespace {

// What the process may still take counts the free swap, and is limited by every
// memory-limited control group from the process's own up (the page cache a group
// could drop counted as free).
TEST(AvailableMemory, SwapCountsAndControlGroupsLimit) {
    const std::string meminfo =
        "MemTotal:       16000000 kB\nMemFree:          100000 kB\nMemAvailable:    4000000 kB\n"
        "SwapTotal:       8000000 kB\nSwapFree:        2000000 kB\n";
    EXPECT_EQ(kv::SystemMemoryLeft(meminfo), std::uint64_t(6000000) * 1024);
    EXPECT_EQ(kv::SwapFree(meminfo), std::uint64_t(2000000) * 1024);
    EXPECT_EQ(kv::SystemMemoryLeft("MemFree: 10 kB\n"), 10240u) << "a kernel that gives no estimate";

    const std::uint64_t MB = std::uint64_t(1) << 20;
    const std::uint64_t swapFree = 4096 * MB;
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;  // below the mount point
        const char* selfCgroup;
        std::uint64_t left;
    };
    const std::string gb = std::to_string(1024 * MB), halfGb = std::to_string(512 * MB);
    const Case cases[] = {
        {"no limit anywhere", {{"cgroup.controllers", "memory\n"}}, "0::/\n", UINT64_MAX},
        {"a group above the process's own, without swap",
         {{"cgroup.controllers", "memory\n"},
          {"app/memory.max", gb},
          {"app/memory.current", halfGb},
          {"app/memory.stat", "anon 1\ninactive_file " + std::to_string(256 * MB) + "\n"},
          {"app/memory.swap.max", "0\n"},
          {"app/job/memory.max", "max\n"}},
         "0::/app/job\n", 768 * MB},
        {"a group with swap left to the system",
         {{"cgroup.controllers", "memory\n"}, {"app/memory.max", gb}, {"app/memory.current", halfGb}},
         "0::/app\n", 512 * MB + swapFree},
        {"the process's group seen as the mount point",
         {{"cgroup.controllers", "memory\n"}, {"memory.max", gb}, {"memory.current", "0"}},
         "0::/elsewhere/job\n", 1024 * MB + swapFree},
        {"the unified hierarchy beside the others",
         {{"unified/cgroup.controllers", "\n"}, {"unified/box/memory.max", gb}, {"unified/box/memory.swap.max", "0"}},
         "1:name=systemd:/\n0::/box\n", 1024 * MB},
        {"version 1, memory and swap together",
         {{"memory/box/memory.limit_in_bytes", std::to_string(2048 * MB)},
          {"memory/box/memory.usage_in_bytes", gb},
          {"memory/box/memory.memsw.limit_in_bytes", std::to_string(2560 * MB)},
          {"memory/box/memory.memsw.usage_in_bytes", std::to_string(1536 * MB)},
          {"memory/box/memory.stat", "cache 5\ntotal_inactive_file 0\n"},
          {"memory/memory.limit_in_bytes", "9223372036854771712\n"}},
         "4:cpu,memory:/box\n", 1024 * MB},
        {"version 1 without a swap limit",
         {{"memory/box/memory.limit_in_bytes", std::to_string(2048 * MB)},
          {"memory/box/memory.usage_in_bytes", std::to_string(2560 * MB)}},
         "4:memory:/box\n", swapFree},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char pattern[] = "/tmp/kv-cgroup-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        const std::string root = pattern;
        for (const auto& [path, content] : c.files) {
            const std::filesystem::path file = root + "/" + path;
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file) << content;
        }
        EXPECT_EQ(kv::ControlGroupMemoryLeft(c.selfCgroup, root, swapFree), c.left);
        std::filesystem::remove_all(root);
    }
}

}  // namespace
