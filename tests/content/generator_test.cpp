// The content generator itself: the same sources give the same files, faults in
// the sources are reported before anything is written, and the padding that
// brings a picture to its exact size keeps it a sound PNG.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "content_files.h"
#include "image/picture.h"
#include "tools/content-gen/picture_out.h"
#include "tools/content-gen/speech.h"

extern char** environ;

namespace {

using namespace content_test;
namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/pippalee-content-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "";
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Runs the generator; its exit code, with its error output in *err.
int RunGenerator(const std::string& sources, const std::string& out, std::string* err) {
  const std::string errPath = out + ".stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::string program = GeneratorPath();
  std::string a1 = sources, a2 = out;
  char* argv[] = {program.data(), a1.data(), a2.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  if (err) *err = ReadBytes(errPath);
  std::remove(errPath.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::map<std::string, std::string> FilesUnder(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = ReadBytes(e.path());
  return files;
}

TEST(ContentGenerator, TwoRunsGiveIdenticalFiles) {
  TempDir tmp;
  ASSERT_FALSE(tmp.path().empty());
  std::string err;
  ASSERT_EQ(RunGenerator(SourcesDir(), tmp.path() + "/a", &err), 0) << err;
  ASSERT_EQ(RunGenerator(SourcesDir(), tmp.path() + "/b", &err), 0) << err;
  const auto a = FilesUnder(tmp.path() + "/a");
  const auto b = FilesUnder(tmp.path() + "/b");
  ASSERT_GT(a.size(), 100u);
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, bytes] : a) {
    auto it = b.find(name);
    ASSERT_NE(it, b.end()) << name;
    EXPECT_TRUE(bytes == it->second) << name << " differs between runs";
  }
  // The build's own set is the same files.
  for (const auto& [name, bytes] : a)
    EXPECT_TRUE(ReadBytes(ContentDir() + "/" + name) == bytes)
        << name << " differs from the build's";
}

TEST(ContentGenerator, FaultsInTheSourcesAreReportedAndNothingIsWritten) {
  const struct {
    const char* file;
    const char* from;
    const char* to;
    const char* message;
  } cases[] = {
      {"books.txt", "page cat:", "page dragon:", "no drawing of \"dragon\""},
      {"books.txt", "book 10:", "book 9:", "each once"},
      {"books.txt", "icon: cow\n", "", "needs an icon"},
      {"voices.txt", "click Click.Wav\n", "", "no sound for Click.Wav"},
      {"tune.txt", "play: twinkle jacques twinkle jacques bells", "play: twinkle",
       "more than a minute"},
      {"tune.txt", "C4 D4 E4 C4 | C4", "C4 D4 E4 | C4", "beats of melody"},
      {"tune.txt", "G4:0.5 A4", "H4:0.5 A4", "\"H4\" is not a note"},
      {"palettes.txt", "palette stage", "palette other", "\"stage\""},
      {"palettes.txt", "orange  FF9A1F", "orange  FF9A1", "RRGGBB"},
  };
  for (const auto& c : cases) {
    TempDir tmp;
    const std::string src = tmp.path() + "/src";
    fs::copy(SourcesDir(), src, fs::copy_options::recursive);
    std::string text = ReadBytes(src + "/" + c.file);
    const auto at = text.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    text.replace(at, std::string(c.from).size(), c.to);
    std::ofstream(src + "/" + c.file, std::ios::binary | std::ios::trunc) << text;
    std::string err;
    const std::string out = tmp.path() + "/out";
    EXPECT_EQ(RunGenerator(src, out, &err), 1) << c.message;
    EXPECT_NE(err.find(c.message), std::string::npos)
        << "expected \"" << c.message << "\", got " << err;
    EXPECT_FALSE(fs::exists(out)) << c.message;
  }
  // A missing source folder is a fault too.
  TempDir tmp;
  std::string err;
  EXPECT_EQ(RunGenerator(tmp.path() + "/none", tmp.path() + "/out", &err), 1);
  EXPECT_NE(err.find("cannot be read"), std::string::npos) << err;
}

TEST(ContentGenerator, PagesTheStoriesNoLongerHaveAreRemoved) {
  TempDir tmp;
  const std::string out = tmp.path() + "/out";
  fs::create_directories(out + "/books");
  fs::create_directories(out + "/wave");
  // Left by an earlier, longer book 3; and files that are not the generator's.
  const char* stale[] = {"books/PL03_09b.png", "books/pl03_09C.png", "books/PL11_01b.png",
                         "wave/B03_09.wav", "books/PL03_100b.png"};
  const char* kept[] = {"books/notes.txt", "books/PL03_09b.png.bak", "wave/mine.wav"};
  for (const char* n : stale) std::ofstream(out + "/" + n) << "old";
  for (const char* n : kept) std::ofstream(out + "/" + n) << "mine";
  std::string err;
  ASSERT_EQ(RunGenerator(SourcesDir(), out, &err), 0) << err;
  for (const char* n : stale) EXPECT_FALSE(fs::exists(out + "/" + n)) << n;
  for (const char* n : kept) EXPECT_EQ(ReadBytes(out + "/" + n), "mine") << n;
  EXPECT_TRUE(fs::exists(out + "/books/PL03_01b.png"));
}

TEST(ContentGenerator, PaddingGivesTheExactSizeOfASoundPng) {
  TempDir tmp;
  const std::string path = tmp.path() + "/p.png";
  std::vector<std::uint8_t> pixels(30 * 20);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = std::uint8_t((i / 7) % 3);
  const std::vector<content::Rgb> palette = {{255, 255, 255}, {0, 0, 0}, {255, 0, 0}};
  std::string error;
  ASSERT_TRUE(content::WritePalettePng(path, 30, 20, pixels, palette, &error)) << error;
  const std::string original = ReadBytes(path);
  const long have = long(original.size());
  const struct {
    long size;
    bool ok;
  } cases[] = {{have, true},      {have + 12, true}, {have + 500, true},
               {have - 1, false}, {have + 1, false}, {have + 11, false}};
  for (const auto& c : cases) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << original;
    EXPECT_EQ(content::PadPngToSize(path, c.size, &error), c.ok) << c.size - have;
    const std::string now = ReadBytes(path);
    if (!c.ok) {
      EXPECT_TRUE(now == original) << "a failed padding leaves the file as it was";
      continue;
    }
    EXPECT_EQ(long(now.size()), c.size);
    EXPECT_TRUE(ReadPngFacts(path).ok) << "every chunk's CRC is right";
    CPicture picture(path, IMAGE_PNG);
    ASSERT_TRUE(picture.IsValid());
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x)
        // Picture rows run bottom-up.
        ASSERT_EQ(picture.GetPixelIndex(x, 19 - y), pixels[std::size_t(y) * 30 + x]);
  }
}

