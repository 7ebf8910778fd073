// Page counting asks for 10 books × 99 outline pages by name, spelt with a
// lower-case "b" while the files on disk carry an upper-case "B", so every
// name is found through the folder's cached listing.
#include "framework/path_resolver.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/file.h"

namespace {

struct Folder {
  std::string root;
  std::vector<std::string> pageNames;  // as the program builds them

  Folder() {
    char name[] = "/tmp/pippalee-bench-XXXXXX";
    if (mkdtemp(name) == nullptr) std::abort();
    root = name;
    std::string books = root + "/books";
    mkdir(books.c_str(), 0755);
    // 1,000 files: pages 1 to 100 of books 1 to 10.
    for (int book = 1; book <= 10; ++book) {
      for (int page = 1; page <= 100; ++page) {
        char file[64];
        std::snprintf(file, sizeof file, "/PL%02d_%02dB.png", book, page);
        int fd = open((books + file).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) close(fd);
      }
    }
    // Written a while ago, as installed content is.
    timespec old[2];
    clock_gettime(CLOCK_REALTIME, &old[0]);
    old[0].tv_sec -= 3600;
    old[1] = old[0];
    utimensat(AT_FDCWD, books.c_str(), old, 0);
    for (int book = 1; book <= 10; ++book) {
      for (int page = 1; page <= 99; ++page) {
        char file[64];
        std::snprintf(file, sizeof file, "\\books\\PL%02d_%02db.png", book, page);
        pageNames.push_back(root + file);
      }
    }
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
};

Folder& TheFolder() {
  static Folder folder;
  return folder;
}

void BM_ResolvePageNamesCached(benchmark::State& state) {
  Folder& folder = TheFolder();
  fw::ResolvePath(folder.pageNames[0]);
  const std::uint64_t before = fw::PathListingCount();
  for (auto _ : state) {
    for (const std::string& name : folder.pageNames) {
      benchmark::DoNotOptimize(fw::ResolvePath(name));
    }
  }
  state.SetItemsProcessed(state.iterations() * folder.pageNames.size());
  state.counters["listings"] = static_cast<double>(fw::PathListingCount() - before);
}
BENCHMARK(BM_ResolvePageNamesCached)->Unit(benchmark::kMicrosecond);

void BM_CountPagesCached(benchmark::State& state) {
  Folder& folder = TheFolder();
  int pages = 0;
  for (auto _ : state) {
    pages = 0;
    for (const std::string& name : folder.pageNames) {
      CFileStatus status;
      if (CFile::GetStatus(name, status)) ++pages;
    }
    benchmark::DoNotOptimize(pages);
  }
  state.SetItemsProcessed(state.iterations() * folder.pageNames.size());
  state.counters["pages"] = pages;
}
BENCHMARK(BM_CountPagesCached)->Unit(benchmark::kMicrosecond);

// The first look into the folder: one listing of its 1,000 names.
void BM_FirstListing(benchmark::State& state) {
  Folder& folder = TheFolder();
  for (auto _ : state) {
    fw::ClearPathCache();
    benchmark::DoNotOptimize(fw::ResolvePath(folder.pageNames[0]));
  }
}
BENCHMARK(BM_FirstListing)->Unit(benchmark::kMicrosecond);

// For comparison: names spelt as on disk need no listing at all.
void BM_ResolveExactName(benchmark::State& state) {
  Folder& folder = TheFolder();
  const std::string exact = folder.root + "/books/PL05_50B.png";
  for (auto _ : state) benchmark::DoNotOptimize(fw::ResolvePath(exact));
}
BENCHMARK(BM_ResolveExactName)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
