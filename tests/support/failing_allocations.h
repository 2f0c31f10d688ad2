#pragma once
// Makes allocations of a test program fail on demand, so that code paths for a
// column or curve that cannot be had can be reached. Include it in exactly one
// source file of a test program: it replaces the global allocation functions
// (every plain, array and nothrow form, so that each allocation is freed by its own
// kind also under a sanitizer); until a test sets a size they behave as usual.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace kvtest {

// While set, every allocation of at least that many bytes fails.
inline std::atomic<std::size_t> FailAllocationsFrom{SIZE_MAX};

// Allocations from `bytes` on fail while the object lives.
class FailingAllocations {
public:
    explicit FailingAllocations(std::size_t bytes) { FailAllocationsFrom = bytes; }
    ~FailingAllocations() { FailAllocationsFrom = SIZE_MAX; }
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};

inline void* Allocate(std::size_t n) noexcept {
    if (n >= FailAllocationsFrom.load(std::memory_order_relaxed)) return nullptr;
    return std::malloc(n ? n : 1);
}

}  // namespace kvtest

void* operator new(std::size_t n) {
    if (void* p = kvtest::Allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = kvtest::Allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return kvtest::Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return kvtest::Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
