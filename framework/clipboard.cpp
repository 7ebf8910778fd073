#include "framework/clipboard.h"

#include "framework/platform.h"
#include "framework/wnd.h"

namespace fw {
namespace {

struct ClipboardState {
  ~ClipboardState() {
    if (held) ::DeleteObject(held);
  }
  bool open = false;
  HBITMAP held = nullptr;
};

ClipboardState& Clip() {
  static ClipboardState state;
  return state;
}

}  // namespace

HBITMAP ClipboardBitmap() { return Clip().held; }

}  // namespace fw

BOOL OpenClipboard(HWND owner) {
  auto& c = fw::Clip();
  if (c.open) return FALSE;  // another caller has it open
  if (owner && !IsWindow(owner)) return FALSE;
  c.open = true;
  return TRUE;
}

BOOL EmptyClipboard() {
  auto& c = fw::Clip();
  if (!c.open) return FALSE;
  if (c.held) ::DeleteObject(c.held);
  c.held = nullptr;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  auto& c = fw::Clip();
  if (!c.open || format != CF_BITMAP || !data || !fw::HasPlatform()) return nullptr;
  auto* bitmap =
      fw::As<fw::BitmapState>(static_cast<HGDIOBJ>(data), fw::GdiObjectState::Kind::Bitmap);
  if (!bitmap || bitmap->stock || !bitmap->surface.pixels) return nullptr;
  if (!fw::CurrentPlatform().PublishClipboardImage(bitmap->surface)) return nullptr;
  if (c.held && c.held != bitmap) ::DeleteObject(c.held);
  c.held = bitmap;
  return data;
}

BOOL CloseClipboard() {
  auto& c = fw::Clip();
  if (!c.open) return FALSE;
  c.open = false;
  return TRUE;
}
