#include "framework/sdl/sdl_platform.h"

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <vector>

#include "framework/kernel_dirs.h"
#include "framework/sdl/cups_printing.h"
#include "framework/sdl/cursors.h"
#include "framework/sdl/input_translator.h"
#include "framework/sdl/mixer_sound.h"
#include "framework/sdl/screen_scale.h"
#include "framework/sdl/top_level.h"
#include "framework/sdl/x11_clipboard.h"
#include "framework/sdl/x11_errors.h"
#include "framework/surface.h"
#include "framework/viewer.h"

namespace fw::sdl {

namespace {

class SdlPlatform : public Platform {
 public:
  SdlPlatform(int display, const ScreenScale& scale)
      : display_(display),
        scale_(scale),
        cursors_(scale.factor),
        translator_([this](Uint32 id) { return Placement(id); }) {
    OpenMixer();
  }

  ~SdlPlatform() override {
    windows_.clear();
    cursors_.Release();
    CloseMixer();
    SDL_Quit();
  }

  DWORD TickCount() override { return SDL_GetTicks(); }

  void Sleep(DWORD ms, InputSink& sink) override {
    sink_ = &sink;
    // Input keeps being taken in while the program sleeps, so that each piece
    // is stamped within a few milliseconds of being made.
    const Uint32 until = SDL_GetTicks() + ms;
    while (true) {
      const Sint32 left = static_cast<Sint32>(until - SDL_GetTicks());
      if (left <= 0) break;
      SDL_Event ev;
      if (SDL_WaitEventTimeout(&ev, left)) Handle(ev, sink);
    }
    Drain(sink);
  }

  bool WaitForInput(int timeoutMs, InputSink& sink) override {
    sink_ = &sink;
    // The wait goes in short steps so that a request from another copy is seen
    // soon. Waking it through SDL instead would have the thread taking the
    // request talk to the display server, which may be gone by then.
    const Uint32 until = SDL_GetTicks() + static_cast<Uint32>(std::max(0, timeoutMs));
    while (!woken_.exchange(false)) {
      int step = kWaitStepMs;
      if (timeoutMs >= 0) {
        const Sint32 left = static_cast<Sint32>(until - SDL_GetTicks());
        if (left <= 0) break;
        step = std::min<int>(step, left);
      }
      SDL_Event ev;
      if (SDL_WaitEventTimeout(&ev, step)) {
        Handle(ev, sink);
        break;
      }
    }
    Drain(sink);
    return true;
  }

  void Wake() override { woken_ = true; }

  SIZE LogicalScreenSize() override { return SIZE{scale_.logicalWidth, scale_.logicalHeight}; }

  NativeWindowId CreateTopLevel(const TopLevelDesc& desc) override {
    const TopLevel* owner = Find(desc.owner);
    auto w = std::make_unique<TopLevel>(desc, display_, scale_, owner ? owner->sdl() : nullptr);
    if (!w->sdl()) return kNoNativeWindow;
    const NativeWindowId id = w->id();
    windows_[id] = std::move(w);
    return id;
  }

  void DestroyTopLevel(NativeWindowId id) override { windows_.erase(id); }

  void ShowTopLevel(NativeWindowId id, int showCommand) override {
    if (TopLevel* w = Find(id)) w->Show(showCommand);
  }

  bool IsMinimized(NativeWindowId id) override {
    TopLevel* w = Find(id);
    return w && w->minimized();
  }

  void SetTitle(NativeWindowId id, const std::string& title) override {
    if (TopLevel* w = Find(id)) SDL_SetWindowTitle(w->sdl(), title.c_str());
  }

  void SetIcon(NativeWindowId id, const IconImage& icon) override {
    TopLevel* w = Find(id);
    if (!w) return;
    if (SDL_Surface* s = ScaledArgbSurface(icon.argb, icon.width, icon.height, ScaleFactor{})) {
      SDL_SetWindowIcon(w->sdl(), s);
      SDL_FreeSurface(s);
    }
  }

  void Activate(NativeWindowId id) override {
    if (TopLevel* w = Find(id)) w->Activate();
  }

  void Present(NativeWindowId id, const Surface& surface, const std::vector<RECT>& damage,
               const std::vector<ScreenText>& text) override {
    if (TopLevel* w = Find(id)) w->Present(surface, damage, text);
    // A handler drawing frame after frame takes input in as it goes, so that
    // what is made meanwhile keeps the time it was made.
    if (sink_) Drain(*sink_);
  }

  WindowScale TextScale(NativeWindowId id) override {
    TopLevel* w = Find(id);
    return w ? w->TextScale() : WindowScale{};
  }

  void SetCursor(const CursorImage* cursor) override { cursors_.Show(cursor); }

  bool DiskFreeBytes(const std::string& dir, std::uint64_t& bytes) override {
    return StatvfsFreeBytes(dir, bytes);
  }

  std::unique_ptr<SoundOutput> OpenSound(SoundKind kind, const std::string& path) override {
    return OpenMixerSound(kind, path);
  }

  bool StartViewer(const std::string& document, const std::string& workingDir) override {
    return StartViewerProcess(document, workingDir);
  }

