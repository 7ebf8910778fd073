// Copy and print of the page in whole runs of the book: what reaches the
// clipboard, the printer and "image.wmf" is what the page view shows.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/clipboard.h"
#include "framework/dialog.h"
#include "framework/metafile.h"
#include "framework/print.h"
#include "tests/print/print_support.h"
#include "tests/support/stage_fixture.h"

using namespace testing_support;
using print_test::EmfRecords;
using print_test::I32;
using print_test::PdfPageCount;
using print_test::ReadBytes;
using print_test::U32;

namespace {

CPageView& View() { return BookRun::Frame()->m_mainScreen.m_pageView; }

constexpr int kViewX = kStageX + 50;
constexpr int kViewY = kStageY + 40;
std::uint32_t ViewPixel(int x, int y) { return FrameSurface().Pixel(kViewX + x, kViewY + y); }

std::vector<std::uint32_t> ViewPixels() {
  std::vector<std::uint32_t> v;
  for (int y = 0; y < 440; ++y) {
    for (int x = 0; x < 590; ++x) v.push_back(ViewPixel(x, y));
  }
  return v;
}

void StartOnPage(BookRun& run) {
  WriteStage(run.contentDir);
  WritePage(run.contentDir, 1, 1);
  WritePage(run.contentDir, 1, 2);
  PassStartDialog(run);
}

void CtrlKey(BookRun& run, UINT key) {
  run.platform.KeyDown(VK_CONTROL);
  run.platform.Key(key);
  run.platform.KeyUp(VK_CONTROL);
}

CPrintDialog* PrintDialogUp() { return dynamic_cast<CPrintDialog*>(fw::ActiveModalDialog()); }

// The pixels of the bitmap record of an EMF file, row by row from the top.
std::vector<std::uint32_t> EmfPixels(const std::string& b, int* width, int* height) {
  std::vector<std::uint32_t> out;
  const auto records = EmfRecords(b);
  if (records.size() != 3 || records[1].type != EMR_BITBLT) return out;
  const std::size_t r = records[1].offset;
  const std::uint32_t bmi = U32(b, r + 84), bits = U32(b, r + 92);
  *width = I32(b, r + bmi + 4);
  *height = I32(b, r + bmi + 8);
  const std::size_t row = (static_cast<std::size_t>(*width) * 3 + 3) & ~std::size_t{3};
  if (r + bits + row * static_cast<std::size_t>(*height) > b.size()) return {};
  for (int y = 0; y < *height; ++y) {
    const std::size_t line = r + bits + static_cast<std::size_t>(*height - 1 - y) * row;
    for (int x = 0; x < *width; ++x) {
      const auto c = [&](int k) { return static_cast<unsigned char>(b[line + 3 * x + k]); };
      out.push_back(static_cast<std::uint32_t>(c(2)) << 16 | c(1) << 8 | c(0));
    }
  }
  return out;
}

}  // namespace

TEST(PageCopy, AfterRubbingTheClipboardHoldsTheViewAsShown) {
  BookRun run;
  StartOnPage(run);
  std::vector<std::uint32_t> shown;
  std::uint32_t rubbed = 0;
  run.platform.WhenIdle([&] {
    View().TurnPage(0, 0, 1, 0);
    View().Rub(200, 150, 0);
    View().Rub(400, 300, 0);
    shown = ViewPixels();
    rubbed = ViewPixel(200 - 44, 150 - 35);  // the middle of the first circle
    CtrlKey(run, 'C');
  });
  run.Run();
  ASSERT_EQ(run.platform.clipboard.size(), 1u);
  const auto& copied = run.platform.clipboard[0];
  EXPECT_EQ(copied.width, 590);
  EXPECT_EQ(copied.height, 440);
  EXPECT_EQ(copied.pixels, shown);
  // The copy shows the outline and the rubbed colour, not one of them only.
  EXPECT_EQ(rubbed, PatternColour(200 - 44, 150 - 35));
  EXPECT_EQ(copied.Pixel(10, 10), OutlineColour(1, 1));
}

