// The desktop program: the book on SDL2, run in the folder of its content.
#include <cstdio>

#include "app/book_app.h"
#include "framework/sdl/sdl_platform.h"

int main() {
  auto platform = fw::sdl::CreateSdlPlatform();
  if (!platform) return 1;
  fw::SetPlatform(platform.get());
  int code = 0;
  {
    CBookApp app;
    code = fw::RunApplication(app);
  }
  fw::SetPlatform(nullptr);
  return code;
}
