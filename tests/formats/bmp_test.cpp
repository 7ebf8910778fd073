// BMP reading and writing through the handler: BMP Suite against an
// independent decoder, hand-made edge cases, and round trips.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "format_test_support.h"
#include "framework/globalmem.h"
#include "image/bmp_image_impl.h"

namespace {

using formats_test::MaxDifference;
using formats_test::PictureRgb;
using formats_test::ReadBytes;
using formats_test::ReferenceRgb;
using formats_test::TempFolder;
using formats_test::TestData;
using formats_test::WriteBytes;

std::vector<std::string> SuiteFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(TestData("bmpsuite/" + folder))) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

const BITMAPINFOHEADER& Header(const CImageImpl& image) {
  return *reinterpret_cast<const BITMAPINFOHEADER*>(image.m_pDIB);
}

// Every good file reads as the plain form, with the pixels ImageMagick sees.
// Bit-field channels are scaled to 8 bits, which may round one step apart.
TEST(BmpSuite, GoodFilesReadWithTheRightPixels) {
  const auto files = SuiteFiles("g");
  ASSERT_EQ(files.size(), 27u);
  for (const auto& name : files) {
    SCOPED_TRACE(name);
    const std::string path = TestData("bmpsuite/g/" + name);
    int w = 0, h = 0;
    const std::vector<BYTE> want = ReferenceRgb(path, &w, &h);
    ASSERT_FALSE(want.empty()) << "ImageMagick cannot read it";
    CBmpImageImpl bmp(path);
    ASSERT_TRUE(bmp.Read(""));
    EXPECT_EQ(bmp.m_nWidth, w);
    EXPECT_EQ(bmp.m_nHeight, h);
    const BITMAPINFOHEADER& hdr = Header(bmp);
    EXPECT_EQ(hdr.biSize, 40u);
    EXPECT_EQ(hdr.biCompression, BI_RGB);
    EXPECT_GT(hdr.biHeight, 0);
    EXPECT_TRUE(std::set<int>({1, 4, 8, 24}).count(bmp.m_nBitsPerPixel));
    if (bmp.m_nBitsPerPixel <= 8) {
      EXPECT_EQ(bmp.m_nColorType, 3);
      EXPECT_NE(bmp.imagePalette, nullptr);
    } else {
      EXPECT_EQ(bmp.imagePalette, nullptr);
      EXPECT_EQ(bmp.m_nColorType, 2);
    }
    const bool scaled = name.rfind("rgb16", 0) == 0;
    EXPECT_LE(MaxDifference(PictureRgb(bmp), want), scaled ? 1 : 0);
  }
}

