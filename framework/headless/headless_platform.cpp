#include "framework/headless/headless_platform.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "framework/dialog.h"
#include "framework/runtime.h"

namespace fw::headless {

namespace {
std::atomic<int> g_counter{0};
}

HeadlessPlatform::HeadlessPlatform() {
  // Each headless program sees only its own windows unless a test shares a scope.
  scope_ = "headless-" + std::to_string(getpid()) + "-" + std::to_string(++g_counter);
}

HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::At(DWORD time, Action action) {
  timed_.push_back(Step{time, nextOrder_++, std::move(action)});
  std::stable_sort(timed_.begin(), timed_.end(), [](const Step& a, const Step& b) {
    return static_cast<int32_t>(a.time - b.time) < 0;
  });
  if (static_cast<int32_t>(time - lastScripted_) > 0) lastScripted_ = time;
}

void HeadlessPlatform::After(DWORD delay, Action action) {
  const DWORD base = static_cast<int32_t>(lastScripted_ - now_) > 0 ? lastScripted_ : now_;
  At(base + delay, std::move(action));
}

void HeadlessPlatform::WhenIdle(Action action) { idle_.push_back(std::move(action)); }

void HeadlessPlatform::RunDue(DWORD until) {
  while (!timed_.empty() && static_cast<int32_t>(timed_.front().time - until) <= 0) {
    Step s = std::move(timed_.front());
    timed_.erase(timed_.begin());
    if (static_cast<int32_t>(s.time - now_) > 0) now_ = s.time;
    s.action();
  }
}

void HeadlessPlatform::Sleep(DWORD ms, InputSink& sink) {
  sink_ = &sink;
  const DWORD until = now_ + ms;
  RunDue(until);
  now_ = until;
}

bool HeadlessPlatform::WaitForInput(int timeoutMs, InputSink& sink) {
  sink_ = &sink;
  if (!idle_.empty()) {
    Action a = std::move(idle_.front());
    idle_.erase(idle_.begin());
    a();
    return true;
  }
  if (timed_.empty()) return false;  // the scripted user has nothing more to do
  const DWORD next = timed_.front().time;
  if (timeoutMs >= 0 && static_cast<int32_t>(next - (now_ + static_cast<DWORD>(timeoutMs))) > 0) {
    now_ += static_cast<DWORD>(timeoutMs);
    return true;
  }
  RunDue(static_cast<int32_t>(next - now_) > 0 ? next : now_);
  return true;
}

NativeWindowId HeadlessPlatform::WindowAt(int x, int y, int* cx, int* cy) const {
  for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it) {
    const TopLevel& w = windows.at(*it);
    if (!w.shown || w.destroyed || w.minimized) continue;
    const TopLevelDesc& d = w.desc;
    if (x >= d.x && x < d.x + d.width && y >= d.y && y < d.y + d.height) {
      *cx = x - d.x;
      *cy = y - d.y;
      return *it;
    }
  }
  return kNoNativeWindow;
}

void HeadlessPlatform::Deliver(InputEvent e) {
  e.time = now_;
  if (sink_)
    sink_->Deliver(e);
  else
    fw::RT().Deliver(e);
}

void HeadlessPlatform::MoveMouse(int x, int y, UINT buttons, UINT modifiers) {
  InputEvent e;
  e.kind = InputKind::MouseMove;
  e.window = WindowAt(x, y, &e.x, &e.y);
  if (e.window == kNoNativeWindow) return;
  buttons_ = buttons;
  modifiers_ = modifiers;
  e.buttons = buttons;
  e.modifiers = modifiers;
  Deliver(e);
}

void HeadlessPlatform::PressMouse(int x, int y, MouseButton button, UINT modifiers) {
  InputEvent e;
  e.kind = InputKind::MouseDown;
  e.window = WindowAt(x, y, &e.x, &e.y);
  if (e.window == kNoNativeWindow) return;
  buttons_ |= ButtonFlag(button);
  e.button = button;
  e.buttons = buttons_;
  e.modifiers = modifiers;
  Deliver(e);
}

void HeadlessPlatform::ReleaseMouse(int x, int y, MouseButton button, UINT modifiers) {
  InputEvent e;
  e.kind = InputKind::MouseUp;
  e.window = WindowAt(x, y, &e.x, &e.y);
  buttons_ &= ~ButtonFlag(button);
  if (e.window == kNoNativeWindow) return;
  e.button = button;
  e.buttons = buttons_;
  e.modifiers = modifiers;
  Deliver(e);
}

void HeadlessPlatform::Click(int x, int y) {
  PressMouse(x, y);
  ReleaseMouse(x, y);
}

void HeadlessPlatform::KeyDown(UINT vk, bool repeat) {
  InputEvent e;
  e.kind = InputKind::KeyDown;
  e.vk = vk;
  e.repeat = repeat;
  if (vk == VK_CONTROL) modifiers_ |= MK_CONTROL;
  if (vk == VK_SHIFT) modifiers_ |= MK_SHIFT;
  e.modifiers = modifiers_;
  e.buttons = buttons_;
  // Keys go to the window the platform last activated.
  e.window = activations.empty() ? kNoNativeWindow : activations.back();
  for (auto it = activations.rbegin(); it != activations.rend(); ++it) {
    auto w = windows.find(*it);
    if (w != windows.end() && !w->second.destroyed) {
      e.window = *it;
      break;
    }
  }
  Deliver(e);
}

