// The clipboard, enhanced metafiles, the print dialog and the printer device
// context, on the headless platform, with a small window to copy from.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "framework/clipboard.h"
#include "framework/dc.h"
#include "framework/dialog.h"
#include "framework/headless/headless_platform.h"
#include "framework/metafile.h"
#include "framework/print.h"
#include "framework/runtime.h"
#include "tests/print/print_support.h"

using namespace print_test;

namespace {

constexpr int kW = 60;
constexpr int kH = 40;

// The picture drawn into the window: four coloured quarters and a dot.
std::uint32_t Expected(int x, int y) {
  if (x == 7 && y == 5) return 0x000000;
  if (y < kH / 2) return x < kW / 2 ? 0xFF0000 : 0x00FF00;
  return x < kW / 2 ? 0x0000FF : 0xFFFF00;
}

class PrintFramework : public ::testing::Test {
 protected:
  void SetUp() override {
    fw::SetPlatform(&platform);
    window.CreateEx(0, AfxRegisterWndClass(0), "copy", WS_POPUP | WS_VISIBLE, 100, 50, kW, kH,
                    nullptr, nullptr);
    CClientDC dc(&window);
    dc.FillSolidRect(0, 0, kW / 2, kH / 2, RGB(255, 0, 0));
    dc.FillSolidRect(kW / 2, 0, kW / 2, kH / 2, RGB(0, 255, 0));
    dc.FillSolidRect(0, kH / 2, kW / 2, kH / 2, RGB(0, 0, 255));
    dc.FillSolidRect(kW / 2, kH / 2, kW / 2, kH / 2, RGB(255, 255, 0));
    dc.FillSolidRect(7, 5, 1, 1, RGB(0, 0, 0));
    char old[4096] = {};
    if (getcwd(old, sizeof old)) oldCwd = old;
    EXPECT_EQ(chdir(folder.path().c_str()), 0);
  }
  void TearDown() override {
    if (!oldCwd.empty()) {
      EXPECT_EQ(chdir(oldCwd.c_str()), 0);
    }
    if (IsWindow(window.m_hWnd)) window.DestroyWindow();
    fw::ResetRuntime();
    fw::SetPlatform(nullptr);
  }

  // The window's pixels copied into a new bitmap, as the page view copies.
  HBITMAP CopyWindow() {
    CClientDC client(&window);
    HDC memory = ::CreateCompatibleDC(client);
    HBITMAP bitmap = ::CreateCompatibleBitmap(client, kW, kH);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    EXPECT_TRUE(::BitBlt(memory, 0, 0, kW, kH, client, 0, 0, SRCCOPY));
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    return bitmap;
  }

  // Runs dialog modally while script answers it; its result.
  INT_PTR RunDialog(CPrintDialog& dialog, std::function<void(CPrintDialog&)> script) {
    platform.WhenIdle([&] { script(dialog); });
    return dialog.DoModal();
  }

  fw::headless::HeadlessPlatform platform;
  CWnd window;
  TempFolder folder;
  std::string oldCwd;
};

void ExpectPicture(const std::vector<std::uint32_t>& pixels, int width, int height) {
  ASSERT_EQ(width, kW);
  ASSERT_EQ(height, kH);
  int wrong = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      if ((pixels[static_cast<size_t>(y * kW + x)] & 0xFFFFFF) != Expected(x, y)) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace

TEST_F(PrintFramework, ClipboardTakesABitmapAndOffersItsPixels) {
  HBITMAP bitmap = CopyWindow();
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
  EXPECT_TRUE(CloseClipboard());
  ASSERT_EQ(platform.clipboard.size(), 1u);
  ExpectPicture(platform.clipboard[0].pixels, platform.clipboard[0].width,
                platform.clipboard[0].height);
  EXPECT_EQ(fw::ClipboardBitmap(), bitmap);

  // The next copy replaces it; the clipboard deletes the bitmap it held.
  const int before = fw::BitmapState::live;
  HBITMAP second = CopyWindow();
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  EXPECT_EQ(fw::BitmapState::live, before);  // the first went, the second came
  EXPECT_EQ(SetClipboardData(CF_BITMAP, second), second);
  CloseClipboard();
  EXPECT_EQ(platform.clipboard.size(), 2u);
}

TEST_F(PrintFramework, ClipboardRefusalsLeaveTheBitmapWithTheCaller) {
  HBITMAP bitmap = CopyWindow();
  // Not open.
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), nullptr);
  // Open twice: the second opening fails until closed.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr));
  // A format it does not know, and a platform that will not take it.
  EXPECT_EQ(SetClipboardData(8, bitmap), nullptr);
  platform.clipboardRefuses = true;
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), nullptr);
  CloseClipboard();
  EXPECT_FALSE(CloseClipboard());
  EXPECT_TRUE(platform.clipboard.empty());
  EXPECT_NE(fw::ClipboardBitmap(), bitmap);
  const int before = fw::BitmapState::live;
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(fw::BitmapState::live, before - 1);
}