TEST(ContentGenerator, CompactPngKeepsEveryPixelsColour) {
  TempDir tmp;
  const std::string path = tmp.path() + "/c.png";
  std::vector<content::Rgb> palette;
  for (int i = 0; i < 10; ++i)
    palette.push_back({std::uint8_t(i * 25), std::uint8_t(255 - i * 20), std::uint8_t(i * 7)});
  // Three of the ten colours, in runs and singly.
  const std::uint8_t used[] = {9, 0, 5};
  std::vector<std::uint8_t> pixels(40 * 25);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = used[(i / 3 + i % 7) % 3];
  std::string error;
  ASSERT_TRUE(content::WriteCompactPalettePng(path, 40, 25, pixels, palette, &error)) << error;
  const PngFacts facts = ReadPngFacts(path);
  ASSERT_TRUE(facts.ok);
  EXPECT_EQ(facts.bitDepth, 8);
  EXPECT_EQ(facts.colourType, 3);
  EXPECT_EQ(facts.palette.size(), 3u * 3) << "only the colours used";
  CPicture picture(path, IMAGE_PNG);
  ASSERT_TRUE(picture.IsValid());
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < 40; ++x) {
      BYTE r = 0, g = 0, b = 0;
      picture.GetPixelRGB(x, 24 - y, r, g, b);
      const content::Rgb want = palette[pixels[std::size_t(y) * 40 + x]];
      ASSERT_TRUE((content::Rgb{r, g, b} == want)) << x << "," << y;
    }
  }
  pixels[17] = 10;  // past the palette
  EXPECT_FALSE(content::WriteCompactPalettePng(path, 40, 25, pixels, palette, &error));
}

TEST(ContentGenerator, TrimsSilenceToAMarginWithoutClicks) {
  const int margin = content::kSpeechMarginSamples;
  const struct {
    int before, sound, after;
  } cases[] = {{5000, 3000, 8000}, {0, 3000, 0}, {margin / 2, 2000, margin * 3}, {4000, 0, 0}};
  for (const auto& c : cases) {
    content::Samples s(std::size_t(c.before), 20);  // quiet hiss, below the silence level
    for (int i = 0; i < c.sound; ++i) s.push_back(std::int16_t(i % 2 ? 9000 : -9000));
    s.insert(s.end(), std::size_t(c.after), -20);
    const content::Samples t = content::TrimSilence(s, margin);
    if (c.sound == 0) {
      EXPECT_TRUE(t.empty());
      continue;
    }
    const int lead = std::min(c.before, margin), tail = std::min(c.after, margin);
    ASSERT_EQ(int(t.size()), lead + c.sound + tail) << c.before << " " << c.after;
    EXPECT_EQ(std::abs(int(t[std::size_t(lead)])), 9000) << "the sound itself is kept";
    if (lead > 0) {
      EXPECT_EQ(t.front(), 0) << "faded in from nothing";
    }
    if (tail > 0) {
      EXPECT_EQ(t.back(), 0) << "faded out to nothing";
    }
  }
}

TEST(ContentGenerator, SpeaksAnyWordsAndReportsASilentSentence) {
  TempDir tmp;
  const std::string dir = tmp.path() + "/";
  std::vector<content::Samples> spoken;
  std::string error;
  // Quotes and backslashes are words to speak, not part of the speech
  // engine's script.
  ASSERT_TRUE(
      content::SpeakAll({"She said \"moo\" \\ and ran home.", "Bye."}, dir, &spoken, &error))
      << error;
  ASSERT_EQ(spoken.size(), 2u);
  EXPECT_GT(spoken[0].size(), spoken[1].size() * 2) << "the whole first sentence";
  for (const auto& s : spoken)
    EXPECT_NEAR(content::SpeechLoudnessDb(s), content::kSpeechLoudnessDb, 0.5);
  EXPECT_FALSE(content::SpeakAll({"Hello.", ""}, dir, &spoken, &error));
  EXPECT_NE(error.find("said nothing"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_empty(tmp.path())) << "no scratch files left";
}

TEST(ContentGenerator, ReadsNotes) {
  const std::pair<const char*, int> cases[] = {{"C4", 60}, {"A4", 69}, {"F#4", 66}, {"Bb3", 58},
                                               {"C0", 12}, {"G9", -1}, {"H4", -1},  {"C", -1},
                                               {"C#", -1}, {"c4", -1}, {"C44", -1}};
  for (const auto& [name, key] : cases) EXPECT_EQ(content::NoteKey(name), key) << name;
}

}  // namespace