  bool PublishClipboardImage(const Surface& image) override {
    return sdl::PublishClipboardImage(image);
  }
  PrinterQuery ListPrinters(std::vector<PrinterInfo>& printers) override {
    return ListCupsPrinters(printers);
  }
  bool SubmitPrintJob(const std::string& printer, const std::string& title, int copies,
                      const std::string& pdf) override {
    return SubmitCupsJob(printer, title, copies, pdf);
  }

  std::string InstanceScope() override {
    // Copies of the book find each other when run by the same user on the
    // same display; the screen number after the dot does not matter.
    std::string display;
    if (const char* d = std::getenv("DISPLAY"); d && *d) {
      display = d;
      const auto colon = display.rfind(':');
      const auto dot = display.find('.', colon == std::string::npos ? 0 : colon);
      if (dot != std::string::npos) display.resize(dot);
    } else if (const char* wd = std::getenv("WAYLAND_DISPLAY"); wd && *wd) {
      display = std::string("wayland-") + wd;
    }
    return "user" + std::to_string(getuid()) + "-" + display;
  }

  [[noreturn]] void ExitProcess(int code) override { _exit(code); }

 private:
  TopLevel* Find(NativeWindowId id) {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second.get();
  }

  // The newest shown window kept above w, and the newest above that, and so on.
  TopLevel* TopPopupOf(const TopLevel& w) {
    TopLevel* found = nullptr;
    NativeWindowId owner = w.id();
    for (int depth = 0; depth < 16; ++depth) {
      TopLevel* next = nullptr;
      for (auto& [id, t] : windows_) {
        if (t->owner() == owner && t->shown() && !t->minimized()) next = t.get();
      }
      if (!next) break;
      found = next;
      owner = next->id();
    }
    return found;
  }

  const WindowPlacement* Placement(Uint32 sdlId) {
    TopLevel* w = Find(sdlId);
    return w ? &w->placement() : nullptr;
  }

  void Drain(InputSink& sink) {
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) Handle(ev, sink);
  }

  void Handle(const SDL_Event& ev, InputSink& sink) {
    if (ev.type == SDL_WINDOWEVENT) {
      TopLevel* w = Find(ev.window.windowID);
      if (!w) return;
      if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        // A window with a dialog up (the dialog disables it) hands the focus
        // on to the dialog, so that its keys keep working.
        if (TopLevel* popup = TopPopupOf(*w)) {
          popup->Activate();
          return;
        }
      }
      if (w->OnWindowEvent(ev.window)) {
        // What was shown is gone: the program draws the window again.
        InputEvent e;
        e.kind = InputKind::Expose;
        e.window = w->id();
        e.time = ev.window.timestamp;
        e.exposed = RECT{0, 0, w->placement().logicalWidth, w->placement().logicalHeight};
        sink.Deliver(e);
      }
      if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        translator_.SyncModifiers(SDL_GetModState());
      }
    }
    out_.clear();
    translator_.Translate(ev, out_);
    for (InputEvent& e : out_) {
      // The end of the session goes to the program through any window of it.
      if (e.kind == InputKind::Quit && !windows_.empty()) e.window = windows_.begin()->first;
      sink.Deliver(e);
    }
  }

  int display_;
  ScreenScale scale_;
  CursorSet cursors_;
  InputTranslator translator_;
  std::map<NativeWindowId, std::unique_ptr<TopLevel>> windows_;
  std::vector<InputEvent> out_;
  InputSink* sink_ = nullptr;  // where the program last took its input from
  std::atomic<bool> woken_{false};
  static constexpr int kWaitStepMs = 50;
};

}  // namespace

std::unique_ptr<Platform> CreateSdlPlatform(std::string* why) {
  // A click that brings a window to the front is a click too.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // Fingers are turned into the left button here, one finger at a time.
  SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
  SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
  // The frame stays up while its dialogs have the focus.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // The program draws every pixel itself; the plain X11 framebuffer is enough.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // The desktop's screen saver keeps working as with any other program.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Before SDL starts, so that SDL keeps this handler under its own and puts
  // it back when it closes its connections, where late errors still arrive.
  IgnoreLateWakeupErrors();
  TrapConnectionLoss();
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    if (why) *why = SDL_GetError();
    return nullptr;
  }
  // With no display SDL falls back on drivers that show nothing; the book
  // runs on them only when asked to by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
      !(asked && SDL_strcasecmp(asked, driver) == 0)) {
    if (why) *why = "neither DISPLAY nor WAYLAND_DISPLAY names a display that can be opened";
    SDL_Quit();
    return nullptr;
  }
  // Keys are keys here: no input method composes text from them.
  SDL_StopTextInput();
  SDL_Rect bounds;
  if (SDL_GetNumVideoDisplays() < 1 || SDL_GetDisplayBounds(0, &bounds) != 0) {
    if (why) *why = SDL_GetError();
    SDL_Quit();
    return nullptr;
  }
  return std::make_unique<SdlPlatform>(0, ComputeScreenScale(bounds.w, bounds.h));
}

}  // namespace fw::sdl
