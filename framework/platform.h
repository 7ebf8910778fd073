// The platform seam: everything the framework needs from the machine it runs on.
// Two implementations exist: sdl/ (the desktop) and headless/ (tests, with a
// virtual clock and a scripted user). Everything above this seam, drawing
// included, is the same code on both.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/wintypes.h"

namespace fw {

struct Surface;

// Identifies one top-level window (frame, dialog, message box) on the platform.
using NativeWindowId = std::uint32_t;
constexpr NativeWindowId kNoNativeWindow = 0;

struct TopLevelDesc {
  // Client area in logical screen coordinates.
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  std::string title;
  bool decorated = false;                  // a caption bar with a close control
  bool fullScreen = false;                 // the main frame: covers one whole monitor
  NativeWindowId owner = kNoNativeWindow;  // kept above its owner
};

enum class InputKind {
  MouseMove,
  MouseDown,
  MouseUp,
  KeyDown,
  KeyUp,
  Close,        // the window's close control
  Expose,       // part of the window must be drawn again
  FocusGained,  // the platform gave the window the keyboard focus
  Quit,         // the session ends
};

enum class MouseButton { None = 0, Left = 1, Right = 2, Middle = 3 };

// The MK_ flag that says a button is held; 0 for none.
constexpr UINT ButtonFlag(MouseButton b) {
  switch (b) {
    case MouseButton::Left:
      return MK_LBUTTON;
    case MouseButton::Right:
      return MK_RBUTTON;
    case MouseButton::Middle:
      return MK_MBUTTON;
    default:
      return 0;
  }
}

// A run of text that the platform draws itself, at the physical size, over
// the window's enlarged pixels (the surface holds none of its glyphs). In
// surface pixels: the top-left of its cell, and where it still shows.
struct ScreenText {
  std::string face;
  int pixelHeight = 0;
  bool bold = false;
  int x = 0;
  int y = 0;
  std::string text;
  COLORREF color = 0;
  std::vector<RECT> shows;  // boxes, not overlapping
};

// The factor num / den by which a window is shown enlarged.
struct WindowScale {
  int num = 1;
  int den = 1;
  bool one() const { return num == den; }
};

struct InputEvent {
  InputKind kind = InputKind::MouseMove;
  NativeWindowId window = kNoNativeWindow;
  int x = 0;  // client coordinates of the window, logical pixels
  int y = 0;
  MouseButton button = MouseButton::None;
  UINT buttons = 0;     // MK_LBUTTON, MK_RBUTTON, MK_MBUTTON held after the event
  UINT modifiers = 0;   // MK_SHIFT, MK_CONTROL held
  UINT vk = 0;          // virtual-key code of a key event
  bool repeat = false;  // a key event made by the keyboard's auto-repeat
  DWORD time = 0;       // when the input was made, on the tick clock
  RECT exposed{};       // for Expose, client coordinates
};

// Where the platform delivers input. The framework queues it without
// dispatching, so input made while a handler sleeps keeps its true time.
class InputSink {
 public:
  virtual ~InputSink() = default;
  virtual void Deliver(const InputEvent& event) = 0;
};

// A 32 by 32 monochrome cursor or a colour icon, as pixels (0xAARRGGBB).
struct CursorImage {
  int width = 0;
  int height = 0;
  int hotX = 0;
  int hotY = 0;
  std::vector<std::uint32_t> argb;
};
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
};

// One open sound on the platform's player.
class SoundOutput {
 public:
  virtual ~SoundOutput() = default;  // closes: the sound stops at once
  virtual void Play() = 0;           // from the current position; returns at once
  virtual void Pause() = 0;          // keeps the position
  virtual void SeekToStart() = 0;    // stopped at the start
};
enum class SoundKind { Wave, Midi };

// A record of one media-control command, for the headless platform's log.
// A printer of the print server, with the paper it prints on by default.
struct PrinterInfo {
  std::string name;         // the queue's name, as jobs are sent to it
  std::string description;  // what the server says about it (may be empty)
  bool isDefault = false;
  // Paper and the unprintable margin, in points (1/72 inch).
  double paperWidth = 595.28;  // A4
  double paperHeight = 841.89;
  double margin = 18.0;
};

