// GIF reading and writing through the handler: the sample suites, palettes
// and transparency, the messages of the writer and round trips.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "format_test_support.h"
#include "framework/headless/headless_platform.h"
#include "framework/platform.h"
#include "image/gif_image_impl.h"

namespace {

using formats_test::GifBuilder;
using formats_test::MaxDifference;
using formats_test::PictureRgb;
using formats_test::ReadBytes;
using formats_test::ReferenceRgb;
using formats_test::SimpleLzw;
using formats_test::TempFolder;
using formats_test::TestData;
using formats_test::WriteBytes;

// The [config] and [frame0] keys of a suite test.
std::map<std::string, std::string> ReadConf(const std::string& path) {
  std::map<std::string, std::string> keys;
  std::ifstream f(path);
  std::string line, section;
  while (std::getline(f, line)) {
    if (!line.empty() && line[0] == '[') {
      section = line;
      continue;
    }
    const auto eq = line.find(" = ");
    if (eq == std::string::npos) continue;
    if (section == "[config]" || section == "[frame0]") {
      keys[section + line.substr(0, eq)] = line.substr(eq + 3);
    }
  }
  return keys;
}

// Each test of the suite names its file, the screen and the expected first
// frame (RGBA). Files that should be rejected must not harm the reader;
// where the first image covers the screen its opaque pixels must match.
TEST(GifSuite, FilesReadAsTheSuiteExpects) {
  const std::string dir = TestData("gif/pygif-test-suite/");
  std::ifstream list(dir + "TESTS");
  std::string test;
  int compared = 0, tests = 0;
  while (std::getline(list, test)) {
    if (test.empty()) continue;
    ++tests;
    SCOPED_TRACE(test);
    auto conf = ReadConf(dir + test + ".conf");
    CGifImageImpl gif(dir + conf["[config]input"]);
    const BOOL read = gif.Read("");
    const std::string pixels = conf["[frame0]pixels"];
    if (conf["[config]frames"].empty() || pixels.empty()) continue;
    const std::vector<BYTE> rgba = ReadBytes(dir + pixels);
    bool blank = true;
    for (std::size_t i = 3; i < rgba.size(); i += 4) blank = blank && rgba[i] == 0;
    if (blank && !read) continue;  // a screen without an image is no picture
    // Pictures beyond the library's limits are refused.
    if (std::stoi(conf["[config]width"]) > MAX_IMAGE_SIDE ||
        std::stoi(conf["[config]height"]) > MAX_IMAGE_SIDE) {
      EXPECT_FALSE(read);
      continue;
    }
    // Their first frame combines several images without a delay.
    if (test == "images-overlap" || test == "images-combine" ||
        test == "dispose-restore-previous") {
      continue;
    }
    // A minimum code size of 11 is beyond what the reader takes: no pixels.
    if (test == "max-codes") {
      EXPECT_EQ(gif.GetPixelIndex(0, 0), 0);
      continue;
    }
    ASSERT_TRUE(read);
    if (std::to_string(gif.m_nWidth) != conf["[config]width"] ||
        std::to_string(gif.m_nHeight) != conf["[config]height"]) {
      continue;  // the first image covers part of the screen only
    }
    const std::vector<BYTE> got = PictureRgb(gif);
    ASSERT_EQ(rgba.size(), got.size() / 3 * 4);
    int wrong = 0;
    for (std::size_t i = 0; i < got.size() / 3; ++i) {
      if (rgba[4 * i + 3] != 255) continue;
      for (int c = 0; c < 3; ++c) wrong += got[3 * i + c] != rgba[4 * i + c];
    }
    EXPECT_EQ(wrong, 0);
    ++compared;
  }
  EXPECT_GE(tests, 80);
  EXPECT_GE(compared, 50);
}

TEST(GifSuite, InterlacedFilesMatchTheirPlainTwins) {
  const std::pair<const char*, const char*> twins[] = {
      {"giflib/treescap-interlaced.gif", "giflib/treescap.gif"},
      {"wuffs/hippopotamus.interlaced.gif", "wuffs/hippopotamus.regular.gif"},
      {"go/video-001.interlaced.gif", "go/video-001.gif"},
  };
  for (auto [interlaced, plain] : twins) {
    SCOPED_TRACE(interlaced);
    CGifImageImpl a(TestData(std::string("gif/") + interlaced));
    CGifImageImpl b(TestData(std::string("gif/") + plain));
    ASSERT_TRUE(a.Read(""));
    ASSERT_TRUE(b.Read(""));
    EXPECT_EQ(PictureRgb(a), PictureRgb(b));
  }
}

// Real-world files against ImageMagick's first frame.
TEST(GifSuite, SamplesMatchAnIndependentDecoder) {
  const char* files[] = {"giflib/gifgrid.gif",      "giflib/porsche.gif",
                         "giflib/solid2.gif",       "giflib/wedge.gif",
                         "go/video-001.5bpp.gif",   "go/video-005.gray.gif",
                         "wuffs/bricks-dither.gif", "wuffs/pjw-thumbnail.gif",
                         "wuffs/muybridge.gif",     "pygif-test-suite/4095-codes.gif"};
  for (const char* f : files) {
    SCOPED_TRACE(f);
    const std::string path = TestData(std::string("gif/") + f);
    CGifImageImpl gif(path);
    ASSERT_TRUE(gif.Read(""));
    EXPECT_EQ(MaxDifference(PictureRgb(gif), ReferenceRgb(path)), 0);
  }
}

TEST(GifSuite, MalformedFilesEndSafely) {
  struct Case {
    const char* file;
    int result;
  };
  const Case cases[] = {
      {"wuffs/hippopotamus.interlaced.truncated.gif", 1},
      {"image-gif/issue-101-infinite-empty-loop.gif", 0},
      {"image-gif/issue-117-out-of-range.gif", 1},
      {"image-gif/issue-96-small-codesize.gif", 0},
      {"image-gif/issue-96-small-codesize-2.gif", 0},  // 64311 wide
      {"image-gif/issue-208-block-type.gif", 1},
      {"wuffs/artificial-gif/zero-width-frame.gif", 0},
      {"wuffs/artificial-gif/no-frames.gif", 0},
      {"wuffs/artificial-gif/pixel-data-none.gif", 1},
      {"wuffs/artificial-gif/pixel-data-too-much-bad-lzw.gif", 1},
      {"pygif-test-suite/max-size.gif", 0},
      {"pygif-test-suite/overflow-codes-max.gif", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    CGifImageImpl gif(TestData(std::string("gif/") + c.file));
    EXPECT_EQ(gif.Read(""), c.result);
    if (c.result) PictureRgb(gif);
  }
  // The truncated file keeps the rows that arrived; the rest is index 0.
  CGifImageImpl cut(TestData("gif/wuffs/hippopotamus.interlaced.truncated.gif"));
  CGifImageImpl whole(TestData("gif/wuffs/hippopotamus.interlaced.gif"));
  ASSERT_TRUE(cut.Read(""));
  ASSERT_TRUE(whole.Read(""));
  const int top = cut.m_nHeight - 1;
  EXPECT_EQ(std::memcmp(cut.m_pBits + top * cut.m_nRowBytes,
                        whole.m_pBits + top * whole.m_nRowBytes, cut.m_nWidth),
            0);
  EXPECT_EQ(cut.GetPixelIndex(0, top - 1), 0);
}

// --- hand-made files

TEST(GifRead, PalettesAndTransparency) {
  TempFolder dir;
  const std::vector<BYTE> lzw = SimpleLzw(4, {1, 5, 15, 0});
  struct Case {
    const char* name;
    std::vector<BYTE> file;
    int transparent;
    int entries;
    int red1;  // red of entry 1
  };
  const Case cases[] = {
      {"global table", GifBuilder().Header(2, 2, 16).Image(2, 2, false, 4, lzw).Trailer().bytes, -1,
       16, 16},
      {"GIF87a", GifBuilder().Header(2, 2, 16, "GIF87a").Image(2, 2, false, 4, lzw).Trailer().bytes,
       -1, 16, 16},
      {"local table wins",
       GifBuilder().Header(2, 2, 16).Image(2, 2, false, 4, lzw, 16).Trailer().bytes, -1, 16, 199},
      {"transparent 5",
       GifBuilder().Header(2, 2, 16).Control(5).Image(2, 2, false, 4, lzw).Trailer().bytes, 5, 256,
       16},
      {"control without transparency",
       GifBuilder().Header(2, 2, 16).Control(-1).Image(2, 2, false, 4, lzw).Trailer().bytes, -1, 16,
       16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(dir / "t.gif", c.file);
    CGifImageImpl gif(dir / "t.gif");
    ASSERT_TRUE(gif.Read(""));
    EXPECT_EQ(gif.m_nBitsPerPixel, 8);
    EXPECT_EQ(gif.m_nColorType, 3);
    EXPECT_EQ(gif.m_nTransparent, c.transparent);
    ASSERT_NE(gif.imagePalette, nullptr);
    EXPECT_EQ(gif.imagePalette->GetEntryCount(), c.entries);
    BYTE r, g, b;
    ASSERT_TRUE(GetPaletteEntryRGB(gif.imagePalette, 1, r, g, b));
    EXPECT_EQ(r, c.red1);
    // Top row: pixels 1 and 5.
    EXPECT_EQ(gif.GetPixelIndex(0, 1), 1);
    EXPECT_EQ(gif.GetPixelIndex(1, 1), 5);
    EXPECT_EQ(gif.GetPixelIndex(0, 0), 15);
    if (c.transparent >= 0) {
      ASSERT_TRUE(GetPaletteEntryRGB(gif.imagePalette, 5, r, g, b));
      EXPECT_EQ(r + g + b, 0);
      for (int i = 16; i < 256; ++i) {
        ASSERT_TRUE(GetPaletteEntryRGB(gif.imagePalette, i, r, g, b));
        EXPECT_EQ(r + g + b, 3 * 255) << i;
      }
    }
  }
}

TEST(GifRead, TransparencyBelongsToItsOwnFile) {
  TempFolder dir;
  const std::vector<BYTE> lzw = SimpleLzw(2, {1});
  WriteBytes(dir / "t.gif",
             GifBuilder().Header(1, 1, 4).Control(2).Image(1, 1, false, 2, lzw).Trailer().bytes);
  WriteBytes(dir / "o.gif",
             GifBuilder().Header(1, 1, 4).Image(1, 1, false, 2, lzw).Trailer().bytes);
  CGifImageImpl gif(dir / "t.gif");
  ASSERT_TRUE(gif.Read(""));
  EXPECT_EQ(gif.m_nTransparent, 2);
  ASSERT_TRUE(gif.Read(dir / "o.gif"));
  EXPECT_EQ(gif.m_nTransparent, -1);
}

TEST(GifRead, FirstImageOfSeveral) {
  TempFolder dir;
  WriteBytes(dir / "two.gif", GifBuilder()
                                  .Header(3, 2, 4)
                                  .Image(3, 2, false, 2, SimpleLzw(2, {1, 2, 3, 3, 2, 1}))
                                  .Control(1)
                                  .Image(1, 1, false, 2, SimpleLzw(2, {0}))
                                  .Trailer()
                                  .bytes);
  CGifImageImpl gif(dir / "two.gif");
  ASSERT_TRUE(gif.Read(""));
  EXPECT_EQ(gif.m_nWidth, 3);
  EXPECT_EQ(gif.m_nHeight, 2);
  EXPECT_EQ(gif.m_nTransparent, -1);
  EXPECT_EQ(gif.GetPixelIndex(2, 1), 3);
  EXPECT_EQ(gif.GetPixelIndex(2, 0), 1);
}

TEST(GifRead, RefusedFiles) {
  TempFolder dir;
  const std::vector<BYTE> lzw = SimpleLzw(2, {1});
  struct Case {
    const char* name;
    std::vector<BYTE> file;
  };
  std::vector<BYTE> badSig = GifBuilder().Header(1, 1, 4).Image(1, 1, false, 2, lzw).bytes;
  badSig[3] = '7';
  std::vector<BYTE> cutTable = GifBuilder().Header(1, 1, 256).bytes;
  cutTable.resize(100);
  const Case cases[] = {
      {"empty", {}},
      {"signature", badSig},
      {"header only", {'G', 'I', 'F', '8', '9', 'a', 1}},
      {"no image", GifBuilder().Header(1, 1, 4).Trailer().bytes},
      {"table cut short", cutTable},
      {"zero width", GifBuilder().Header(1, 1, 4).Image(0, 1, false, 2, lzw).bytes},
      {"too large", GifBuilder().Header(1, 1, 4).Image(65535, 65535, false, 2, lzw).bytes},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(dir / "r.gif", c.file);
    CGifImageImpl gif(dir / "r.gif");
    EXPECT_FALSE(gif.Read(""));
    EXPECT_EQ(gif.m_pDIB, nullptr);
  }
  CGifImageImpl missing(dir / "missing.gif");
  EXPECT_FALSE(missing.Read(""));
}

// --- writing

// A headless platform for the writer's message boxes, answered at once.
struct MessageScope {
  fw::headless::HeadlessPlatform platform;
  MessageScope() { fw::SetPlatform(&platform); }
  // The next message box is answered with Enter.
  void Answer() {
    platform.WhenIdle([this] { platform.Key(VK_RETURN); });
  }
  ~MessageScope() { fw::SetPlatform(nullptr); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : platform.messageBoxes) t.push_back(m.text);
    return t;
  }
};

TEST(GifWrite, RoundTripsOfEveryDepth) {
  TempFolder dir;
  struct Case {
    int bits;
    bool palette;
    int width, height;
  };
  for (const Case c : {Case{8, true, 300, 200}, Case{8, false, 17, 9}, Case{4, true, 31, 7},
                       Case{1, true, 9, 9}, Case{4, false, 5, 3}}) {
    SCOPED_TRACE(c.bits * 10 + c.palette);
    CGifImageImpl pic;
    ASSERT_GT(pic.Create(c.width, c.height, c.bits, -1), 0);
    if (c.palette) {
      BYTE red[256], green[256], blue[256];
      for (int i = 0; i < 256; ++i)
        red[i] = static_cast<BYTE>(i), green[i] = static_cast<BYTE>(i * 3),
        blue[i] = static_cast<BYTE>(255 - i);
      pic.SetPalette(1 << c.bits, red, green, blue);
    }
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        pic.SetPixelIndex(x, y, static_cast<BYTE>((x * 7 + y * y) % (1 << c.bits)));
    const std::vector<BYTE> want = PictureRgb(pic);
    ASSERT_TRUE(pic.Write(dir / "w.gif"));
    CGifImageImpl back(dir / "w.gif");
    ASSERT_TRUE(back.Read(""));
    EXPECT_EQ(back.m_nWidth, c.width);
    EXPECT_EQ(PictureRgb(back), want);
    EXPECT_EQ(ReferenceRgb(dir / "w.gif"), want);
  }
}

TEST(GifWrite, MessagesAndFailures) {
  TempFolder dir;
  MessageScope scope;
  CGifImageImpl deep;
  deep.Create(4, 4, 24, -1);
  scope.Answer();
  EXPECT_FALSE(deep.Write(dir / "deep.gif"));
  EXPECT_FALSE(std::filesystem::exists(dir / "deep.gif"));

  CGifImageImpl pic;
  pic.Create(50, 50, 8, -1);
  scope.Answer();
  EXPECT_FALSE(pic.Write(dir / "no/such/folder.gif"));
  EXPECT_EQ(scope.Texts(), (std::vector<std::string>{"GIF Images must be 8 bit or less",
                                                     "Can't open GIF for writing"}));

  WriteBytes(dir / "old.gif", {'o', 'l', 'd'});
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit r{500, 500};
    setrlimit(RLIMIT_FSIZE, &r);
    scope.Answer();
    const BOOL ok = pic.Write(dir / "old.gif");
    const bool told = !scope.platform.messageBoxes.empty() &&
                      scope.platform.messageBoxes.back().text == "Write Error in GIF file";
    _exit(!ok && told ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadBytes(dir / "old.gif"), (std::vector<BYTE>{'o', 'l', 'd'}));
  EXPECT_EQ(dir.Files().size(), 1u);
}

}  // namespace
