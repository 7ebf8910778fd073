// The start dialog's splash and its about-document button, on the headless
// platform.
#include <gtest/gtest.h>

#include <filesystem>

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