// Questionable files: the ones in another coding are refused; the others
// read with the pixels of a reference: the suite's own picture, the same
// picture in a good file, or ImageMagick's reading of the file.
TEST(BmpSuite, QuestionableFilesReadOrAreRefused) {
  struct Expect {
    const char* name;
    const char* reference;  // null: refused; "": ImageMagick on the file itself; "-": dims only
    int tolerance;
  };
  const Expect table[] = {
      {"pal1huffmsb.bmp", nullptr, 0},
      {"pal1p1.bmp", "", 0},
      {"pal2.bmp", "html/pal2.png", 0},
      {"pal2color.bmp", "html/pal2color.png", 0},
      {"pal4rlecut.bmp", "html/pal4rlecut-0.png", 0},
      {"pal4rletrns.bmp", "html/pal4rletrns-0.png", 0},
      {"pal8offs.bmp", "", 0},
      {"pal8os2-hs.bmp", "g/pal8.bmp", 0},
      {"pal8os2-sz.bmp", "g/pal8.bmp", 0},
      {"pal8os2sp.bmp", "g/pal8.bmp", 0},
      {"pal8os2v2-16.bmp", "g/pal8.bmp", 0},
      {"pal8os2v2-40sz.bmp", "g/pal8.bmp", 0},
      {"pal8os2v2-sz.bmp", "g/pal8.bmp", 0},
      {"pal8os2v2.bmp", "g/pal8.bmp", 0},
      {"pal8oversizepal.bmp", "g/pal8.bmp", 0},
      {"pal8rlecut.bmp", "html/pal8rlecut-0.png", 0},
      {"pal8rletrns.bmp", "html/pal8rletrns-0.png", 0},
      {"rgb16-231.bmp", "html/rgb16-231.png", 1},
      {"rgb16-3103.bmp", "html/rgb16-3103.png", 1},
      {"rgb16faketrns.bmp", "g/rgb16.bmp", 0},
      {"rgb24jpeg.bmp", nullptr, 0},
      {"rgb24largepal.bmp", "g/rgb24.bmp", 0},
      {"rgb24lprof.bmp", "g/rgb24.bmp", 0},
      {"rgb24png.bmp", nullptr, 0},
      {"rgb24prof.bmp", "g/rgb24.bmp", 0},
      {"rgb24prof2.bmp", "", 0},
      {"rgb24rle24.bmp", nullptr, 0},
      {"rgb32-111110.bmp", "", 1},
      {"rgb32-7187.bmp", "", 2},
      {"rgb32-xbgr.bmp", "g/rgb24.bmp", 0},
      {"rgb32fakealpha.bmp", "g/rgb24.bmp", 0},
      {"rgb32h52.bmp", "g/rgb24.bmp", 0},
      {"rgba16-1924.bmp", "-", 0},
      {"rgba16-4444.bmp", "-", 0},
      {"rgba16-5551.bmp", "g/rgb16.bmp", 0},
      {"rgba32-1.bmp", "-", 0},
      {"rgba32-1010102.bmp", "-", 0},
      {"rgba32-2.bmp", "-", 0},
      {"rgba32-61754.bmp", "-", 0},
      {"rgba32-81284.bmp", "-", 0},
      {"rgba32abf.bmp", "-", 0},
      {"rgba32h56.bmp", "-", 0},
      {"rgba64.bmp", nullptr, 0},
  };
  EXPECT_EQ(SuiteFiles("q").size(), std::size(table));
  for (const Expect& e : table) {
    SCOPED_TRACE(e.name);
    CBmpImageImpl bmp(TestData(std::string("bmpsuite/q/") + e.name));
    const BOOL read = bmp.Read("");
    if (!e.reference) {
      EXPECT_FALSE(read);
      EXPECT_EQ(bmp.m_pDIB, nullptr);
      continue;
    }
    ASSERT_TRUE(read);
    EXPECT_EQ(bmp.m_nWidth, 127);
    EXPECT_EQ(bmp.m_nHeight, 64);
    if (std::string(e.reference) == "-") continue;
    const std::string ref = *e.reference ? TestData(std::string("bmpsuite/") + e.reference)
                                         : TestData(std::string("bmpsuite/q/") + e.name);
    std::vector<BYTE> want;
    if (std::string(e.reference).rfind("g/", 0) == 0) {
      CBmpImageImpl good(ref);
      ASSERT_TRUE(good.Read(""));
      want = PictureRgb(good);
    } else {
      want = ReferenceRgb(ref);
    }
    EXPECT_LE(MaxDifference(PictureRgb(bmp), want), e.tolerance);
  }
}

// Bad files are refused, or read without touching memory they do not own
// (the sanitizers watch); a read one keeps the size its header gives.
TEST(BmpSuite, BadFilesAreRefusedOrReadSafely) {
  const std::set<std::string> refused = {"badbitcount.bmp", "badwidth.bmp", "reallybig.bmp",
                                         "rletopdown.bmp"};
  for (const auto& name : SuiteFiles("b")) {
    SCOPED_TRACE(name);
    CBmpImageImpl bmp(TestData("bmpsuite/b/" + name));
    const BOOL read = bmp.Read("");
    if (refused.count(name)) {
      EXPECT_FALSE(read);
      continue;
    }
    if (!read) continue;
    EXPECT_GT(bmp.m_nWidth, 0);
    EXPECT_GT(bmp.m_nHeight, 0);
    PictureRgb(bmp);
  }
  CBmpImageImpl related(TestData("bmpsuite/x/ba-bm.bmp"));
  EXPECT_FALSE(related.Read(""));
}

