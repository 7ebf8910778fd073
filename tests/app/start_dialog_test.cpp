// The start dialog's splash and its about-document button, and the two dialog
// templates, on the headless platform.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/path_resolver.h"
#include "framework/surface.h"
#include "framework/wnd_internal.h"
#include "image/image_impl.h"
#include "image/picture.h"
#include "resources/resources.h"
#include "tests/support/book_run.h"

using testing_support::BookRun;
using testing_support::WriteFile;

namespace {

constexpr std::uint32_t kSplashColour = 0x20C040;  // as the surface holds it

// A 40 by 30 splash in one colour, written by the library's own writer.
void WriteSplash(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  CPicture picture;
  int type = IMAGE_PNG;
  ASSERT_TRUE(picture.CreateImpl(path, type));
  ASSERT_GT(picture.Create(40, 30, 8, 3), 0);
  const BYTE palette[] = {0x20, 0xC0, 0x40, 0, 0, 0};
  ASSERT_TRUE(picture.SetPalette(2, palette));
  ASSERT_TRUE(picture.GetImpl()->Write(path));
  // The data-file check wants the splash at its size; a PNG reader stops at
  // the end chunk, so the zeros after it are never read.
  std::filesystem::resize_file(path, testing_support::kSizedDataFiles[0].size);
}

std::uint32_t DialogPixel(int x, int y) {
  CDialog* dialog = fw::ActiveModalDialog();
  fw::Surface* s = dialog ? fw::WindowSurface(dialog->m_hWnd) : nullptr;
  if (!s || x >= s->width || y >= s->height) return 0xDEADBEEF;
  return s->pixels[y * (s->stride / 4) + x] & 0xFFFFFF;
}

}  // namespace

TEST(StartDialog, SplashIsDrawnAtSixSixAndAgainWhenUncovered) {
  BookRun run;
  WriteSplash(run.contentDir + "/books/splash.png");
  std::uint32_t first[3] = {}, again[3] = {};
  std::string title;
  auto corners = [](std::uint32_t* out) {
    out[0] = DialogPixel(6, 6);
    out[1] = DialogPixel(45, 35);  // the splash's last pixel
    out[2] = DialogPixel(5, 5);    // just outside it
  };
  run.platform.WhenIdle([&] {
    corners(first);
    title = fw::ActiveModalDialog()->GetWindowText();
    run.platform.CoverAndUncover(fw::ActiveModalDialog()->m_hWnd->native);
  });
  run.platform.WhenIdle([&] {
    corners(again);
    run.platform.Key(VK_RETURN);
  });
  run.Run();
  for (std::uint32_t* seen : {first, again}) {
    EXPECT_EQ(seen[0], kSplashColour);
    EXPECT_EQ(seen[1], kSplashColour);
    EXPECT_NE(seen[2], kSplashColour);
  }
  EXPECT_EQ(title, "Pippalee");
}

TEST(StartDialog, AboutButtonOpensTheDocumentEachTimeAndTheDialogStays) {
  BookRun run;
  WriteFile(run.contentDir + "/About.DOC", "{\\rtf1 about}");
  bool stillUp = false;
  run.platform.WhenIdle([&] { run.platform.ClickDialogButton(resources::IDC_START_ABOUT); });
  run.platform.WhenIdle([&] { run.platform.ClickDialogButton(resources::IDC_START_ABOUT); });
  run.platform.WhenIdle([&] {
    stillUp = fw::ActiveModalDialog() != nullptr;
    run.platform.Key(VK_RETURN);
  });
  run.Run();
  EXPECT_TRUE(stillUp);
  ASSERT_EQ(run.platform.viewers.size(), 2u);
  for (const auto& viewer : run.platform.viewers) {
    // The program asks for "about.doc"; the file on disk is spelt otherwise.
    EXPECT_EQ(viewer.document, std::filesystem::canonical(run.contentDir + "/About.DOC").string());
    EXPECT_EQ(viewer.workingDir, run.configDir);
  }
}

TEST(StartDialog, MissingAboutDocumentStartsNothing) {
  BookRun run;
  bool stillUp = false;
  run.platform.WhenIdle([&] { run.platform.ClickDialogButton(resources::IDC_START_ABOUT); });
  run.platform.WhenIdle([&] {
    stillUp = fw::ActiveModalDialog() != nullptr;
    run.platform.Key(VK_RETURN);
  });
  run.Run();
  EXPECT_TRUE(stillUp);
  EXPECT_TRUE(run.platform.viewers.empty());
}