TEST(PageCopy, RightAfterATurnTheClipboardHoldsThePlainOutline) {
  BookRun run;
  StartOnPage(run);
  run.platform.WhenIdle([&] {
    View().TurnPage(0, 0, 1, 0);
    View().Rub(200, 150, 0);
    View().TurnPage(0, 0, 1, 1);
    View().CopyToClipboard();
  });
  run.Run();
  ASSERT_EQ(run.platform.clipboard.size(), 1u);
  const auto& copied = run.platform.clipboard[0];
  int other = 0;
  for (std::uint32_t p : copied.pixels) other += p != OutlineColour(1, 2);
  EXPECT_EQ(other, 0);
}

TEST(PageCopy, ABitmapTheClipboardRefusesIsDeleted) {
  BookRun run;
  StartOnPage(run);
  int before = -1, after = -1;
  run.platform.clipboardRefuses = true;
  run.platform.WhenIdle([&] {
    View().TurnPage(0, 0, 1, 0);
    // Whatever an earlier copy left on the clipboard goes first.
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    before = fw::BitmapState::live;
    View().CopyToClipboard();
    after = fw::BitmapState::live;
  });
  run.Run();
  EXPECT_TRUE(run.platform.clipboard.empty());
  EXPECT_EQ(after, before);
}

TEST(PagePrint, CancelPrintsNothingAndWritesNothing) {
  BookRun run;
  StartOnPage(run);
  run.platform.printers = std::vector<fw::PrinterInfo>{{"desk", "", true}};
  bool dialogShown = false;
  run.platform.WhenIdle([&] {
    View().TurnPage(0, 0, 1, 0);
    CtrlKey(run, 'P');
  });
  run.platform.WhenIdle([&] {
    dialogShown = PrintDialogUp() != nullptr;
    run.platform.ClickDialogButton(IDCANCEL);
  });
  run.Run();
  EXPECT_TRUE(dialogShown);
  EXPECT_TRUE(run.platform.printJobs.empty());
  EXPECT_FALSE(std::filesystem::exists(run.contentDir + "/image.wmf"));
}

TEST(PagePrint, WithoutAPrinterTheDialogSaysSoAndNothingIsWritten) {
  BookRun run;
  StartOnPage(run);  // the headless platform has no print server
  std::vector<std::string> texts;
  run.platform.WhenIdle([&] { CtrlKey(run, 'P'); });
  run.platform.WhenIdle([&] {
    if (CPrintDialog* d = PrintDialogUp()) texts = fw::DialogTexts(d);
    run.platform.Key(VK_RETURN);
  });
  run.Run();
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      "The print server cannot be reached, so nothing can be printed."),
            texts.end());
  EXPECT_TRUE(run.platform.printJobs.empty());
  EXPECT_FALSE(std::filesystem::exists(run.contentDir + "/image.wmf"));
}

