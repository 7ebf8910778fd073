#include "tools/content-gen/sources.h"

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace content {
namespace {

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Words(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

bool ParseInt(const std::string& s, int lo, int hi, int* out) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  const int v = std::atoi(s.c_str());
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

// Beats: a positive decimal of at most a few digits ("2", "0.5").
bool ParseBeats(const std::string& s, double* out) {
  if (s.empty() || s.size() > 6) return false;
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (*end != '\0' || !(v > 0) || v > 64) return false;
  *out = v;
  return true;
}

// Reads the lines of a file, each with its number.
bool ReadLines(const std::string& path, std::vector<std::pair<int, std::string>>* lines,
               std::string* error, bool document = false) {
  std::ifstream in(path);
  if (!in) {
    *error = path + ": cannot be read";
    return false;
  }
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    ++n;
    // A document keeps its blank lines (they end paragraphs) and its "## "
    // headings; elsewhere "#" starts a comment.
    if (!document && !line.empty() && line[0] == '#') continue;
    const std::string t = Trim(line);
    if (t.empty() && !document) continue;
    lines->emplace_back(n, document ? line : t);
  }
  return true;
}

std::string Where(const std::string& path, int line) {
  return path + ":" + std::to_string(line) + ": ";
}

}  // namespace

int NoteKey(const std::string& name) {
  static const int kSemitone[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') return -1;
  int key = kSemitone[name[0] - 'A'];
  std::size_t i = 1;
  if (name[i] == '#') {
    ++key;
    ++i;
  } else if (name[i] == 'b') {
    --key;
    ++i;
  }
  int octave = 0;
  if (i + 1 != name.size() || !ParseInt(name.substr(i), 0, 8, &octave)) return -1;
  const int k = key + 12 * (octave + 1);
  return (k >= 0 && k <= 127) ? k : -1;
}

const Palette* FindPalette(const std::vector<Palette>& palettes, const std::string& name) {
  for (const auto& p : palettes)
    if (p.name == name) return &p;
  return nullptr;
}

bool ReadBooks(const std::string& path, std::vector<Book>* books, std::string* error) {
  std::vector<std::pair<int, std::string>> lines;
  if (!ReadLines(path, &lines, error)) return false;
  books->clear();
  std::set<int> seen;
  for (const auto& [n, line] : lines) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) {
      *error = Where(path, n) + "expected \"key: value\"";
      return false;
    }
    const std::vector<std::string> key = Words(line.substr(0, colon));
    const std::string value = Trim(line.substr(colon + 1));
    if (key.size() == 2 && key[0] == "book") {
      Book b;
      if (!ParseInt(key[1], 1, 10, &b.number) || seen.count(b.number)) {
        *error = Where(path, n) + "a book number is 1 to 10, each once";
        return false;
      }
      seen.insert(b.number);
      b.title = value;
      books->push_back(b);
      continue;
    }
    if (books->empty()) {
      *error = Where(path, n) + "a page or icon before the first book";
      return false;
    }
    Book& b = books->back();
    if (key.size() == 1 && key[0] == "icon") {
      b.icon = value;
    } else if ((key.size() == 2 || key.size() == 3) && key[0] == "page") {
      Page p;
      p.subject = key[1];
      if (key.size() == 3 &&
          (key[2].size() < 2 || key[2][0] != 'x' || !ParseInt(key[2].substr(1), 1, 12, &p.count))) {
        *error = Where(path, n) + "a count is x1 to x12";
        return false;
      }
      p.sentence = value;
      if (p.sentence.empty()) {
        *error = Where(path, n) + "a page needs its sentence";
        return false;
      }
      b.pages.push_back(p);
      if (b.pages.size() > 99) {
        *error = Where(path, n) + "a book has at most 99 pages";
        return false;
      }
    } else {
      *error = Where(path, n) + "unknown key \"" + line.substr(0, colon) + "\"";
      return false;
    }
  }
  if (books->size() != 10) {
    *error = path + ": the set has ten books, found " + std::to_string(books->size());
    return false;
  }
  for (const auto& b : *books) {
    if (b.pages.empty() || b.icon.empty()) {
      *error = path + ": book " + std::to_string(b.number) + " needs an icon and pages";
      return false;
    }
  }
  return true;
}