// --- hand-made files

struct BmpLayout {
  int headerSize = 40;  // 12 for the core header
  bool fileHeader = true;
  int width = 3, height = 2, bitCount = 8;
  DWORD clrUsed = 0;
  int tableEntries = -1;   // written entries; -1: as the header says
  DWORD offBitsDelta = 0;  // added to the true offset
  int pixelBytes = -1;     // bytes of pixel data written; -1: all
};

std::vector<BYTE> MakeBmp(const BmpLayout& s) {
  auto put16 = [](std::vector<BYTE>& v, int x) {
    v.push_back(static_cast<BYTE>(x));
    v.push_back(static_cast<BYTE>(x >> 8));
  };
  auto put32 = [&](std::vector<BYTE>& v, std::uint32_t x) {
    put16(v, static_cast<int>(x & 0xFFFF));
    put16(v, static_cast<int>(x >> 16));
  };
  std::vector<BYTE> info;
  const int entrySize = s.headerSize == 12 ? 3 : 4;
  int entries = s.tableEntries;
  if (entries < 0)
    entries = s.clrUsed ? static_cast<int>(s.clrUsed) : (s.bitCount <= 8 ? 1 << s.bitCount : 0);
  if (s.headerSize == 12) {
    put32(info, 12);
    put16(info, s.width);
    put16(info, s.height);
    put16(info, 1);
    put16(info, s.bitCount);
  } else {
    put32(info, 40);
    put32(info, static_cast<std::uint32_t>(s.width));
    put32(info, static_cast<std::uint32_t>(s.height));
    put16(info, 1);
    put16(info, s.bitCount);
    for (int i = 0; i < 4; ++i) put32(info, 0);
    put32(info, s.clrUsed);
    put32(info, 0);
  }
  for (int i = 0; i < entries; ++i) {
    info.push_back(static_cast<BYTE>(i));        // blue
    info.push_back(static_cast<BYTE>(255 - i));  // green
    info.push_back(static_cast<BYTE>(i * 3));    // red
    if (entrySize == 4) info.push_back(0);
  }
  const std::int64_t rowBytes = (std::int64_t{std::abs(s.width)} * s.bitCount + 31) / 32 * 4;
  std::vector<BYTE> bits(s.pixelBytes >= 0
                             ? static_cast<std::size_t>(s.pixelBytes)
                             : static_cast<std::size_t>(rowBytes) * std::abs(s.height));
  for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<BYTE>(i * 37 + 11);
  std::vector<BYTE> file;
  if (s.fileHeader) {
    file = {'B', 'M'};
    put32(file, static_cast<std::uint32_t>(14 + info.size() + bits.size()));
    put32(file, 0);
    put32(file, static_cast<std::uint32_t>(14 + info.size() + s.offBitsDelta));
  }
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), bits.begin(), bits.end());
  return file;
}