TEST(PagePrint, OkPrintsOnePageAndWritesImageWmfReplacedByTheNextPrint) {
  BookRun run;
  StartOnPage(run);
  run.platform.printers = std::vector<fw::PrinterInfo>{{"desk", "", true}};
  std::vector<std::uint32_t> firstShown, secondShown;
  std::string firstFile;
  bool rangeFixed = false;
  run.platform.WhenIdle([&] {
    View().TurnPage(0, 0, 1, 0);
    firstShown = ViewPixels();
    CtrlKey(run, 'P');
  });
  run.platform.WhenIdle([&] {
    if (CPrintDialog* d = PrintDialogUp()) {
      CWnd* from = d->GetDlgItem(CPrintDialog::kFromPage);
      CWnd* to = d->GetDlgItem(CPrintDialog::kToPage);
      rangeFixed = from && to && !from->IsWindowEnabled() && !to->IsWindowEnabled() &&
                   from->GetWindowText() == "1" && to->GetWindowText() == "1";
    }
    run.platform.Key(VK_RETURN);  // OK is the default button
  });
  run.platform.WhenIdle([&] {
    firstFile = ReadBytes(run.contentDir + "/image.wmf");
    View().Rub(300, 200, 0);
    secondShown = ViewPixels();
    CtrlKey(run, 'P');
  });
  run.platform.WhenIdle([&] { run.platform.ClickDialogButton(IDOK); });
  run.Run();
  EXPECT_TRUE(rangeFixed);
  ASSERT_EQ(run.platform.printJobs.size(), 2u);
  for (const auto& job : run.platform.printJobs) {
    EXPECT_EQ(job.title, "IMAGE");
    EXPECT_EQ(job.printer, "desk");
    EXPECT_EQ(job.copies, 1);
    EXPECT_EQ(PdfPageCount(job.pdf), 1);
  }
  // Each print leaves the picture it printed in image.wmf.
  int w = 0, h = 0;
  EXPECT_EQ(EmfPixels(firstFile, &w, &h), firstShown);
  EXPECT_EQ(w, 590);
  EXPECT_EQ(h, 440);
  const std::string second = ReadBytes(run.contentDir + "/image.wmf");
  EXPECT_NE(second, firstFile);
  EXPECT_EQ(EmfPixels(second, &w, &h), secondShown);
  // Its frame is the view's size in hundredths of a millimetre at 96 pixels
  // to the inch (590 pixels are 156.1 mm), its description the program's.
  EXPECT_EQ(I32(second, 24), 0);
  EXPECT_EQ(I32(second, 32), 15610);
  EXPECT_EQ(I32(second, 36), 11642);
  std::string description;
  for (std::uint32_t i = 0; i < U32(second, 60); ++i) {
    description += static_cast<char>(second[U32(second, 64) + 2 * i]);
  }
  EXPECT_EQ(description, std::string("Pippalee\0\0", 10));
}

TEST(PagePrint, ThePageFillsThePrintableWidthAtItsTopLeft) {
  if (!print_test::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
  BookRun run;
  StartOnPage(run);
  // Letter paper with half an inch of margin: 7.5 inches printable.
  fw::PrinterInfo letter{"desk", "", true, 612, 792, 36};
  run.platform.printers = std::vector<fw::PrinterInfo>{letter};
  run.platform.WhenIdle([&] {
    View().TurnPage(0, 0, 1, 0);
    View().PrintPage();
  });
  run.platform.WhenIdle([&] { run.platform.ClickDialogButton(IDOK); });
  run.Run();
  ASSERT_EQ(run.platform.printJobs.size(), 1u);
  print_test::TempFolder folder;
  // At 40 dots to the inch: margin 20, picture 300 wide and 300 * 440 / 590
  // (223.7) high.
  const print_test::Image page =
      print_test::RenderPdfPage(run.platform.printJobs[0].pdf, folder.path(), 40);
  ASSERT_EQ(page.width, 340);
  ASSERT_EQ(page.height, 440);
  const std::uint32_t outline = OutlineColour(1, 1);
  auto near = [](std::uint32_t a, std::uint32_t b) {
    for (int s : {0, 8, 16}) {
      if (std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF)) > 24) {
        return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(near(page.At(22, 22), outline));
  EXPECT_TRUE(near(page.At(318, 22), outline));    // across the printable width
  EXPECT_TRUE(near(page.At(22, 241), outline));    // down to 223 dots below the margin
  EXPECT_TRUE(near(page.At(22, 248), 0xFFFFFF));   // then paper
  EXPECT_TRUE(near(page.At(10, 10), 0xFFFFFF));    // the margin
  EXPECT_TRUE(near(page.At(330, 100), 0xFFFFFF));  // the right margin
}

TEST(PagePrint, AnUnwritableImageWmfStillPrintsThePage) {
  BookRun run;
  StartOnPage(run);
  run.platform.printers = std::vector<fw::PrinterInfo>{{"desk", "", true}};
  // A folder where the file would go: it cannot be written.
  std::filesystem::create_directories(run.contentDir + "/image.wmf");
  run.platform.WhenIdle([&] {
    View().TurnPage(0, 0, 1, 0);
    View().PrintPage();
  });
  run.platform.WhenIdle([&] { run.platform.ClickDialogButton(IDOK); });
  run.Run();
  ASSERT_EQ(run.platform.printJobs.size(), 1u);
  EXPECT_EQ(PdfPageCount(run.platform.printJobs[0].pdf), 1);
  EXPECT_TRUE(std::filesystem::is_directory(run.contentDir + "/image.wmf"));
}
