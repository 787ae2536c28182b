// Memory the program cannot have is its fatal stop, with the size that was
// asked for, rather than an exception nothing is there to catch.
#include <cstdlib>
#include <new>
#include <string>

#include "desktop/fatal.h"

namespace {

void* Allocate(std::size_t size) {
  if (void* p = std::malloc(size ? size : 1)) return p;
  quorvane::FatalRuntimeError("分配 " + std::to_string(size) + " 字节内存失败!");
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
// The nothrow forms keep their promise: callers that ask for them have a
// smaller fallback (temporary buffers of the sorting algorithms).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
