// Small content for the stage's tests, made in the test: every stage picture
// as a plain block of its own colour, page pictures whose pixels tell where
// they come from, and short sounds the headless player accepts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/headless/headless_platform.h"
#include "framework/path_resolver.h"
#include "framework/surface.h"
#include "image/image_impl.h"
#include "image/picture.h"
#include "tests/support/book_run.h"
#include "tests/support/data_files.h"

namespace testing_support {

struct Rgb {
  std::uint8_t r, g, b;
  std::uint32_t Value() const { return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b; }
};

// Writes an 8-bit palette PNG whose pixel (x, y), counted from the top, has
// palette index index(x, y); with padTo, zero bytes after the end make the file that long.
inline void WritePalettePng(const std::string& path, int width, int height,
                            const std::vector<Rgb>& palette,
                            const std::function<int(int, int)>& index, std::uint64_t padTo = 0) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  CPicture picture("", IMAGE_PNG);
  ASSERT_GT(picture.Create(width, height, 8, 3), 0) << path;
  std::vector<BYTE> red, green, blue;
  for (const Rgb& c : palette) {
    red.push_back(c.r);
    green.push_back(c.g);
    blue.push_back(c.b);
  }
  picture.SetPalette(static_cast<int>(palette.size()), red.data(), green.data(), blue.data());
  for (int y = 0; y < height; ++y) {
    // The picture's rows are stored bottom-up.
    for (int x = 0; x < width; ++x) picture.SetPixelIndex(x, height - 1 - y, index(x, y));
  }
  ASSERT_TRUE(picture.GetImpl()->Write(path)) << path;
  if (padTo) {
    const auto size = std::filesystem::file_size(path);
    ASSERT_LE(size, padTo) << path << " is too large to pad";
    std::ofstream(path, std::ios::binary | std::ios::app)
        << std::string(static_cast<size_t>(padTo - size), '\0');
  }
}

inline void WriteSolidPng(const std::string& path, int width, int height, Rgb colour,
                          std::uint64_t padTo = 0) {
  WritePalettePng(
      path, width, height, {colour}, [](int, int) { return 0; }, padTo);
}

// A mono 8-bit wave of the given length.
inline void WriteWave(const std::string& path, int milliseconds = 1000) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  const std::uint32_t rate = 8000;
  const std::uint32_t data = rate * static_cast<std::uint32_t>(milliseconds) / 1000;
  std::string b;
  auto u32 = [&b](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto u16 = [&b](std::uint16_t v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>(v >> 8));
  };
  b += "RIFF";
  u32(36 + data);
  b += "WAVEfmt ";
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(rate);
  u32(rate);  // bytes a second
  u16(1);     // block
  u16(8);     // bits
  b += "data";
  u32(data);
  b += std::string(data, '\x80');
  std::ofstream(path, std::ios::binary) << b;
}

// A one-track MIDI tune: one note held for about a minute.
inline void WriteTune(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  const std::string track = std::string("\x00\x90\x3C\x40", 4) +      // note on
                            std::string("\xDA\x00\x80\x3C\x40", 5) +  // 11520 ticks, note off
                            std::string("\x00\xFF\x2F\x00", 4);       // end of track
  std::string b = std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14);
  b += "MTrk";
  const auto n = static_cast<std::uint32_t>(track.size());
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  b += track;
  std::ofstream(path, std::ios::binary) << b;
}

// --- the stage pictures

struct StagePicture {
  std::string name;
  int width, height;
  Rgb colour;
};

