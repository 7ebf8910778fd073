// The desktop program: the book on SDL2, run in the folder of its content.
#include <cstdio>
#include <string>

#include "app/book_app.h"
#include "framework/runtime.h"
#include "framework/sdl/sdl_platform.h"

int main() {
  std::string why;
  auto platform = fw::sdl::CreateSdlPlatform(&why);
  if (!platform) {
    std::fprintf(stderr, "pippalee: no display to show the book on (%s)\n", why.c_str());
    return 1;
  }
  fw::SetPlatform(platform.get());
  int code = 0;
  {
    CBookApp app;
    code = fw::RunApplication(app);
  }
  // A session ended from outside (a signal, the desktop logging out) leaves
  // windows up; their titles are withdrawn before the process ends.
  fw::ResetRuntime();
  fw::SetPlatform(nullptr);
  return code;
}