TEST_F(PrintFramework, MetafileIsAnEmfWithHeaderBitmapAndEnd) {
  CClientDC client(&window);
  const RECT frame{0, 0, 1587, 1058};  // 60 by 40 pixels at 96 to the inch
  HDC meta = CreateEnhMetaFile(client, "Image.WMF", &frame, "Pippalee");
  ASSERT_NE(meta, nullptr);
  EXPECT_TRUE(::BitBlt(meta, 0, 0, kW, kH, client, 0, 0, SRCCOPY));
  // Nothing reaches the disk before the recording is closed.
  EXPECT_FALSE(std::filesystem::exists(folder.path() + "/Image.WMF"));
  HENHMETAFILE handle = CloseEnhMetaFile(meta);
  ASSERT_NE(handle, nullptr);
  const std::string b = ReadBytes(folder.path() + "/Image.WMF");
  ASSERT_GT(b.size(), 200u);

  const auto records = EmfRecords(b);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].type, EMR_HEADER);
  EXPECT_EQ(records[1].type, EMR_BITBLT);
  EXPECT_EQ(records[2].type, EMR_EOF);
  EXPECT_EQ(records[2].offset + records[2].size, b.size());
  // Header: bounds in pixels, frame in hundredths of a millimetre, signature,
  // size, record count, the description after the fixed part.
  EXPECT_EQ(I32(b, 8), 0);
  EXPECT_EQ(I32(b, 16), kW - 1);
  EXPECT_EQ(I32(b, 20), kH - 1);
  EXPECT_EQ(I32(b, 32), 1587);
  EXPECT_EQ(I32(b, 36), 1058);
  EXPECT_EQ(U32(b, 40), ENHMETA_SIGNATURE);
  EXPECT_EQ(U32(b, 48), b.size());
  EXPECT_EQ(U32(b, 52), 3u);
  const std::uint32_t chars = U32(b, 60), at = U32(b, 64);
  ASSERT_GE(chars, 9u);
  ASSERT_LE(at + 2 * chars, records[0].size);
  std::string description;
  for (std::uint32_t i = 0; i < chars; ++i) description += static_cast<char>(b[at + 2 * i]);
  EXPECT_EQ(description.substr(0, 9), std::string("Pippalee\0", 9));
  // The reference device: 96 pixels to the inch, in pixels and millimetres.
  const double pxPerMm = static_cast<double>(U32(b, 72)) / U32(b, 80);
  EXPECT_NEAR(pxPerMm, 96 / 25.4, 0.05);

  // The bitmap record: destination, SRCCOPY, and a 24-bit bottom-up DIB.
  const std::size_t r = records[1].offset;
  EXPECT_EQ(I32(b, r + 24), 0);
  EXPECT_EQ(I32(b, r + 32), kW);
  EXPECT_EQ(I32(b, r + 36), kH);
  EXPECT_EQ(U32(b, r + 40), SRCCOPY);
  const std::uint32_t bmi = U32(b, r + 84), bits = U32(b, r + 92), bitsSize = U32(b, r + 96);
  EXPECT_EQ(I32(b, r + bmi + 4), kW);
  EXPECT_EQ(I32(b, r + bmi + 8), kH);
  EXPECT_EQ(U32(b, r + bmi + 14) & 0xFFFF, 24u);
  const std::size_t row = (kW * 3 + 3) & ~3;
  ASSERT_EQ(bitsSize, row * kH);
  ASSERT_LE(bits + bitsSize, records[1].size);
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < kH; ++y) {
    const std::size_t line = r + bits + static_cast<std::size_t>(kH - 1 - y) * row;
    for (int x = 0; x < kW; ++x) {
      const auto c = [&](int k) { return static_cast<unsigned char>(b[line + 3 * x + k]); };
      pixels.push_back(static_cast<std::uint32_t>(c(2)) << 16 | c(1) << 8 | c(0));
    }
  }
  ExpectPicture(pixels, kW, kH);
  EXPECT_TRUE(DeleteEnhMetaFile(handle));
  // The file stays.
  EXPECT_TRUE(std::filesystem::exists(folder.path() + "/Image.WMF"));
}