namespace {

// One control of a template as the book has it; rectangles in dialog units.
struct ControlRow {
  int dialog;
  const char* kind;  // "button", "default button" or "text"
  int id;
  const char* text;
  int x, y, width, height;
  DWORD style;
};

constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kText = WS_CHILD | WS_VISIBLE | WS_GROUP;

const ControlRow kControls[] = {
    {resources::IDD_START, "button", 1025, "&OK", 5, 164, 49, 17, kButton},
    {resources::IDD_START, "button", 1010, "All About  Brightleaf", 64, 164, 94, 17, kButton},
    {resources::IDD_START, "button", 1026, "&Cancel", 167, 164, 49, 17, kButton},
    {resources::IDD_ABOUTBOX, "text", 0xFFFF, "Made by Brightleaf Books", 19, 22, 151, 8,
     kText | fw::SS_CENTER},
    {resources::IDD_ABOUTBOX, "default button", IDOK, "&Close", 82, 85, 34, 13,
     kButton | WS_GROUP | fw::BS_DEFPUSHBUTTON},
    {resources::IDD_ABOUTBOX, "text", 0xFFFF, "Pippalee Download Version 1.0", 39, 8, 110, 8,
     kText | fw::SS_LEFT},
    {resources::IDD_ABOUTBOX, "text", 0xFFFF, "Press ESC key to exit Pippalee", 42, 70, 112, 8,
     kText | fw::SS_LEFT},
    {resources::IDD_ABOUTBOX, "text", 0xFFFF, "Free to copy and share at home.", 19, 46, 154, 8,
     kText | fw::SS_LEFT},
    {resources::IDD_ABOUTBOX, "text", 0xFFFF, "Thanks for reading!", 66, 56, 77, 8,
     kText | fw::SS_CENTER},
    {resources::IDD_ABOUTBOX, "text", 0xFFFF, "More in order.doc", 59, 34, 73, 8,
     kText | fw::SS_LEFT},
};

struct DialogRow {
  int dialog;
  DWORD style;
  const char* caption;
  const char* font;
  int points;
  int width, height;
};

const DialogRow kDialogs[] = {
    {resources::IDD_START, WS_POPUP | WS_VISIBLE | fw::DS_MODALFRAME | fw::DS_SETFONT, "",
     "MS Sans Serif", 8, 220, 185},
    {resources::IDD_ABOUTBOX,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | fw::DS_MODALFRAME | fw::DS_SETFONT, "About Pippalee",
     "Arial", 10, 193, 105},
};

const char* KindName(fw::DialogControl::Kind kind) {
  switch (kind) {
    case fw::DialogControl::Kind::PushButton:
      return "button";
    case fw::DialogControl::Kind::DefPushButton:
      return "default button";
    case fw::DialogControl::Kind::Static:
      return "text";
  }
  return "?";
}

// The controls of the dialog on screen, each with its rectangle in the
// dialog's client pixels, in the order made.
struct ShownControl {
  int id;
  std::string text;
  CRect rect;
};
std::vector<ShownControl> ShownControls() {
  std::vector<ShownControl> shown;
  CDialog* d = fw::ActiveModalDialog();
  if (!d) return shown;
  for (HWND h : d->m_hWnd->children) {
    CWnd* c = CWnd::FromHandle(h);
    RECT r;
    c->GetWindowRect(&r);
    POINT tl{r.left, r.top}, br{r.right, r.bottom};
    d->ScreenToClient(&tl);
    d->ScreenToClient(&br);
    shown.push_back({c->GetDlgCtrlID(), c->GetWindowText(), CRect(tl.x, tl.y, br.x, br.y)});
  }
  return shown;
}

}  // namespace

TEST(DialogTemplates, TheStartDialogAndTheAboutBoxHoldTheirControls) {
  resources::RegisterProgramResources();
  for (const DialogRow& d : kDialogs) {
    SCOPED_TRACE("template " + std::to_string(d.dialog));
    const fw::DialogTemplate* t = fw::FindDialogTemplate(d.dialog);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->style, d.style);
    EXPECT_EQ(t->caption, d.caption);
    EXPECT_EQ(t->fontFace, d.font);
    EXPECT_EQ(t->fontPoints, d.points);
    EXPECT_EQ(t->width, d.width);
    EXPECT_EQ(t->height, d.height);
    std::vector<const ControlRow*> rows;
    for (const ControlRow& r : kControls) {
      if (r.dialog == d.dialog) rows.push_back(&r);
    }
    ASSERT_EQ(t->controls.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      const ControlRow& want = *rows[i];
      const fw::DialogControl& c = t->controls[i];
      SCOPED_TRACE(want.text);
      EXPECT_STREQ(KindName(c.kind), want.kind);
      EXPECT_EQ(c.id, want.id);
      EXPECT_EQ(c.text, want.text);
      EXPECT_EQ(c.x, want.x);
      EXPECT_EQ(c.y, want.y);
      EXPECT_EQ(c.width, want.width);
      EXPECT_EQ(c.height, want.height);
      EXPECT_EQ(c.style, want.style);
    }
  }
}

// The dialogs on screen are made from those templates: every control in its
// place, in the template's order.
TEST(DialogTemplates, DialogsOnScreenPlaceEveryControlOfTheirTemplate) {
  BookRun run;
  std::map<int, std::vector<ShownControl>> shown;
  run.platform.WhenIdle([&] {
    shown[resources::IDD_START] = ShownControls();
    run.platform.Key(VK_RETURN);
  });
  run.platform.WhenIdle([&] { run.platform.Key(VK_F1); });
  run.platform.WhenIdle([&] {
    shown[resources::IDD_ABOUTBOX] = ShownControls();
    run.platform.Key(VK_ESCAPE);
  });
  run.Run();
  for (const DialogRow& d : kDialogs) {
    SCOPED_TRACE("dialog " + std::to_string(d.dialog));
    const fw::DialogTemplate* t = fw::FindDialogTemplate(d.dialog);
    ASSERT_NE(t, nullptr);
    const std::vector<ShownControl>& controls = shown[d.dialog];
    std::vector<const ControlRow*> rows;
    for (const ControlRow& r : kControls) {
      if (r.dialog == d.dialog) rows.push_back(&r);
    }
    ASSERT_EQ(controls.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      const ControlRow& want = *rows[i];
      SCOPED_TRACE(want.text);
      const POINT tl = CDialog::DialogUnitsToPixels(*t, want.x, want.y);
      const POINT br = CDialog::DialogUnitsToPixels(*t, want.x + want.width, want.y + want.height);
      EXPECT_EQ(controls[i].id, want.id);
      EXPECT_EQ(controls[i].text, want.text);
      EXPECT_EQ(controls[i].rect.left, tl.x);
      EXPECT_EQ(controls[i].rect.top, tl.y);
      EXPECT_EQ(controls[i].rect.right, br.x);
      EXPECT_EQ(controls[i].rect.bottom, br.y);
    }
  }
}
