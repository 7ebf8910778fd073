// The text sources of the default content: books, palettes, voices, the tune
// and the documents. Every reader reports the first fault with its file and line.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace content {

struct Page {
  std::string subject;
  int count = 1;  // how many times the subject is drawn
  std::string sentence;
};

struct Book {
  int number = 0;  // 1 to 10
  std::string title;
  std::string icon;
  std::vector<Page> pages;
};

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

struct NamedColour {
  std::string name;
  Rgb rgb;
};

struct Palette {
  std::string name;
  std::vector<NamedColour> colours;  // "white" and "ink" first
};

struct Voice {
  enum class Kind { Say, Click, Chime };
  Kind kind = Kind::Say;
  std::string file;
  std::string text;                // the words to say
  std::vector<std::string> notes;  // the chime's notes
};

struct Note {
  int key = -1;  // MIDI key; -1 is a rest
  double beats = 1;
};

struct Chord {
  std::string name;
  double beats = 1;
};

struct Section {
  std::string name;
  int voice = 0;   // General MIDI program of the melody
  int octave = 0;  // shift of the melody
  std::vector<Note> melody;
  std::vector<Chord> chords;
};

struct Tune {
  int tempo = 120;
  int beatsPerBar = 4;
  int chordsVoice = 0;
  int bassVoice = 32;
  std::vector<Section> sections;
  std::vector<std::string> order;
};

struct Document {
  std::string title;
  // Blocks in order: headings, paragraphs and bullet items.
  struct Block {
    enum class Kind { Heading, Paragraph, Bullet };
    Kind kind;
    std::string text;
  };
  std::vector<Block> blocks;
};

// Each reader returns false and sets *error on the first fault.
bool ReadBooks(const std::string& path, std::vector<Book>* books, std::string* error);
bool ReadPalettes(const std::string& path, std::vector<Palette>* palettes, std::string* error);
bool ReadVoices(const std::string& path, std::vector<Voice>* voices, std::string* error);
bool ReadTune(const std::string& path, Tune* tune, std::string* error);
bool ReadDocument(const std::string& path, Document* doc, std::string* error);

// "C4" is 60, "F#4" 66, "Bb3" 58; -1 for a name that is no note.
int NoteKey(const std::string& name);

const Palette* FindPalette(const std::vector<Palette>& palettes, const std::string& name);

}  // namespace content