TEST(BmpRead, HeaderForms) {
  TempFolder dir;
  struct Case {
    const char* name;
    BmpLayout layout;
    bool reads;
    int entries;  // of the palette (the table in memory always has 2^depth)
  };
  const Case cases[] = {
      {"256 colours, biClrUsed 0", {}, true, 256},
      {"no file header", {.fileHeader = false}, true, 256},
      {"core header", {.headerSize = 12}, true, 256},
      {"core header, 4-bit", {.headerSize = 12, .bitCount = 4}, true, 16},
      {"16 colours used", {.clrUsed = 16}, true, 16},
      {"more colours than 8 bits address", {.clrUsed = 300}, true, 256},
      {"24-bit", {.bitCount = 24}, true, 0},
      {"huge colour count", {.clrUsed = 0x40000000, .tableEntries = 4}, false, 0},
      {"bits offset past the end", {.offBitsDelta = 100000}, false, 0},
      {"negative width", {.width = -3}, false, 0},
      {"zero height", {.height = 0}, false, 0},
      {"huge width", {.width = 1 << 30, .pixelBytes = 16}, false, 0},
      {"huge height",
       {.width = 16384, .height = 16384, .bitCount = 24, .pixelBytes = 10},
       false,
       0},
      {"table cut short", {.tableEntries = 20, .pixelBytes = 0}, false, 0},
      {"bit count 7", {.bitCount = 7}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / "x.bmp";
    WriteBytes(path, MakeBmp(c.layout));
    CBmpImageImpl bmp(path);
    ASSERT_EQ(bmp.Read(""), c.reads ? 1 : 0);
    if (!c.reads) {
      EXPECT_EQ(bmp.m_pDIB, nullptr);
      continue;
    }
    const BITMAPINFOHEADER& h = Header(bmp);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biClrUsed, c.layout.bitCount <= 8 ? 1u << c.layout.bitCount : 0u);
    EXPECT_EQ(bmp.m_pBits, bmp.m_pDIB + 40 + 4 * h.biClrUsed);
    EXPECT_EQ(bmp.m_nWidth, c.layout.width);
    EXPECT_EQ(bmp.m_nHeight, c.layout.height);
    if (c.entries) {
      ASSERT_NE(bmp.imagePalette, nullptr);
      EXPECT_EQ(bmp.imagePalette->GetEntryCount(), c.entries);
      // Entry 1 as written: blue 1, green 254, red 3.
      BYTE r, g, b;
      ASSERT_TRUE(GetPaletteEntryRGB(bmp.imagePalette, 1, r, g, b));
      EXPECT_EQ(r, 3);
      EXPECT_EQ(g, 254);
      EXPECT_EQ(b, 1);
      // The table is in index form.
      EXPECT_EQ(reinterpret_cast<const WORD*>(bmp.m_pDIB + 40)[1], 1);
    } else {
      EXPECT_EQ(bmp.imagePalette, nullptr);
    }
  }
}

TEST(BmpRead, MissingPixelBytesReadAsZero) {
  TempFolder dir;
  // 3 × 2 at 8 bits: rows of 4 bytes; only the first row and one byte are there.
  const std::vector<BYTE> whole = MakeBmp({});
  WriteBytes(dir / "whole.bmp", whole);
  WriteBytes(dir / "short.bmp", MakeBmp({.pixelBytes = 5}));
  CBmpImageImpl a(dir / "whole.bmp"), b(dir / "short.bmp");
  ASSERT_TRUE(a.Read(""));
  ASSERT_TRUE(b.Read(""));
  EXPECT_EQ(std::memcmp(a.m_pBits, b.m_pBits, 5), 0);
  for (int i = 5; i < 8; ++i) EXPECT_EQ(b.m_pBits[i], 0) << i;
}

TEST(BmpRead, FailuresKeepAnEarlierPicture) {
  TempFolder dir;
  WriteBytes(dir / "good.bmp", MakeBmp({}));
  WriteBytes(dir / "bad.bmp", {'B', 'M', 1, 2, 3});
  WriteBytes(dir / "empty.bmp", {});
  CBmpImageImpl bmp(dir / "good.bmp");
  ASSERT_TRUE(bmp.Read(""));
  BYTE* dib = bmp.m_pDIB;
  for (const char* name : {"bad.bmp", "empty.bmp", "missing.bmp"}) {
    EXPECT_FALSE(bmp.Read(dir / name)) << name;
    EXPECT_EQ(bmp.m_pDIB, dib);
  }
}

TEST(BmpRead, HeaderOnlyLeavesTheFileAtTheBits) {
  TempFolder dir;
  WriteBytes(dir / "x.bmp", MakeBmp({.clrUsed = 16}));
  CFile file(dir / "x.bmp", CFile::modeRead);
  BYTE* block = CBmpImageImpl::ReadDIBHeader(file);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(file.GetPosition(), 14u + 40 + 64);
  EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(block)->biClrUsed, 256u);
  EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(block)->biClrImportant, 16u);
  EXPECT_EQ(CBmpImageImpl::DIBColorTableSize(block), 1024u);
  HGLOBAL h = GlobalHandle(block);
  GlobalUnlock(h);
  GlobalFree(h);
}

// --- writing