bool ReadPalettes(const std::string& path, std::vector<Palette>* palettes, std::string* error) {
  std::vector<std::pair<int, std::string>> lines;
  if (!ReadLines(path, &lines, error)) return false;
  palettes->clear();
  for (const auto& [n, line] : lines) {
    const auto w = Words(line);
    if (w.size() == 2 && w[0] == "palette") {
      palettes->push_back(Palette{w[1], {}});
      continue;
    }
    if (palettes->empty() || w.size() != 2 || w[1].size() != 6 ||
        w[1].find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      *error = Where(path, n) + "expected \"palette <name>\" or \"<colour> RRGGBB\"";
      return false;
    }
    const unsigned long v = std::strtoul(w[1].c_str(), nullptr, 16);
    palettes->back().colours.push_back(
        NamedColour{w[0], Rgb{std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)}});
  }
  for (const auto& p : *palettes) {
    if (p.colours.size() < 2 || p.colours[0].name != "white" || p.colours[1].name != "ink" ||
        p.colours.size() > 64) {
      *error =
          path + ": palette " + p.name + " starts with white and ink and has at most 64 colours";
      return false;
    }
  }
  return true;
}

bool ReadVoices(const std::string& path, std::vector<Voice>* voices, std::string* error) {
  std::vector<std::pair<int, std::string>> lines;
  if (!ReadLines(path, &lines, error)) return false;
  voices->clear();
  for (const auto& [n, line] : lines) {
    const auto colon = line.find(':');
    const auto head = Words(line.substr(0, colon));
    const std::string value = colon == std::string::npos ? "" : Trim(line.substr(colon + 1));
    Voice v;
    if (head.size() != 2 || head[1].find_first_of("/\\") != std::string::npos) {
      *error = Where(path, n) + "expected \"<kind> <file>[: ...]\"";
      return false;
    }
    v.file = head[1];
    if (head[0] == "say" && !value.empty()) {
      v.kind = Voice::Kind::Say;
      v.text = value;
    } else if (head[0] == "click" && colon == std::string::npos) {
      v.kind = Voice::Kind::Click;
    } else if (head[0] == "chime" && !value.empty()) {
      v.kind = Voice::Kind::Chime;
      v.notes = Words(value);
      for (const auto& note : v.notes) {
        if (NoteKey(note) < 0) {
          *error = Where(path, n) + "\"" + note + "\" is not a note";
          return false;
        }
      }
    } else {
      *error = Where(path, n) +
               "a voice is \"say <file>: words\", \"click <file>\" or "
               "\"chime <file>: notes\"";
      return false;
    }
    voices->push_back(v);
  }
  return true;
}

