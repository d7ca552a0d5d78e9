// fuzz_memory_limit.h - what the DICOM reader process's address-space limit
// does, for a fuzz target that runs its reading in the fuzzer's process:
// while a Limit lives, an allocation larger than any its input needs throws
// std::bad_alloc (the sanitizer's allocator would end the process instead).
// The target that includes this header replaces operator new and delete for
// its program.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace fuzz_memory {

// Beyond what most inputs of a few kilobytes decode to: small, since what an
// assertion leaves behind is never freed.
constexpr std::size_t MostBytes = std::size_t(4) << 20;

// The fuzzer's own allocations are never limited: one thread reads.
inline bool& Limited() {
    static bool limited = false;
    return limited;
}

struct Limit {
    Limit() { Limited() = true; }
    ~Limit() { Limited() = false; }
};

inline void* Allocate(std::size_t size, std::size_t alignment) {
    if (Limited() && size > MostBytes) throw std::bad_alloc();
    void* p = nullptr;
    if (posix_memalign(&p, alignment < sizeof(void*) ? sizeof(void*) : alignment, size ? size : 1) != 0)
        throw std::bad_alloc();
    return p;
}

inline void* AllocateOrNull(std::size_t size, std::size_t alignment) noexcept {
    try {
        return Allocate(size, alignment);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace fuzz_memory

// Every replaceable form, so that none of the sanitizer's is used (the sized
// ones are declared only where the compiler deallocates by size).
void operator delete(void* p, std::size_t) noexcept;
void operator delete[](void* p, std::size_t) noexcept;
void operator delete(void* p, std::size_t, std::align_val_t) noexcept;
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept;
void* operator new(std::size_t n) { return fuzz_memory::Allocate(n, 0); }
void* operator new[](std::size_t n) { return fuzz_memory::Allocate(n, 0); }
void* operator new(std::size_t n, std::align_val_t a) { return fuzz_memory::Allocate(n, std::size_t(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return fuzz_memory::Allocate(n, std::size_t(a)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return fuzz_memory::AllocateOrNull(n, 0); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return fuzz_memory::AllocateOrNull(n, 0); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return fuzz_memory::AllocateOrNull(n, std::size_t(a));
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return fuzz_memory::AllocateOrNull(n, std::size_t(a));
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
