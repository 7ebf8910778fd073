// The pippalee-image tool as users run it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "image/picture.h"

namespace {

const std::string kTool = std::string(PIPPALEE_BINARY_DIR) + "/pippalee-image";
const std::string kSuite = std::string(PIPPALEE_TESTDATA_DIR) + "/pngsuite/";

struct ToolRun {
  int code = -1;
  std::string out, err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Folder {
 public:
  Folder() {
    char pattern[] = "/tmp/pippalee-tool-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

ToolRun Tool(const Folder& dir, const std::string& args) {
  const std::string out = dir.File("stdout"), err = dir.File("stderr");
  const int status = std::system((kTool + " " + args + " >" + out + " 2>" + err).c_str());
  ToolRun r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = Slurp(out);
  r.err = Slurp(err);
  return r;
}

int Lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

TEST(ImageTool, InfoDescribesThePicture) {
  Folder dir;
  struct Case {
    const char* file;
    const char* line;
  } cases[] = {
      {"basn3p08.png",
       "type=4 width=32 height=32 bpp=8 colortype=3 rowbytes=32 palette=256 transparent=-1\n"},
      {"basn6a16.png",
       "type=4 width=32 height=32 bpp=24 colortype=2 rowbytes=96 palette=0 transparent=-1\n"},
      {"s35i3p04.png",
       "type=4 width=35 height=35 bpp=4 colortype=3 rowbytes=20 palette=13 transparent=-1\n"},
      {"basn0g02.png",
       "type=4 width=32 height=32 bpp=8 colortype=3 rowbytes=32 palette=4 transparent=-1\n"},
  };
  for (const Case& c : cases) {
    const ToolRun r = Tool(dir, "info " + kSuite + c.file);
    EXPECT_EQ(r.code, 0) << c.file << r.err;
    EXPECT_EQ(r.out, c.line);
    EXPECT_EQ(r.err, "");
  }
}

TEST(ImageTool, FailuresGiveOneLineAndCodeOne) {
  Folder dir;
  std::ofstream(dir.File("page.xyz")) << "x";
  for (const std::string& args :
       {"info " + kSuite + "xs1n0g01.png", "info " + kSuite + "xcsn0g01.png",
        "info " + dir.File("missing.png"), "info " + dir.File("page.xyz"),
        "convert " + kSuite + "xd9n2c08.png " + dir.File("out.png"),
        "convert " + kSuite + "basn3p08.png " + dir.File("out.xyz"),
        "convert " + kSuite + "basn3p08.png " + dir.File("no/folder/out.png")}) {
    const ToolRun r = Tool(dir, args);
    EXPECT_EQ(r.code, 1) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_EQ(Lines(r.err), 1) << args << ": " << r.err;
    EXPECT_EQ(r.err.rfind("pippalee-image: ", 0), 0u) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.png")));
  EXPECT_EQ(Tool(dir, "").code, 2);
  EXPECT_EQ(Tool(dir, "frobnicate a b").code, 2);
}

TEST(ImageTool, ConvertingEveryPngSuiteFileToPngKeepsItsPixels) {
  Folder dir;
  int converted = 0;
  for (const auto& e : std::filesystem::directory_iterator(kSuite)) {
    const std::string name = e.path().filename().string();
    if (e.path().extension() != ".png" || name[0] == 'x') continue;
    const std::string out = dir.File("copy.PNG");
    const ToolRun r = Tool(dir, "convert " + e.path().string() + " " + out);
    ASSERT_EQ(r.code, 0) << name << ": " << r.err;
    const ToolRun info = Tool(dir, "info " + out);
    EXPECT_EQ(info.code, 0) << name;
    CPicture a(e.path().string(), IMAGE_PNG), b(out, IMAGE_UNKNOWN);
    ASSERT_TRUE(a.IsValid() && b.IsValid()) << name;
    ASSERT_EQ(a.GetWidth(), b.GetWidth());
    ASSERT_EQ(a.GetHeight(), b.GetHeight());
    EXPECT_EQ(a.GetBitsPerPixel(), b.GetBitsPerPixel()) << name;
    for (int y = 0; y < a.GetHeight(); ++y) {
      for (int x = 0; x < a.GetWidth(); ++x) {
        BYTE p[3], q[3];
        a.GetPixelRGB(x, y, p[0], p[1], p[2]);
        b.GetPixelRGB(x, y, q[0], q[1], q[2]);
        ASSERT_TRUE(p[0] == q[0] && p[1] == q[1] && p[2] == q[2]) << name << " " << x << "," << y;
      }
    }
    ++converted;
  }
  EXPECT_GT(converted, 150);
}

}  // namespace