// Every picture of the main screen, each a block of a colour of its own.
inline std::vector<StagePicture> StagePictures() {
  std::vector<StagePicture> pictures;
  int i = 0;
  auto add = [&](const std::string& name, int w, int h) {
    const Rgb c{static_cast<std::uint8_t>(30 + 5 * i), static_cast<std::uint8_t>(220 - 4 * i),
                static_cast<std::uint8_t>(60 + 3 * i)};
    pictures.push_back({name, w, h, c});
    ++i;
  };
  for (int f = 1; f <= 5; ++f) add("Title_animate" + std::to_string(f) + ".png", 50, 59);
  add("Title2U.png", 190, 40);
  add("Title2D.png", 190, 40);
  add("Title3.png", 400, 40);
  add("Nav_u.png", 50, 42);
  add("Nav_d.png", 50, 42);
  add("Nav1_u.png", 50, 42);
  add("Nav1_d.png", 50, 42);
  for (int n = 1; n <= 10; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "But%02du.png", n);
    add(name, 50, 42);
  }
  for (int n = 1; n <= 10; ++n) add(PressedFaceName(n), 50, 42);
  add("splash.png", 100, 60);
  return pictures;
}

inline Rgb StageColour(const std::string& name) {
  for (const StagePicture& p : StagePictures()) {
    if (fw::FoldFileNameCase(p.name) == fw::FoldFileNameCase(name)) return p.colour;
  }
  ADD_FAILURE() << "no stage picture " << name;
  return {};
}

// --- the page pictures. Outline and colour pictures share one palette, as
// the book's pages do: indices 1 to 200 make the colour picture's pattern,
// 201 to 255 the outline pictures' solid colours.

inline std::vector<Rgb> PagePalette() {
  std::vector<Rgb> palette(256);
  palette[0] = {255, 255, 255};
  for (int i = 1; i < 256; ++i) {
    palette[static_cast<size_t>(i)] = {static_cast<std::uint8_t>(i),
                                       static_cast<std::uint8_t>(255 - i),
                                       static_cast<std::uint8_t>((i * 37) & 0xFF)};
  }
  return palette;
}

// The colour picture's pixel (x, y): each one-pixel shift changes it.
inline int PatternIndex(int x, int y) { return 1 + (x * 3 + y * 7) % 200; }
inline std::uint32_t PatternColour(int x, int y) {
  return PagePalette()[static_cast<size_t>(PatternIndex(x, y))].Value();
}
// The outline picture of a page is solid; book 0 is the cover.
inline int OutlineIndex(int book, int page) { return 201 + (book * 11 + page) % 55; }
inline std::uint32_t OutlineColour(int book, int page) {
  return PagePalette()[static_cast<size_t>(OutlineIndex(book, page))].Value();
}

inline std::string PageName(int book, int page, char kind) {
  char name[32];
  std::snprintf(name, sizeof name, "PL%02d_%02d%c.png", book, page, kind);
  return name;
}

// Outline and colour picture of page `page` (from 1) of book `book`.
inline void WritePage(const std::string& contentDir, int book, int page, bool outline = true,
                      bool colour = true) {
  const std::string books = contentDir + "/books/";
  const int fill = OutlineIndex(book, page);
  if (outline) {
    WritePalettePng(books + PageName(book, page, 'b'), 590, 440, PagePalette(),
                    [fill](int, int) { return fill; });
  }
  if (colour) {
    WritePalettePng(books + PageName(book, page, 'c'), 590, 440, PagePalette(), PatternIndex);
  }
}

// The whole stage: every picture (the checked ones at their sizes), the
// cover, the sounds of the stage and the tune.
inline void WriteStage(const std::string& contentDir) {
  const std::string books = contentDir + "/books/";
  for (const StagePicture& p : StagePictures()) {
    std::uint64_t pad = 0;
    for (const CheckedFile& f : kSizedDataFiles) {
      if (fw::FoldFileNameCase(f.name) == fw::FoldFileNameCase(p.name)) pad = f.size;
    }
    // The checked file on disk may be spelt otherwise: replace it.
    for (const auto& e : std::filesystem::directory_iterator(books)) {
      if (fw::FoldFileNameCase(e.path().filename().string()) == fw::FoldFileNameCase(p.name)) {
        std::filesystem::remove(e.path());
      }
    }
    WriteSolidPng(books + p.name, p.width, p.height, p.colour, pad);
  }
  WritePage(contentDir, 0, 1);
  for (const char* name : {"start.wav", "intro1.wav", "intro2.wav", "Intro3.wav", "click.wav",
                           "Order.wav", "B99.wav"}) {
    WriteWave(contentDir + "/Wave/" + name, 3000);
  }
  WriteTune(contentDir + "/midi/10.mid");
}