void HeadlessPlatform::KeyUp(UINT vk) {
  InputEvent e;
  e.kind = InputKind::KeyUp;
  e.vk = vk;
  if (vk == VK_CONTROL) modifiers_ &= ~MK_CONTROL;
  if (vk == VK_SHIFT) modifiers_ &= ~MK_SHIFT;
  e.modifiers = modifiers_;
  e.buttons = buttons_;
  for (auto it = activations.rbegin(); it != activations.rend(); ++it) {
    auto w = windows.find(*it);
    if (w != windows.end() && !w->second.destroyed) {
      e.window = *it;
      break;
    }
  }
  Deliver(e);
}

void HeadlessPlatform::Key(UINT vk) {
  KeyDown(vk);
  KeyUp(vk);
}

void HeadlessPlatform::CloseWindow(NativeWindowId id) {
  InputEvent e;
  e.kind = InputKind::Close;
  e.window = id;
  Deliver(e);
}

void HeadlessPlatform::CoverAndUncover(NativeWindowId id) {
  auto it = fw::RT().byNative.find(id);
  if (it == fw::RT().byNative.end()) return;
  Surface* s = it->second->surface.get();
  if (s && s->pixels) {
    // Whatever covered the window left its own pixels there.
    for (int y = 0; y < s->height; ++y) {
      for (int x = 0; x < s->width; ++x) s->pixels[y * (s->stride / 4) + x] = 0xFF00FF;
    }
  }
  InputEvent e;
  e.kind = InputKind::Expose;
  e.window = id;
  e.exposed = RECT{0, 0, s ? s->width : 0, s ? s->height : 0};
  Deliver(e);
}

bool HeadlessPlatform::ClickDialogButton(int id) {
  CDialog* d = fw::ActiveModalDialog();
  POINT p;
  if (!fw::ControlCentre(d, id, &p)) return false;
  Click(p.x, p.y);
  return true;
}

NativeWindowId HeadlessPlatform::CreateTopLevel(const TopLevelDesc& desc) {
  const NativeWindowId id = nextId_++;
  TopLevel w;
  w.desc = desc;
  if (desc.fullScreen) {
    w.desc.x = w.desc.y = 0;
    w.desc.width = screen_.cx;
    w.desc.height = screen_.cy;
  }
  windows[id] = w;
  zOrder_.push_back(id);
  return id;
}

void HeadlessPlatform::DestroyTopLevel(NativeWindowId id) {
  auto it = windows.find(id);
  if (it != windows.end()) it->second.destroyed = true;
  zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
}

void HeadlessPlatform::ShowTopLevel(NativeWindowId id, int showCommand) {
  auto it = windows.find(id);
  if (it == windows.end()) return;
  TopLevel& w = it->second;
  switch (showCommand) {
    case SW_HIDE:
      w.shown = false;
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      w.shown = true;
      w.minimized = true;
      break;
    case SW_SHOWMAXIMIZED:
      w.desc.x = w.desc.y = 0;
      w.desc.width = screen_.cx;
      w.desc.height = screen_.cy;
      w.shown = true;
      w.minimized = false;
      break;
    default:
      w.shown = true;
      w.minimized = false;
      break;
  }
}

bool HeadlessPlatform::IsMinimized(NativeWindowId id) {
  auto it = windows.find(id);
  return it != windows.end() && it->second.minimized;
}

void HeadlessPlatform::SetTitle(NativeWindowId id, const std::string& title) {
  auto it = windows.find(id);
  if (it != windows.end()) it->second.desc.title = title;
}

void HeadlessPlatform::SetIcon(NativeWindowId, const IconImage&) {}

void HeadlessPlatform::Activate(NativeWindowId id) {
  auto it = windows.find(id);
  if (it == windows.end()) return;
  it->second.minimized = false;
  activations.push_back(id);
  zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
  zOrder_.push_back(id);
}

void HeadlessPlatform::Present(NativeWindowId id, const Surface& surface,
                               const std::vector<RECT>& damage,
                               const std::vector<ScreenText>& /*text*/) {
  auto it = windows.find(id);
  if (it != windows.end()) ++it->second.presents;
  showings.push_back(Showing{id, damage});
  if (onPresent) onPresent(id, surface);
}

bool HeadlessPlatform::DiskFreeBytes(const std::string&, std::uint64_t& bytes) {
  if (!diskFree_) return false;
  bytes = *diskFree_;
  return true;
}

std::unique_ptr<SoundOutput> HeadlessPlatform::OpenSound(SoundKind kind, const std::string& path) {
  soundsOpened.push_back(path);
  return sounds.Open(kind, path);
}

bool HeadlessPlatform::PublishClipboardImage(const Surface& image) {
  if (clipboardRefuses || !image.pixels) return false;
  ClipboardImage c;
  c.width = image.width;
  c.height = image.height;
  c.pixels.reserve(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) c.pixels.push_back(image.Pixel(x, y));
  }
  clipboard.push_back(std::move(c));
  return true;
}

PrinterQuery HeadlessPlatform::ListPrinters(std::vector<PrinterInfo>& list) {
  list.clear();
  if (!printers) return PrinterQuery::NoServer;
  for (const auto& p : *printers) {
    if (p.isDefault)
      list.insert(list.begin(), p);
    else
      list.push_back(p);
  }
  return PrinterQuery::Ok;
}

bool HeadlessPlatform::SubmitPrintJob(const std::string& printer, const std::string& title,
                                      int copies, const std::string& pdf) {
  if (printServerRefuses || !printers) return false;
  printJobs.push_back(PrintJobRecord{printer, title, copies, pdf});
  return true;
}

}  // namespace fw::headless
