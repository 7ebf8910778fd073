// pippalee-content-gen <sources folder> <output folder>
//
// Writes the book's complete default content from the text sources: the
// pictures under books/, the sounds under wave/, the tune under midi/ and the
// two documents. The same sources always give the same files, byte for byte.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "tools/content-gen/draw.h"
#include "tools/content-gen/midi.h"
#include "tools/content-gen/pictures.h"
#include "tools/content-gen/rtf.h"
#include "tools/content-gen/sound.h"
#include "tools/content-gen/sources.h"
#include "tools/content-gen/speech.h"

namespace {

using namespace content;

std::string NarrationFileName(int book, int page) {
  char name[20];
  std::snprintf(name, sizeof name, "B%02d_%02d.wav", book, page);
  return name;
}

bool WriteBytes(const std::string& path, const std::string& bytes, std::string* error) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), std::streamsize(bytes.size()));
  if (!f.flush()) {
    *error = path + ": cannot be written";
    return false;
  }
  return true;
}

// The stage's sounds that the program plays by name.
const char* const kStageSounds[] = {"start.wav", "intro1.Wav", "intro2.wav", "Intro3.wav",
                                    "Click.Wav", "Order.Wav",  "B99.wav"};

bool WriteSounds(const std::string& dir, const std::vector<Voice>& voices,
                 const std::vector<Book>& books, std::string* error) {
  // Everything spoken, in one list for one run of the speech engine.
  std::vector<std::string> texts, files;
  for (const auto& v : voices) {
    if (v.kind != Voice::Kind::Say) continue;
    texts.push_back(v.text);
    files.push_back(v.file);
  }
  for (const Book& b : books) {
    for (std::size_t i = 0; i < b.pages.size(); ++i) {
      texts.push_back(b.pages[i].sentence);
      files.push_back(NarrationFileName(b.number, int(i) + 1));
    }
  }
  std::vector<Samples> spoken;
  if (!SpeakAll(texts, dir, &spoken, error)) return false;
  for (std::size_t i = 0; i < files.size(); ++i)
    if (!WriteWave(dir + files[i], spoken[i], error)) return false;
  for (const auto& v : voices) {
    Samples s;
    if (v.kind == Voice::Kind::Say) continue;
    if (v.kind == Voice::Kind::Click) {
      s = Click();
    } else {
      std::vector<int> keys;
      for (const auto& n : v.notes) keys.push_back(NoteKey(n));
      s = Chime(keys);
    }
    if (!WriteWave(dir + v.file, s, error)) return false;
  }
  return true;
}

// A page picture or narration of an earlier run that the stories no longer
// have would still be counted as a page: such files are removed. Other files
// in the folders are left alone.
bool RemoveStalePages(const std::string& out, const std::vector<Book>& books, std::string* error) {
  std::set<std::string> keep = {PageFileName(0, 1, false), PageFileName(0, 1, true)};
  for (const Book& b : books) {
    for (std::size_t i = 1; i <= b.pages.size(); ++i) {
      keep.insert(PageFileName(b.number, int(i), false));
      keep.insert(PageFileName(b.number, int(i), true));
      keep.insert(NarrationFileName(b.number, int(i)));
    }
  }
  static const std::regex kPage("pl[0-9]{2}_[0-9]{2,3}[bc]\\.png", std::regex::icase);
  static const std::regex kNarration("b[0-9]{2}_[0-9]{2,3}\\.wav", std::regex::icase);
  for (const char* sub : {"books", "wave"}) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(out + "/" + sub, ec)) {
      const std::string name = e.path().filename().string();
      if (keep.count(name) ||
          !(std::regex_match(name, kPage) || std::regex_match(name, kNarration)))
        continue;
      if (!std::filesystem::remove(e.path(), ec)) {
        *error = e.path().string() + ": an old page cannot be removed";
        return false;
      }
    }
  }
  return true;
}

bool Generate(const std::string& src, const std::string& out, std::string* error) {
  std::vector<Book> books;
  std::vector<Palette> palettes;
  std::vector<Voice> voices;
  Tune tune;
  Document about, order;
  if (!ReadBooks(src + "/books.txt", &books, error) ||
      !ReadPalettes(src + "/palettes.txt", &palettes, error) ||
      !ReadVoices(src + "/voices.txt", &voices, error) ||
      !ReadTune(src + "/tune.txt", &tune, error) ||
      !ReadDocument(src + "/documents/about.txt", &about, error) ||
      !ReadDocument(src + "/documents/order.txt", &order, error))
    return false;
  const Palette* page = FindPalette(palettes, "page");
  const Palette* stage = FindPalette(palettes, "stage");
  if (!page || !stage) {
    *error = "palettes: the palettes \"page\" and \"stage\" are needed";
    return false;
  }
  if (TuneSeconds(tune) <= 60) {
    *error = "tune: it must last more than a minute, so that the timer rewinds it while it plays";
    return false;
  }
  // Every fault of the sources is found before anything is written.
  for (const Book& b : books) {
    if (!KnownSubject(b.icon)) {
      *error = "book " + std::to_string(b.number) + ": no drawing of \"" + b.icon + "\"";
      return false;
    }
    for (const Page& p : b.pages) {
      if (!KnownSubject(p.subject)) {
        *error = "book " + std::to_string(b.number) + ": no drawing of \"" + p.subject + "\"";
        return false;
      }
    }
  }
  std::set<std::string> sounds;
  for (const auto& v : voices) sounds.insert(v.file);
  for (const char* name : kStageSounds) {
    if (!sounds.count(name)) {
      *error = std::string("voices: no sound for ") + name;
      return false;
    }
  }
  std::error_code ec;
  for (const char* sub : {"books", "wave", "midi"}) {
    std::filesystem::create_directories(out + "/" + sub, ec);
    if (ec) {
      *error = out + "/" + sub + ": cannot be made";
      return false;
    }
  }
  const PictureSources pictures{&books, page, stage};
  return RemoveStalePages(out, books, error) &&
         WriteStagePictures(out + "/books/", pictures, error) &&
         WriteBookPages(out + "/books/", pictures, error) &&
         WriteSounds(out + "/wave/", voices, books, error) &&
         WriteBytes(out + "/midi/10.mid", EncodeMidiFile(ArrangeTune(tune)), error) &&
         WriteBytes(out + "/about.doc", DocumentRtf(about), error) &&
         WriteBytes(out + "/order.doc", DocumentRtf(order), error);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pippalee-content-gen <sources folder> <output folder>\n");
    return 2;
  }
  std::string error;
  if (!Generate(argv[1], argv[2], &error)) {
    std::fprintf(stderr, "pippalee-content-gen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
