// The desktop's clipboard owner, read back with xclip under Xvfb, and CUPS
// printing on a CUPS server of the test's own.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include "framework/sdl/cups_printing.h"
#include "framework/sdl/x11_clipboard.h"
#include "tests/print_desktop/desktop_services.h"

using namespace print_test;
using desktop_test::CupsServer;
using desktop_test::XServer;

namespace {

// A picture with something in every row and column to get wrong.
void Paint(fw::Surface& s) {
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      s.pixels[y * (s.stride / 4) + x] = static_cast<std::uint32_t>((x * 7) & 0xFF) << 16 |
                                         ((y * 5) & 0xFF) << 8 | ((x + y) & 0xFF);
    }
  }
}

int Differences(const fw::Surface& s, const Image& image) {
  if (image.width != s.width || image.height != s.height) return -1;
  int wrong = 0;
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) wrong += image.At(x, y) != s.Pixel(x, y);
  }
  return wrong;
}

std::string Paste(const std::string& target) {
  std::string out;
  RunCommand("timeout 10 xclip -selection clipboard -t " + target + " -o 2>/dev/null", &out);
  return out;
}

}  // namespace

TEST(DesktopClipboard, ServesPngAndBmpUntilAnotherProgramCopies) {
  XServer x;
  if (!x.ok()) GTEST_SKIP() << x.why();
  if (!HaveTool("xclip")) GTEST_SKIP() << "xclip is not installed";
  fw::Surface image(590, 440);
  Paint(image);
  ASSERT_TRUE(fw::sdl::PublishClipboardImage(image));

  const std::string targets = Paste("TARGETS");
  EXPECT_NE(targets.find("image/png"), std::string::npos) << targets;
  EXPECT_NE(targets.find("image/bmp"), std::string::npos) << targets;
  EXPECT_EQ(Differences(image, DecodePng(Paste("image/png"))), 0);
  const std::string bmp = Paste("image/bmp");
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(U32(bmp, 2), bmp.size());
  EXPECT_EQ(I32(bmp, 18), 590);
  EXPECT_EQ(I32(bmp, 22), 440);
  // Bottom-up rows: the first stored row is the picture's last.
  const std::uint32_t corner = U32(bmp, 54) & 0xFFFFFF;
  EXPECT_EQ(corner, image.Pixel(0, 439));
  EXPECT_EQ(Paste("text/plain"), "");  // what it does not have, it does not give

  // Large data goes in pieces to clients that take it so.
  fw::sdl::SetClipboardChunkLimit(4096);
  EXPECT_EQ(Differences(image, DecodePng(Paste("image/png"))), 0);
  EXPECT_EQ(Paste("image/bmp"), bmp);
  fw::sdl::SetClipboardChunkLimit(0);

  // A new copy replaces the old.
  fw::Surface small(3, 2);
  Paint(small);
  ASSERT_TRUE(fw::sdl::PublishClipboardImage(small));
  EXPECT_EQ(Differences(small, DecodePng(Paste("image/png"))), 0);

  // Another program takes the selection: it is its text that is pasted now.
  ASSERT_TRUE(RunCommand(
      "printf other | timeout 10 xclip -selection clipboard -i -loops 1 >/dev/null 2>&1 &"));
  std::string pasted;
  for (int i = 0; i < 100 && pasted != "other"; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    RunCommand("timeout 5 xclip -selection clipboard -o 2>/dev/null", &pasted);
  }
  EXPECT_EQ(pasted, "other");
  fw::sdl::StopClipboard();
}

// The display going away under the clipboard ends the clipboard's service
// only: the program goes on, a new copy is refused, and stopping returns.
TEST(DesktopClipboard, LosingTheDisplayEndsOnlyTheService) {
  fw::Surface image(16, 8);
  Paint(image);
  {
    XServer x;
    if (!x.ok()) GTEST_SKIP() << x.why();
    ASSERT_TRUE(fw::sdl::PublishClipboardImage(image));
  }
  EXPECT_FALSE(fw::sdl::PublishClipboardImage(image));
  fw::sdl::StopClipboard();
}

TEST(DesktopClipboard, NoDisplayRefusesTheImage) {
  const char* old = getenv("DISPLAY");
  const std::string saved = old ? old : "";
  setenv("DISPLAY", ":999", 1);
  fw::sdl::StopClipboard();
  fw::Surface image(4, 4);
  EXPECT_FALSE(fw::sdl::PublishClipboardImage(image));
  if (old)
    setenv("DISPLAY", saved.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

TEST(DesktopPrinting, ListsTheServersPrintersDefaultFirstAndPrintsOnThem) {
  CupsServer cups;
  if (!cups.ok()) GTEST_SKIP() << cups.why();
  cupsSetServer(cups.socket().c_str());

  std::vector<fw::PrinterInfo> printers;
  EXPECT_EQ(fw::sdl::ListCupsPrinters(printers), fw::PrinterQuery::Ok);
  EXPECT_TRUE(printers.empty());

  ASSERT_TRUE(cups.AddPrinter("attic", "Attic laser", false));
  ASSERT_TRUE(cups.AddPrinter("hall", "Hall inkjet", true));
  ASSERT_EQ(fw::sdl::ListCupsPrinters(printers), fw::PrinterQuery::Ok);
  ASSERT_EQ(printers.size(), 2u);
  EXPECT_EQ(printers[0].name, "hall");
  EXPECT_TRUE(printers[0].isDefault);
  EXPECT_EQ(printers[0].description, "Hall inkjet");
  EXPECT_EQ(printers[1].name, "attic");
  EXPECT_FALSE(printers[1].isDefault);

  const std::string pdf = "%PDF-1.4\n% a document as the printer gets it\n%%EOF\n";
  ASSERT_TRUE(fw::sdl::SubmitCupsJob("attic", "IMAGE", 2, pdf));
  const auto jobs = cups.WaitForJobs(1);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(ReadBytes(jobs[0]), pdf);
  const std::string base = jobs[0].substr(0, jobs[0].size() - 4);
  EXPECT_EQ(ReadBytes(base + ".title"), "IMAGE");
  EXPECT_EQ(ReadBytes(base + ".copies"), "2");

  // A printer the server does not have takes no job.
  EXPECT_FALSE(fw::sdl::SubmitCupsJob("cellar", "IMAGE", 1, pdf));
  cupsSetServer(nullptr);
}

TEST(DesktopPrinting, NoServerIsToldApart) {
  TempFolder folder;
  cupsSetServer((folder.path() + "/nobody.sock").c_str());
  std::vector<fw::PrinterInfo> printers{fw::PrinterInfo{}};
  EXPECT_EQ(fw::sdl::ListCupsPrinters(printers), fw::PrinterQuery::NoServer);
  EXPECT_TRUE(printers.empty());
  EXPECT_FALSE(fw::sdl::SubmitCupsJob("any", "IMAGE", 1, "%PDF-1.4\n"));
  cupsSetServer(nullptr);
}
