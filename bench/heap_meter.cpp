#include "bench/heap_meter.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <malloc.h>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

void* counted(void* p) {
  if (p) {
    const std::size_t now = live += malloc_usable_size(p);
    std::size_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {}
  }
  return p;
}

void uncount(void* p) {
  if (p) live -= malloc_usable_size(p);
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) { return counted(__libc_malloc(size)); }
void* calloc(std::size_t n, std::size_t size) { return counted(__libc_calloc(n, size)); }
void free(void* p) {
  uncount(p);
  __libc_free(p);
}
void* realloc(void* p, std::size_t size) {
  uncount(p);
  return counted(__libc_realloc(p, size));
}
void* memalign(std::size_t alignment, std::size_t size) { return counted(__libc_memalign(alignment, size)); }
void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  void* p = memalign(alignment, size);
  if (!p) return ENOMEM;
  *out = p;
  return 0;
}

}  // extern "C"

namespace heapmeter {

std::size_t peakDuring(const std::function<void()>& work) {
  const std::size_t start = live.load();
  peak = start;
  work();
  return peak.load() - start;
}

}  // namespace heapmeter