bool ReadTune(const std::string& path, Tune* tune, std::string* error) {
  std::vector<std::pair<int, std::string>> lines;
  if (!ReadLines(path, &lines, error)) return false;
  *tune = Tune{};
  // A melody or chords list may go on over the following lines.
  enum class Cont { None, Melody, Chords } cont = Cont::None;
  for (const auto& [n, rawLine] : lines) {
    std::string line = rawLine;
    std::string body;
    const auto colon = line.find(':');
    const std::string key = colon == std::string::npos ? "" : Trim(line.substr(0, colon));
    if (key == "melody" || key == "chords" || key == "play") {
      cont = key == "melody" ? Cont::Melody : key == "chords" ? Cont::Chords : Cont::None;
      body = line.substr(colon + 1);
      if (key == "play") {
        tune->order = Words(body);
        continue;
      }
      if (tune->sections.empty()) {
        *error = Where(path, n) + "notes before the first section";
        return false;
      }
    } else {
      const auto w = Words(line);
      const bool isSetting = w[0] == "tempo" || w[0] == "beats" || w[0] == "chords-voice" ||
                             w[0] == "bass-voice" || w[0] == "section";
      if (!isSetting && cont != Cont::None) {
        body = line;
      } else {
        cont = Cont::None;
        bool ok = true;
        if (w[0] == "tempo" && w.size() == 2) {
          ok = ParseInt(w[1], 30, 240, &tune->tempo);
        } else if (w[0] == "beats" && w.size() == 2) {
          ok = ParseInt(w[1], 2, 8, &tune->beatsPerBar);
        } else if (w[0] == "chords-voice" && w.size() == 2) {
          ok = ParseInt(w[1], 0, 127, &tune->chordsVoice);
        } else if (w[0] == "bass-voice" && w.size() == 2) {
          ok = ParseInt(w[1], 0, 127, &tune->bassVoice);
        } else if (w[0] == "section" && (w.size() == 4 || w.size() == 6) && w[2] == "voice") {
          Section s;
          s.name = w[1];
          ok = ParseInt(w[3], 0, 127, &s.voice);
          if (ok && w.size() == 6) {
            ok = w[4] == "octave" && ParseInt(w[5], 0, 2, &s.octave);
          }
          tune->sections.push_back(s);
        } else {
          ok = false;
        }
        if (!ok) {
          *error = Where(path, n) + "cannot read \"" + line + "\"";
          return false;
        }
        continue;
      }
    }
    Section& s = tune->sections.back();
    for (const auto& tok : Words(body)) {
      if (tok == "|") continue;
      const auto c = tok.find(':');
      const std::string name = tok.substr(0, c);
      double beats = 1;
      if (c != std::string::npos && !ParseBeats(tok.substr(c + 1), &beats)) {
        *error = Where(path, n) + "bad length in \"" + tok + "\"";
        return false;
      }
      if (cont == Cont::Melody) {
        const int k = name == "r" ? -1 : NoteKey(name);
        if (name != "r" && k < 0) {
          *error = Where(path, n) + "\"" + name + "\" is not a note";
          return false;
        }
        s.melody.push_back(Note{k, beats});
      } else {
        static const std::set<std::string> kChords = {"C", "F", "G", "G7", "Am", "Dm", "Em"};
        if (!kChords.count(name)) {
          *error = Where(path, n) + "\"" + name + "\" is not a chord I know";
          return false;
        }
        s.chords.push_back(Chord{name, beats});
      }
    }
  }
  if (tune->sections.empty() || tune->order.empty()) {
    *error = path + ": a tune needs sections and a play line";
    return false;
  }
  for (const auto& s : tune->sections) {
    double m = 0, c = 0;
    for (const auto& x : s.melody) m += x.beats;
    for (const auto& x : s.chords) c += x.beats;
    if (s.melody.empty() || m != c) {
      *error = path + ": section " + s.name + " has " + std::to_string(m) +
               " beats of melody and " + std::to_string(c) + " of chords";
      return false;
    }
  }
  for (const auto& name : tune->order) {
    bool found = false;
    for (const auto& s : tune->sections) found = found || s.name == name;
    if (!found) {
      *error = path + ": the play line names an unknown section " + name;
      return false;
    }
  }
  return true;
}

bool ReadDocument(const std::string& path, Document* doc, std::string* error) {
  std::vector<std::pair<int, std::string>> lines;
  if (!ReadLines(path, &lines, error, true)) return false;
  *doc = Document{};
  // The block that a continued line joins (an index: the vector grows).
  std::size_t open = 0;
  const std::size_t kNone = static_cast<std::size_t>(-1);
  open = kNone;
  for (const auto& [n, raw] : lines) {
    const std::string t = Trim(raw);
    if (t.empty()) {
      open = kNone;
      continue;
    }
    if (StartsWith(t, "title:")) {
      doc->title = Trim(t.substr(6));
      open = kNone;
    } else if (StartsWith(t, "## ")) {
      doc->blocks.push_back({Document::Block::Kind::Heading, Trim(t.substr(3))});
      open = kNone;
    } else if (StartsWith(t, "- ")) {
      doc->blocks.push_back({Document::Block::Kind::Bullet, Trim(t.substr(2))});
      open = doc->blocks.size() - 1;
    } else if (open != kNone) {
      doc->blocks[open].text += " " + t;
    } else {
      doc->blocks.push_back({Document::Block::Kind::Paragraph, t});
      open = doc->blocks.size() - 1;
    }
  }
  if (doc->title.empty()) {
    *error = path + ": a document starts with \"title: ...\"";
    return false;
  }
  return true;
}

}  // namespace content
