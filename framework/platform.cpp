#include "framework/platform.h"

#include <cstdio>
#include <cstdlib>

namespace fw {

namespace {
Platform* g_platform = nullptr;
}

Platform& CurrentPlatform() {
  if (!g_platform) {
    std::fprintf(stderr, "pippalee: no platform\n");
    std::abort();
  }
  return *g_platform;
}

bool HasPlatform() { return g_platform != nullptr; }

void SetPlatform(Platform* platform) { g_platform = platform; }

}  // namespace fw