TEST(BmpWrite, EightBitFileLayoutAndRoundTrip) {
  TempFolder dir;
  CBmpImageImpl pic;
  ASSERT_EQ(pic.Create(10, 5, 8, -1), 12);
  BYTE red[256], green[256], blue[256];
  for (int i = 0; i < 256; ++i)
    red[i] = static_cast<BYTE>(i), green[i] = static_cast<BYTE>(255 - i),
    blue[i] = static_cast<BYTE>(i / 2);
  pic.SetPalette(256, red, green, blue);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x) pic.SetPixelIndex(x, y, static_cast<BYTE>(x * 20 + y));
  ASSERT_TRUE(pic.Write(dir / "out.bmp"));
  const std::vector<BYTE> file = ReadBytes(dir / "out.bmp");
  ASSERT_EQ(file.size(), 14u + 40 + 1024 + 60);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(file[10] | (file[11] << 8), 1078);
  // Colours in the file, indices in memory again.
  EXPECT_EQ(file[54 + 4 * 7 + 2], 7);  // red of entry 7
  EXPECT_EQ(reinterpret_cast<const WORD*>(pic.m_pDIB + 40)[7], 7);
  CBmpImageImpl back(dir / "out.bmp");
  ASSERT_TRUE(back.Read(""));
  EXPECT_EQ(PictureRgb(back), PictureRgb(pic));
  EXPECT_EQ(ReferenceRgb(dir / "out.bmp"), PictureRgb(pic));
}

TEST(BmpWrite, RoundTripsOfEveryDepth) {
  TempFolder dir;
  struct Case {
    int bits;
    bool palette;
  };
  for (const Case c : {Case{1, true}, Case{4, true}, Case{8, true}, Case{8, false}, Case{24, false},
                       Case{4, false}}) {
    SCOPED_TRACE(c.bits * 10 + c.palette);
    CBmpImageImpl pic;
    ASSERT_GT(pic.Create(13, 7, c.bits, -1), 0);
    if (c.palette) {
      BYTE grey[256];
      for (int i = 0; i < 256; ++i) grey[i] = static_cast<BYTE>(255 - i);
      pic.SetPalette(1 << c.bits, grey, nullptr, nullptr);
    }
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x) {
        if (c.bits <= 8) {
          pic.SetPixelIndex(x, y, static_cast<BYTE>((x + 3 * y) % (1 << c.bits)));
        } else {
          pic.SetPixelRGB(x, y, static_cast<BYTE>(x * 19), static_cast<BYTE>(y * 30), 77);
        }
      }
    const std::vector<BYTE> want = PictureRgb(pic);
    ASSERT_TRUE(pic.Write(dir / "rt.bmp"));
    CBmpImageImpl back(dir / "rt.bmp");
    ASSERT_TRUE(back.Read(""));
    EXPECT_EQ(back.m_nBitsPerPixel, c.bits);
    EXPECT_EQ(PictureRgb(back), want);
    EXPECT_EQ(ReferenceRgb(dir / "rt.bmp"), want);
  }
}

// Runs body in a child process whose files may not grow past limit bytes.
int WithFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit r{limit, limit};
    setrlimit(RLIMIT_FSIZE, &r);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(BmpWrite, FailedWritesReportZeroAndLeaveTheOldFile) {
  TempFolder dir;
  WriteBytes(dir / "old.bmp", {'o', 'l', 'd'});
  // A short write (the disk is full).
  const int code = WithFileSizeLimit(2000, [&] {
    CBmpImageImpl pic;
    pic.Create(100, 100, 24, -1);
    return pic.Write(dir / "old.bmp") == 0 ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadBytes(dir / "old.bmp"), (std::vector<BYTE>{'o', 'l', 'd'}));
  EXPECT_EQ(dir.Files().size(), 1u);
  // No folder to create the file in; no picture at all.
  CBmpImageImpl pic;
  pic.Create(4, 4, 8, -1);
  EXPECT_FALSE(pic.Write(dir / "none/x.bmp"));
  CBmpImageImpl empty;
  EXPECT_FALSE(empty.Write(dir / "y.bmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "y.bmp"));
}

}  // namespace
