#include "platform/largealloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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