TEST_F(PrintFramework, MetafileOpensInAnIndependentReader) {
  if (!HaveTool("emf2svg-conv")) GTEST_SKIP() << "emf2svg-conv is not installed";
  CClientDC client(&window);
  const RECT frame{0, 0, 1587, 1058};
  HDC meta = CreateEnhMetaFile(client, "image.wmf", &frame, "Pippalee");
  ::BitBlt(meta, 0, 0, kW, kH, client, 0, 0, SRCCOPY);
  DeleteEnhMetaFile(CloseEnhMetaFile(meta));
  std::string svg;
  ASSERT_TRUE(RunCommand("emf2svg-conv -i '" + folder.path() + "/image.wmf' -o /dev/stdout", &svg));
  // The picture comes out as an embedded PNG of the copied pixels.
  const std::string marker = "data:image/png;base64,";
  const std::size_t at = svg.find(marker);
  ASSERT_NE(at, std::string::npos) << svg.substr(0, 400);
  const std::size_t end = svg.find('"', at);
  const std::string encoded = svg.substr(at + marker.size(), end - at - marker.size());
  std::string png;
  int value = 0, bitsHeld = 0;
  for (char c : encoded) {
    const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char* p = strchr(table, c);
    if (!p || c == '\0') continue;
    value = (value << 6) | static_cast<int>(p - table);
    bitsHeld += 6;
    if (bitsHeld >= 8) {
      bitsHeld -= 8;
      png += static_cast<char>((value >> bitsHeld) & 0xFF);
    }
  }
  const Image image = DecodePng(png);
  ExpectPicture(image.pixels, image.width, image.height);
}

TEST_F(PrintFramework, MetafileReplacesAnEarlierOneOnlyWhenComplete) {
  CClientDC client(&window);
  const RECT frame{0, 0, 1587, 1058};
  HDC first = CreateEnhMetaFile(client, "image.wmf", &frame, "Pippalee");
  ::BitBlt(first, 0, 0, kW, kH, client, 0, 0, SRCCOPY);
  DeleteEnhMetaFile(CloseEnhMetaFile(first));
  const std::string before = ReadBytes(folder.path() + "/image.wmf");
  // A recording given up is never written; the earlier file stays as it was.
  HDC abandoned = CreateEnhMetaFile(client, "image.wmf", &frame, "Pippalee");
  ::BitBlt(abandoned, 0, 0, 10, 10, client, 0, 0, SRCCOPY);
  ::DeleteDC(abandoned);
  EXPECT_EQ(ReadBytes(folder.path() + "/image.wmf"), before);
  // A new complete one replaces it.
  HDC second = CreateEnhMetaFile(client, "image.wmf", &frame, "Pippalee");
  ::BitBlt(second, 0, 0, 10, 10, client, 0, 0, SRCCOPY);
  DeleteEnhMetaFile(CloseEnhMetaFile(second));
  const std::string after = ReadBytes(folder.path() + "/image.wmf");
  EXPECT_NE(after, before);
  EXPECT_EQ(I32(after, 16), 9);  // bounds of the smaller copy
  // No leftovers beside it.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder.path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
  // A folder that does not exist gives no recording at all.
  EXPECT_EQ(CreateEnhMetaFile(client, "missing/image.wmf", &frame, "Pippalee"), nullptr);
}

