// The largest single allocation made while a watch is on, seen through the
// address sanitizer's allocation hooks (the unit tests' build). Tests that
// assert that work is refused before anything large is allocated use it.
#pragma once

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define PIPPALEE_ALLOCATION_WATCH 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIPPALEE_ALLOCATION_WATCH 1
#endif
#endif

#ifdef PIPPALEE_ALLOCATION_WATCH
// The sanitizer runtime's hook (its header is not installed with every
// compiler).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*,
                                                                             std::size_t),
                                                         void (*free_hook)(const volatile void*));
#endif

namespace test_support {

class AllocationWatch {
 public:
  // False when allocations cannot be seen in this build.
  static bool Available() {
#ifdef PIPPALEE_ALLOCATION_WATCH
    return true;
#else
    return false;
#endif
  }

  AllocationWatch() {
    Largest().store(0);
    Watching().store(true);
#ifdef PIPPALEE_ALLOCATION_WATCH
    static const bool installed = [] {
      __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
      return true;
    }();
    (void)installed;
#endif
  }
  ~AllocationWatch() { Watching().store(false); }
  AllocationWatch(const AllocationWatch&) = delete;
  AllocationWatch& operator=(const AllocationWatch&) = delete;

  // Bytes of the largest allocation since the watch began.
  std::size_t largest() const { return Largest().load(); }

 private:
  static std::atomic<std::size_t>& Largest() {
    static std::atomic<std::size_t> bytes{0};
    return bytes;
  }
  static std::atomic<bool>& Watching() {
    static std::atomic<bool> on{false};
    return on;
  }
  static void OnMalloc(const volatile void*, std::size_t size) {
    if (!Watching().load()) return;
    std::size_t seen = Largest().load();
    while (size > seen && !Largest().compare_exchange_weak(seen, size)) {
    }
  }
  static void OnFree(const volatile void*) {}
};

}  // namespace test_support
