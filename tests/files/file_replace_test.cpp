// Replacing files: the framework's one way, and every writer of the program
// that goes through it (the four picture formats, the metafile, the private
// profile), against planted links, kept permissions, folders that refuse new
// files and full disks.
#include "framework/file_replace.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <vector>

#include "framework/metafile.h"
#include "framework/profile.h"
#include "image/image_impl.h"
#include "image/picture.h"
#include "temp_folder.h"

namespace {

using files_test::ReadText;
using files_test::TempFolder;

// A user id no account has: files given to it are writable by it only.
constexpr uid_t kOtherUser = 48271;

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

mode_t Mode(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

ino_t Inode(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_ino;
}

int Replace(const std::string& path, const std::string& content) {
  return fw::ReplaceFile(
      path, [&](fw::ReplaceSink& sink) { return sink.Write(content.data(), content.size()); });
}

enum class As { kThisUser, kUnprivileged };

// Runs body in a child process, with a file size limit if given, and gives
// its exit status. kUnprivileged runs it as kOtherUser when this process is
// root (whom folder permissions do not stop); 77 when that cannot be done.
int InChild(const std::function<int()>& body, rlim_t fileSizeLimit = RLIM_INFINITY,
            As as = As::kThisUser) {
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    if (as == As::kUnprivileged && geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setresgid(kOtherUser, kOtherUser, kOtherUser) != 0 ||
          setresuid(kOtherUser, kOtherUser, kOtherUser) != 0) {
        _exit(77);
      }
    }
    if (fileSizeLimit != RLIM_INFINITY) {
      rlimit r{fileSizeLimit, fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &r);
    }
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// A folder that refuses new files, holding a target that kOtherUser (or this
// user) may write.
struct ReadOnlyFolder {
  TempFolder root;
  std::string folder, target;
  ReadOnlyFolder(const std::string& name, const std::string& content) {
    chmod(root.path().c_str(), 0755);
    folder = root.MakeFolder("locked");
    target = root.Make("locked/" + name, content);
    if (geteuid() == 0) {
      EXPECT_EQ(chown(target.c_str(), kOtherUser, kOtherUser), 0);
    }
    chmod(target.c_str(), 0644);
    chmod(folder.c_str(), 0555);
  }
  ~ReadOnlyFolder() { chmod(folder.c_str(), 0755); }
};

TEST(ReplaceFileTest, NewFileTakesTheModeLessTheUmaskAndNoTemporaryStays) {
  TempFolder root;
  const mode_t mask = umask(022);
  umask(mask);
  EXPECT_EQ(Replace(root / "new.txt", "fresh"), 0);
  EXPECT_EQ(ReadText(root / "new.txt"), "fresh");
  EXPECT_EQ(Mode(root / "new.txt"), 0666 & ~mask);
  EXPECT_EQ(fw::ReplaceFile(
                root / "private.txt", [](fw::ReplaceSink& s) { return s.Write("p", 1); }, 0600),
            0);
  EXPECT_EQ(Mode(root / "private.txt"), 0600 & ~mask);
  EXPECT_EQ(FolderNames(root.path()), (std::vector<std::string>{"new.txt", "private.txt"}));
}

TEST(ReplaceFileTest, KeepsTheTargetsPermissionBits) {
  TempFolder root;
  for (mode_t mode : {0600, 0640, 0755}) {
    SCOPED_TRACE(mode);
    const std::string target = root.Make("t.txt", "old");
    chmod(target.c_str(), mode);
    const ino_t before = Inode(target);
    EXPECT_EQ(Replace(target, "new"), 0);
    EXPECT_EQ(ReadText(target), "new");
    EXPECT_EQ(Mode(target), mode);
    EXPECT_NE(Inode(target), before);  // a new file took its place
    EXPECT_EQ(FolderNames(root.path()), std::vector<std::string>{"t.txt"});
    chmod(target.c_str(), 0644);
  }
}

TEST(ReplaceFileTest, WritesThroughALinkAtTheTarget) {
  TempFolder root;
  const std::string real = root.Make("real/data.txt", "old");
  chmod(real.c_str(), 0600);
  const std::string link = root / "link.txt";
  std::filesystem::create_symlink("real/data.txt", link);
  EXPECT_EQ(Replace(link, "new"), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadText(real), "new");
  EXPECT_EQ(Mode(real), 0600u);
  EXPECT_EQ(FolderNames(root / "real"), std::vector<std::string>{"data.txt"});
  EXPECT_EQ(FolderNames(root.path()), (std::vector<std::string>{"link.txt", "real"}));

  // A link to nothing is not followed to make a file wherever it points.
  std::filesystem::create_symlink(root / "real/elsewhere.txt", root / "dangling.txt");
  EXPECT_EQ(Replace(root / "dangling.txt", "x"), ENOENT);
  EXPECT_FALSE(std::filesystem::exists(root / "real/elsewhere.txt"));
  EXPECT_TRUE(std::filesystem::is_symlink(root / "dangling.txt"));
}

TEST(ReplaceFileTest, AFailedFillOrAFullDiskLeavesTheOldFile) {
  TempFolder root;
  const std::string target = root.Make("t.txt", "old content");
  const ino_t before = Inode(target);
  EXPECT_EQ(fw::ReplaceFile(target,
                            [](fw::ReplaceSink& s) {
                              s.Write("half", 4);
                              return false;
                            }),
            ECANCELED);
  EXPECT_EQ(fw::ReplaceFile(target,
                            [](fw::ReplaceSink& s) -> bool {
                              s.Write("half", 4);
                              throw std::runtime_error("no");
                            }),
            ECANCELED);
  // Larger than the file size limit: the write fails part way.
  const std::string big(4096, 'b');
  EXPECT_EQ(InChild([&] { return Replace(target, big) == EFBIG ? 0 : 1; }, 1000), 0);
  EXPECT_EQ(ReadText(target), "old content");
  EXPECT_EQ(Inode(target), before);
  EXPECT_EQ(FolderNames(root.path()), std::vector<std::string>{"t.txt"});
  // Not a plain file: refused, left alone.
  root.MakeFolder("dir");
  EXPECT_EQ(Replace(root / "dir", "x"), EISDIR);
  EXPECT_TRUE(std::filesystem::is_directory(root / "dir"));
}

TEST(ReplaceFileTest, AFolderThatRefusesNewFilesHasItsWritableTargetRewrittenInPlace) {
  ReadOnlyFolder ro("t.txt", "a longer old content");
  const ino_t before = Inode(ro.target);
  const int status =
      InChild([&] { return Replace(ro.target, "short"); }, RLIM_INFINITY, As::kUnprivileged);
  if (status == 77) GTEST_SKIP() << "cannot run as another user";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadText(ro.target), "short");
  EXPECT_EQ(Inode(ro.target), before);
  EXPECT_EQ(Mode(ro.target), 0644u);
  EXPECT_EQ(FolderNames(ro.folder), std::vector<std::string>{"t.txt"});

  // The whole new content is reserved first: a disk too full for it leaves
  // every old byte.
  const std::string big(8192, 'b');
  EXPECT_EQ(
      InChild([&] { return Replace(ro.target, big) == EFBIG ? 0 : 1; }, 1000, As::kUnprivileged),
      0);
  EXPECT_EQ(ReadText(ro.target), "short");
  // A target it may not write stays refused, in that folder or in one where
  // new files could be made.
  chmod(ro.target.c_str(), 0444);
  for (mode_t folderMode : {0555, 0777}) {
    chmod(ro.folder.c_str(), folderMode);
    EXPECT_EQ(InChild([&] { return Replace(ro.target, "x") == EACCES ? 0 : 1; }, RLIM_INFINITY,
                      As::kUnprivileged),
              0);
    EXPECT_EQ(ReadText(ro.target), "short");
    EXPECT_EQ(FolderNames(ro.folder), std::vector<std::string>{"t.txt"});
  }
}

// ---------------------------------------------------------------- the writers

struct Writer {
  const char* name;
  const char* file;
  // Writes (or rewrites) the file at path; true when it says it did.
  std::function<bool(const std::string&)> write;
  // What a written file starts with.
  std::string magic;
};

bool WritePicture(const std::string& path) {
  // A handler of the format the name asks for.
  int type = LookupImageType(FindExtension(path));
  CPicture picture;
  if (!picture.CreateImpl(path, type) || !picture.Create(40, 30, 8, 3)) return false;
  BYTE grey[256];
  for (int i = 0; i < 256; ++i) grey[i] = static_cast<BYTE>(i);
  picture.SetPalette(256, grey, grey, grey);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) picture.SetPixelIndex(x, y, (x * 7 + y * 3) & 255);
  }
  return picture.GetImpl()->Write(path);
}

