// The test platform: a virtual clock, a scripted user, and records of what the
// program showed, played, started and asked.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/headless/headless_sound.h"
#include "framework/platform.h"
#include "framework/surface.h"

namespace fw::headless {

// Thrown by ExitProcess so that a test sees the process end and its code.
struct ProcessExit {
  int code = 0;
};

class HeadlessPlatform : public Platform {
 public:
  HeadlessPlatform();
  ~HeadlessPlatform() override;

  // --- set-up
  void SetScreenSize(int width, int height) { screen_ = SIZE{width, height}; }
  // nullopt: the free space cannot be measured.
  void SetDiskFree(std::optional<std::uint64_t> bytes) { diskFree_ = bytes; }
  void SetInstanceScope(const std::string& scope) { scope_ = scope; }
  DWORD Now() const { return now_; }

  // --- the script. Actions run on the program's thread when the virtual clock
  // reaches their time (also during a Sleep inside a handler, so input they
  // make is stamped with that time), or when the program next waits idle.
  using Action = std::function<void()>;
  void At(DWORD time, Action action);
  void After(DWORD delay, Action action);  // after the last scripted time (or now)
  void WhenIdle(Action action);
  bool ScriptDone() const { return timed_.empty() && idle_.empty(); }

  // --- input, made at the current virtual time; points are logical screen
  // coordinates and go to the topmost shown window under them.
  void MoveMouse(int x, int y, UINT buttons = 0, UINT modifiers = 0);
  void PressMouse(int x, int y, MouseButton button = MouseButton::Left, UINT modifiers = 0);
  void ReleaseMouse(int x, int y, MouseButton button = MouseButton::Left, UINT modifiers = 0);
  void Click(int x, int y);
  void KeyDown(UINT vk, bool repeat = false);
  void KeyUp(UINT vk);
  void Key(UINT vk);  // down and up
  void CloseWindow(NativeWindowId id);
  // Covers a window with another (its pixels are lost) and uncovers it again.
  void CoverAndUncover(NativeWindowId id);
  // Clicks control id of the dialog now taking input; false when there is none.
  bool ClickDialogButton(int id);

  // --- records
  struct TopLevel {
    TopLevelDesc desc;
    bool shown = false;
    bool minimized = false;
    bool destroyed = false;
    int presents = 0;
  };
  struct MessageBoxRecord {
    std::string caption;
    std::string text;
    UINT type = 0;
    DWORD time = 0;
  };
  struct ViewerRecord {
    std::string document;
    std::string workingDir;
  };
  std::map<NativeWindowId, TopLevel> windows;
  std::vector<NativeWindowId> activations;  // in order
  std::vector<MessageBoxRecord> messageBoxes;
  std::vector<MciRecord> mci;
  std::vector<ViewerRecord> viewers;
  std::vector<const CursorImage*> cursors;  // every cursor change
  std::function<void(NativeWindowId, const Surface&)> onPresent;
  // Every showing, with the damage it was handed.
  struct Showing {
    NativeWindowId window = kNoNativeWindow;
    std::vector<RECT> damage;  // surface pixels
  };
  std::vector<Showing> showings;
  std::vector<std::string> soundsOpened;  // paths of sounds opened

  // --- clipboard and printing
  struct ClipboardImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row by row
    std::uint32_t Pixel(int x, int y) const {
      return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
  };
  struct PrintJobRecord {
    std::string printer;
    std::string title;
    int copies = 0;
    std::string pdf;
  };
  std::vector<ClipboardImage> clipboard;  // every image published, in order
  bool clipboardRefuses = false;
  // The print server's printers; nullopt: there is no print server.
  std::optional<std::vector<PrinterInfo>> printers;
  std::vector<PrintJobRecord> printJobs;
  bool printServerRefuses = false;  // jobs are not accepted

  // --- Platform
  DWORD TickCount() override { return now_; }
  void Sleep(DWORD ms, InputSink& sink) override;
  bool WaitForInput(int timeoutMs, InputSink& sink) override;
  SIZE LogicalScreenSize() override { return screen_; }
  NativeWindowId CreateTopLevel(const TopLevelDesc& desc) override;
  void DestroyTopLevel(NativeWindowId id) override;
  void ShowTopLevel(NativeWindowId id, int showCommand) override;
  bool IsMinimized(NativeWindowId id) override;
  void SetTitle(NativeWindowId id, const std::string& title) override;
  void SetIcon(NativeWindowId id, const IconImage& icon) override;
  void Activate(NativeWindowId id) override;
  void Present(NativeWindowId id, const Surface& surface, const std::vector<RECT>& damage,
               const std::vector<ScreenText>& text) override;
  void SetCursor(const CursorImage* cursor) override { cursors.push_back(cursor); }
  bool DiskFreeBytes(const std::string& dir, std::uint64_t& bytes) override;
  std::unique_ptr<SoundOutput> OpenSound(SoundKind kind, const std::string& path) override;
  void RecordMci(const MciRecord& record) override { mci.push_back(record); }
  void RecordMessageBox(const std::string& caption, const std::string& text, UINT type) override {
    messageBoxes.push_back(MessageBoxRecord{caption, text, type, now_});
  }
  bool StartViewer(const std::string& document, const std::string& workingDir) override {
    viewers.push_back(ViewerRecord{document, workingDir});
    return true;
  }
  bool PublishClipboardImage(const Surface& image) override;
  PrinterQuery ListPrinters(std::vector<PrinterInfo>& list) override;
  bool SubmitPrintJob(const std::string& printer, const std::string& title, int copies,
                      const std::string& pdf) override;
  std::string InstanceScope() override { return scope_; }
  [[noreturn]] void ExitProcess(int code) override { throw ProcessExit{code}; }

 private:
  struct Step {
    DWORD time;
    std::uint64_t order;
    Action action;
  };
  void RunDue(DWORD until);
  void Deliver(InputEvent e);
  NativeWindowId WindowAt(int x, int y, int* cx, int* cy) const;

  DWORD now_ = 1000;
  DWORD lastScripted_ = 1000;
  SIZE screen_{800, 600};
  std::optional<std::uint64_t> diskFree_ = std::uint64_t{3} << 30;
  std::string scope_;
  std::vector<Step> timed_;
  std::vector<Action> idle_;
  std::uint64_t nextOrder_ = 0;
  NativeWindowId nextId_ = 1;
  std::vector<NativeWindowId> zOrder_;  // bottom to top
  InputSink* sink_ = nullptr;
  UINT buttons_ = 0;
  UINT modifiers_ = 0;

 public:
  // The sounds opened, on the virtual clock (after the clock, which it reads).
  HeadlessSounds sounds{now_};
};

}  // namespace fw::headless