TEST_F(PrintFramework, MetafilePlaysStretchedOntoItsRectangle) {
  CClientDC client(&window);
  HDC meta = CreateEnhMetaFile(client, nullptr, nullptr, nullptr);  // frame from the drawing
  ::BitBlt(meta, 0, 0, kW, kH, client, 0, 0, SRCCOPY);
  HENHMETAFILE handle = CloseEnhMetaFile(meta);
  ASSERT_NE(handle, nullptr);
  HDC memory = ::CreateCompatibleDC(client);
  HBITMAP bitmap = ::CreateCompatibleBitmap(client, 2 * kW + 10, 2 * kH + 10);
  ::SelectObject(memory, bitmap);
  const RECT target{10, 10, 10 + 2 * kW, 10 + 2 * kH};
  EXPECT_TRUE(PlayEnhMetaFile(memory, handle, &target));
  auto* surface = &static_cast<fw::BitmapState*>(bitmap)->surface;
  int wrong = 0;
  for (int y = 0; y < 2 * kH; ++y) {
    for (int x = 0; x < 2 * kW; ++x) {
      if (surface->Pixel(10 + x, 10 + y) != Expected(x / 2, y / 2)) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(surface->Pixel(5, 5), 0u);  // outside the rectangle: untouched
  ::DeleteDC(memory);
  DeleteObject(bitmap);
  DeleteEnhMetaFile(handle);
}

TEST_F(PrintFramework, PrintDialogWithoutPrintersSaysSoAndOffersNoOk) {
  struct Case {
    bool server;
    std::string text;
  };
  for (const Case& c :
       {Case{false, "The print server cannot be reached, so nothing can be printed."},
        Case{true, "No printer is set up, so nothing can be printed."}}) {
    SCOPED_TRACE(c.text);
    platform.printers.reset();
    if (c.server) platform.printers.emplace();
    CPrintDialog dialog(FALSE);
    bool sawOk = true;
    std::vector<std::string> texts;
    const INT_PTR r = RunDialog(dialog, [&](CPrintDialog& d) {
      sawOk = d.GetDlgItem(IDOK) != nullptr;
      texts = fw::DialogTexts(&d);
      platform.Key(VK_RETURN);  // Enter cannot print: it closes the dialog
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_FALSE(sawOk);
    EXPECT_NE(std::find(texts.begin(), texts.end(), c.text), texts.end());
    EXPECT_EQ(dialog.GetPrinterDC(), nullptr);
  }
}

TEST_F(PrintFramework, PrintDialogChoosesPrinterAndCopiesWithAFixedPageRange) {
  platform.printers =
      std::vector<fw::PrinterInfo>{{"office", "Upstairs", false}, {"kitchen", "", true}};
  CPrintDialog dialog(FALSE);
  dialog.m_pd.nFromPage = 3;  // whatever the caller set, one page is printed
  std::vector<std::string> order;
  bool rangeLocked = false;
  const INT_PTR r = RunDialog(dialog, [&](CPrintDialog& d) {
    for (const auto& p : d.m_printers) order.push_back(p.name);
    // The page boxes show 1 and take neither focus nor keys.
    CWnd* from = d.GetDlgItem(CPrintDialog::kFromPage);
    CWnd* to = d.GetDlgItem(CPrintDialog::kToPage);
    rangeLocked = from && to && !from->IsWindowEnabled() && !to->IsWindowEnabled() &&
                  from->GetWindowText() == "1" && to->GetWindowText() == "1";
    platform.ClickDialogButton(CPrintDialog::kFromPage);
    platform.Key('7');
    // The list has the focus first: Down chooses the second printer.
    platform.WhenIdle([&] { platform.Key(VK_DOWN); });
    platform.WhenIdle([&] {
      for (int i = 0; i < 3; ++i) platform.ClickDialogButton(CPrintDialog::kMoreCopies);
    });
    platform.WhenIdle([&] { platform.ClickDialogButton(CPrintDialog::kFewerCopies); });
    platform.WhenIdle([&] {
      CWnd* from2 = d.GetDlgItem(CPrintDialog::kFromPage);
      rangeLocked = rangeLocked && from2->GetWindowText() == "1" && d.GetFromPage() == 1;
      platform.Key(VK_RETURN);  // Enter prints
    });
  });
  ASSERT_EQ(r, IDOK);
  EXPECT_EQ(order, (std::vector<std::string>{"kitchen", "office"}));
  EXPECT_TRUE(rangeLocked);
  EXPECT_EQ(dialog.GetDeviceName(), "office");
  EXPECT_EQ(dialog.GetCopies(), 3);
  EXPECT_EQ(dialog.GetFromPage(), 1);
  EXPECT_EQ(dialog.GetToPage(), 1);
  EXPECT_TRUE(dialog.PrintAll());
  HDC printer = dialog.GetPrinterDC();
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(GetDeviceCaps(printer, LOGPIXELSX), fw::kPrinterDpi);
  ::DeleteDC(printer);
}

TEST_F(PrintFramework, PrintDialogCopiesStayInRangeAndTakeDigits) {
  platform.printers = std::vector<fw::PrinterInfo>{{"only", "", false}};
  CPrintDialog dialog(FALSE);
  std::vector<int> seen;
  const INT_PTR r = RunDialog(dialog, [&](CPrintDialog& d) {
    platform.ClickDialogButton(CPrintDialog::kFewerCopies);
    platform.WhenIdle([&] {
      seen.push_back(d.GetCopies());  // not below 1
      platform.ClickDialogButton(CPrintDialog::kCopies);
      platform.Key('1');
      platform.Key('2');
    });
    platform.WhenIdle([&] {
      seen.push_back(d.GetCopies());
      platform.Key('9');  // 129 is too many
    });
    platform.WhenIdle([&] {
      seen.push_back(d.GetCopies());
      platform.Key(VK_BACK);
    });
    platform.WhenIdle([&] {
      seen.push_back(d.GetCopies());
      platform.Key(VK_ESCAPE);
    });
  });
  EXPECT_EQ(r, IDCANCEL);
  EXPECT_EQ(seen, (std::vector<int>{1, 12, CPrintDialog::kMaxCopies, 9}));
  EXPECT_EQ(dialog.GetPrinterDC(), nullptr);
}

TEST_F(PrintFramework, PrintJobIsOnePdfPageSentWithItsNameAndCopies) {
  fw::PrinterInfo a4{"desk", "", true};
  platform.printers = std::vector<fw::PrinterInfo>{a4};
  HDC printer = fw::CreatePrinterDC(a4, 2);
  DOCINFO info;
  info.lpszDocName = "IMAGE";
  ASSERT_GT(StartDoc(printer, &info), 0);
  ASSERT_GT(StartPage(printer), 0);
  // The window's picture, 10 dots to its pixel, at the printable area's corner.
  CClientDC client(&window);
  EXPECT_TRUE(StretchBlt(printer, 0, 0, kW * 10, kH * 10, client, 0, 0, kW, kH, SRCCOPY));
  ASSERT_GT(EndPage(printer), 0);
  EXPECT_TRUE(platform.printJobs.empty());  // sent when the job ends
  ASSERT_GT(EndDoc(printer), 0);
  ::DeleteDC(printer);
  ASSERT_EQ(platform.printJobs.size(), 1u);
  const auto& job = platform.printJobs[0];
  EXPECT_EQ(job.printer, "desk");
  EXPECT_EQ(job.title, "IMAGE");
  EXPECT_EQ(job.copies, 2);
  EXPECT_EQ(job.pdf.substr(0, 5), "%PDF-");
  EXPECT_EQ(PdfPageCount(job.pdf), 1);

  if (!HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
  // At 60 dots to the inch one printer pixel of 600 dpi is a tenth of a dot:
  // the picture is 60 by 40 dots, from the margin of 18 points (15 dots) on.
  const Image page = RenderPdfPage(job.pdf, folder.path(), 60);
  ASSERT_NEAR(page.width, 496, 1);  // A4
  auto near = [](std::uint32_t a, std::uint32_t b) {
    for (int s : {0, 8, 16}) {
      if (std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF)) > 40) {
        return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(near(page.At(15 + 10, 15 + 8), 0xFF0000));
  EXPECT_TRUE(near(page.At(15 + 50, 15 + 8), 0x00FF00));
  EXPECT_TRUE(near(page.At(15 + 10, 15 + 32), 0x0000FF));
  EXPECT_TRUE(near(page.At(15 + 50, 15 + 32), 0xFFFF00));
  EXPECT_TRUE(near(page.At(15 + 70, 15 + 20), 0xFFFFFF));  // beside it: paper
  EXPECT_TRUE(near(page.At(8, 8), 0xFFFFFF));              // the margin
}

TEST_F(PrintFramework, PrintJobFailuresAreReported) {
  fw::PrinterInfo p{"desk", "", true};
  platform.printers = std::vector<fw::PrinterInfo>{p};
  HDC printer = fw::CreatePrinterDC(p, 1);
  DOCINFO info;
  info.lpszDocName = "IMAGE";
  // Pages only inside a job; one job at a time.
  EXPECT_EQ(StartPage(printer), SP_ERROR);
  ASSERT_GT(StartDoc(printer, &info), 0);
  EXPECT_EQ(StartDoc(printer, &info), SP_ERROR);
  StartPage(printer);
  EndPage(printer);
  platform.printServerRefuses = true;
  EXPECT_EQ(EndDoc(printer), SP_ERROR);
  EXPECT_TRUE(platform.printJobs.empty());
  // A job given up sends nothing.
  platform.printServerRefuses = false;
  StartDoc(printer, &info);
  StartPage(printer);
  ::DeleteDC(printer);
  EXPECT_TRUE(platform.printJobs.empty());
  // Not a printer.
  CClientDC client(&window);
  EXPECT_EQ(StartDoc(client, &info), SP_ERROR);
}