bool WriteMetafile(const std::string& path) {
  HDC dc = CreateEnhMetaFile(nullptr, path.c_str(), nullptr, "Pippalee\0page\0");
  if (!dc) return false;
  HENHMETAFILE mf = CloseEnhMetaFile(dc);
  if (!mf) return false;
  DeleteEnhMetaFile(mf);
  return true;
}

const std::vector<Writer>& Writers() {
  static const std::vector<Writer> writers = {
      {"BMP", "picture.bmp", WritePicture, "BM"},
      {"GIF", "picture.gif", WritePicture, "GIF8"},
      {"JPEG", "picture.jpg", WritePicture, "\xFF\xD8\xFF"},
      {"PNG", "picture.png", WritePicture, "\x89PNG"},
      {"metafile", "image.wmf", WriteMetafile, std::string("\x01\0\0\0", 4)},
      {"profile", "Pippalee.INI",
       [](const std::string& path) { return fw::WriteProfileString(path, "s", "k", "v"); }, "[s]"},
  };
  return writers;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

TEST(EveryWriterTest, LinksPlantedAtOldFixedNamesDoNotRedirectTheWrite) {
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    TempFolder root;
    const std::string victim = root.Make("victim.txt", "the user's own");
    const std::string target = root / w.file;
    const std::vector<std::string> planted = {target + ".pippalee-new", target + ".part",
                                              target + ".tmp", target + ".new"};
    for (const std::string& p : planted) std::filesystem::create_symlink(victim, p);
    ASSERT_TRUE(w.write(target));
    EXPECT_TRUE(StartsWith(ReadText(target), w.magic));
    EXPECT_FALSE(std::filesystem::is_symlink(target));
    EXPECT_EQ(ReadText(victim), "the user's own");
    for (const std::string& p : planted) EXPECT_TRUE(std::filesystem::is_symlink(p)) << p;
    EXPECT_EQ(FolderNames(root.path()).size(), planted.size() + 2);  // nothing else left
  }
}