// What asking the print server for its printers found.
enum class PrinterQuery {
  Ok,        // the list is complete (it may be empty)
  NoServer,  // no print server could be reached
};

struct MciRecord {
  UINT deviceId = 0;
  UINT command = 0;
  DWORD flags = 0;
  std::string deviceType;
  std::string element;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- time
  virtual DWORD TickCount() = 0;
  // Blocks for ms milliseconds; input made meanwhile goes to sink with its time.
  virtual void Sleep(DWORD ms, InputSink& sink) = 0;
  // Waits until input arrives or timeoutMs passes (timeoutMs < 0: no limit).
  // Returns false when nothing can ever arrive (the headless script is done).
  virtual bool WaitForInput(int timeoutMs, InputSink& sink) = 0;
  // Safe from any thread: ends a WaitForInput early, so that requests queued
  // by another thread (a second copy asking to be activated) are seen soon.
  virtual void Wake() {}

  // --- screen and windows
  virtual SIZE LogicalScreenSize() = 0;
  virtual NativeWindowId CreateTopLevel(const TopLevelDesc& desc) = 0;
  virtual void DestroyTopLevel(NativeWindowId id) = 0;
  virtual void ShowTopLevel(NativeWindowId id, int showCommand) = 0;
  virtual bool IsMinimized(NativeWindowId id) = 0;
  virtual void SetTitle(NativeWindowId id, const std::string& title) = 0;
  virtual void SetIcon(NativeWindowId id, const IconImage& icon) = 0;
  // Raises the window above others and gives it the keyboard focus.
  virtual void Activate(NativeWindowId id) = 0;
  // Makes what has been drawn into the window's surface visible: the boxes of
  // damage (surface pixels, not overlapping) changed since the last showing.
  // A platform that has lost what it showed sends the whole surface. text is
  // every run the window's text still shows, drawn over the pixels.
  virtual void Present(NativeWindowId id, const Surface& surface, const std::vector<RECT>& damage,
                       const std::vector<ScreenText>& text) = 0;
  // The factor at which the platform draws the window's text itself
  // (ScreenText); 1 when text goes into the surface like any drawing.
  virtual WindowScale TextScale(NativeWindowId /*id*/) { return {}; }
  virtual void SetCursor(const CursorImage* cursor) = 0;

  // --- disk: free bytes on the volume holding dir; false when unknown
  virtual bool DiskFreeBytes(const std::string& dir, std::uint64_t& bytes) = 0;

  // --- sound; null when the file cannot be played (no device, bad file)
  virtual std::unique_ptr<SoundOutput> OpenSound(SoundKind kind, const std::string& path) = 0;
  virtual void RecordMci(const MciRecord& /*record*/) {}
  // Every message box shown, for the headless platform's log.
  virtual void RecordMessageBox(const std::string& /*caption*/, const std::string& /*text*/,
                                UINT /*type*/) {}

  // --- shell: start a document viewer; false when none could be started
  virtual bool StartViewer(const std::string& document, const std::string& workingDir) = 0;

  // --- clipboard: offers image to other programs until something else is
  // copied; false when the clipboard cannot take it.
  virtual bool PublishClipboardImage(const Surface& /*image*/) { return false; }

  // --- printing: the print server's printers, the default one first
  virtual PrinterQuery ListPrinters(std::vector<PrinterInfo>& printers) {
    printers.clear();
    return PrinterQuery::NoServer;
  }
  // Sends a PDF document to printer; false when the server did not accept it.
  virtual bool SubmitPrintJob(const std::string& /*printer*/, const std::string& /*title*/,
                              int /*copies*/, const std::string& /*pdf*/) {
    return false;
  }

  // --- single instance: windows are findable by title among the processes that
  // share this scope (the display on the desktop; one test run when headless)
  virtual std::string InstanceScope() = 0;

  // --- ending the process at once, with no exit processing
  [[noreturn]] virtual void ExitProcess(int code) = 0;
};

// The platform in use. Set once by the program's entry point or by a test.
Platform& CurrentPlatform();
bool HasPlatform();
void SetPlatform(Platform* platform);

}  // namespace fw