inline void WriteNarration(const std::string& contentDir, const std::string& name) {
  WriteWave(contentDir + "/Wave/" + name, 3000);
}

// The main screen's (0, 0) on the 800 by 600 screen of the headless platform.
constexpr int kStageX = 80;
constexpr int kStageY = 80;

// Answers the start dialog with Enter as soon as it is up.
inline void PassStartDialog(BookRun& run) {
  run.platform.WhenIdle([&run] { run.platform.Key(VK_RETURN); });
}

// Runs steps one after another once the stage is up, `gap` ms apart on the
// virtual clock, so that clicks are separate clicks, not double clicks, and
// each click's handling has ended before the next step.
inline void Script(BookRun& run, std::vector<std::function<void()>> steps, DWORD gap = 2000) {
  run.platform.WhenIdle([&run, steps, gap] {
    const DWORD start = run.platform.Now();
    for (size_t i = 0; i < steps.size(); ++i) {
      run.platform.At(start + gap * static_cast<DWORD>(i + 1), steps[i]);
    }
  });
}

// A click on the stage, in main-screen coordinates.
inline void ClickStage(BookRun& run, int x, int y) { run.platform.Click(kStageX + x, kStageY + y); }
// A click on the button of book n (1 to 10).
inline void ClickBook(BookRun& run, int n) { ClickStage(run, 25, 59 + 42 * (n - 1) + 20); }

// --- watching the run

inline const fw::Surface& FrameSurface() { return *BookRun::Frame()->m_hWnd->surface; }
// A pixel of the stage, in main-screen coordinates.
inline std::uint32_t StagePixel(int x, int y) {
  return FrameSurface().Pixel(kStageX + x, kStageY + y);
}

// What the sounds were told, as "play intro2.wav", "pause 10.mid", from event
// `from` on.
inline std::vector<std::string> SoundLog(const fw::headless::HeadlessPlatform& platform,
                                         size_t from = 0) {
  using What = fw::headless::SoundEvent::What;
  std::vector<std::string> log;
  const auto& events = platform.sounds.Events();
  for (size_t i = from; i < events.size(); ++i) {
    const auto& e = events[i];
    const char* verb = e.what == What::Open          ? "open"
                       : e.what == What::Play        ? "play"
                       : e.what == What::Pause       ? "pause"
                       : e.what == What::SeekToStart ? "rewind"
                                                     : "close";
    log.push_back(std::string(verb) + " " + std::filesystem::path(e.path).filename().string());
  }
  return log;
}

// Only the sounds started, by file name.
inline std::vector<std::string> SoundsPlayed(const fw::headless::HeadlessPlatform& platform,
                                             size_t from = 0) {
  std::vector<std::string> played;
  for (const std::string& entry : SoundLog(platform, from)) {
    if (entry.rfind("play ", 0) == 0) played.push_back(entry.substr(5));
  }
  return played;
}

// Writes the frame's surface as a PPM picture when PIPPALEE_SNAPSHOT_DIR is
// set, for a person to look at.
inline void Snapshot(const std::string& name) {
  const char* dir = std::getenv("PIPPALEE_SNAPSHOT_DIR");
  if (!dir) return;
  const fw::Surface& s = FrameSurface();
  std::ofstream out(std::string(dir) + "/" + name + ".ppm", std::ios::binary);
  out << "P6 " << s.width << " " << s.height << " 255\n";
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      const std::uint32_t p = s.Pixel(x, y);
      out.put(static_cast<char>(p >> 16)).put(static_cast<char>(p >> 8)).put(static_cast<char>(p));
    }
  }
}

}  // namespace testing_support