TEST(EveryWriterTest, KeepsModeAndLinkAndLeavesTheOldFileOnAFullDisk) {
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    TempFolder root;
    // A private target behind a link.
    const std::string real = root.Make("real/" + std::string(w.file), "");
    ASSERT_TRUE(w.write(real));
    const std::string written = ReadText(real);
    chmod(real.c_str(), 0600);
    const std::string link = root / w.file;
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(w.write(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(StartsWith(ReadText(real), w.magic));
    EXPECT_EQ(Mode(real), 0600u);

    // The disk full: no write may change a byte of the old file.
    const std::string old = "[s]\nk=old\n; the old file, not a picture\n";
    std::filesystem::remove(real);
    root.Make("real/" + std::string(w.file), old);
    EXPECT_EQ(InChild([&] { return w.write(link) ? 1 : 0; }, 16), 0);
    EXPECT_EQ(ReadText(real), old);
    EXPECT_EQ(FolderNames(root / "real"), std::vector<std::string>{w.file});
  }
}

TEST(EveryWriterTest, RewritesAWritableTargetInAFolderThatRefusesNewFiles) {
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    ReadOnlyFolder ro(w.file, "[s]\nk=old\n");
    const int status =
        InChild([&] { return w.write(ro.target) ? 0 : 1; }, RLIM_INFINITY, As::kUnprivileged);
    if (status == 77) GTEST_SKIP() << "cannot run as another user";
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(StartsWith(ReadText(ro.target), w.magic));
    EXPECT_EQ(FolderNames(ro.folder), std::vector<std::string>{w.file});
  }
}

}  // namespace
