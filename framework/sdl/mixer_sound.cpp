#include "framework/sdl/mixer_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "framework/mci.h"

namespace fw::sdl {

namespace {

class MixerOutput;

struct Mixer {
  bool open = false;
  std::vector<MixerOutput*> outputs;  // every output open on the mixer
  MixerOutput* musicOwner = nullptr;  // whose tune the mixer's one music slot holds
};

// Never destroyed, so that an output freed at the very end still finds it.
Mixer& TheMixer() {
  static Mixer* mixer = new Mixer;
  return *mixer;
}

// Where a sound stands. At its end it stays there until sought to its start,
// as a played-out device does.
enum class Where { AtStart, Playing, Paused, Ended };

class MixerOutput : public SoundOutput {
 public:
  MixerOutput() { TheMixer().outputs.push_back(this); }
  ~MixerOutput() override {
    auto& outputs = TheMixer().outputs;
    outputs.erase(std::remove(outputs.begin(), outputs.end(), this), outputs.end());
  }
  // Stops and frees what the output holds on the mixer, which is closing.
  virtual void Release() = 0;
};

// A wave, whole in memory, played on a channel of its own.
class WaveOutput : public MixerOutput {
 public:
  explicit WaveOutput(Mix_Chunk* chunk) : chunk_(chunk) {}
  ~WaveOutput() override { Release(); }

  void Play() override {
    Refresh();
    if (where_ == Where::Paused) {
      Mix_Resume(channel_);
      where_ = Where::Playing;
    } else if (where_ == Where::AtStart && chunk_) {
      channel_ = Mix_PlayChannel(-1, chunk_, 0);
      if (channel_ < 0) {
        // Every channel busy: one more for this sound.
        Mix_AllocateChannels(Mix_AllocateChannels(-1) + 1);
        channel_ = Mix_PlayChannel(-1, chunk_, 0);
      }
      if (channel_ >= 0) where_ = Where::Playing;
    }
  }
  void Pause() override {
    Refresh();
    if (where_ == Where::Playing) {
      Mix_Pause(channel_);
      where_ = Where::Paused;
    }
  }
  void SeekToStart() override {
    if (OnChannel()) Mix_HaltChannel(channel_);
    channel_ = -1;
    where_ = Where::AtStart;
  }
  void Release() override {
    if (!chunk_) return;
    if (OnChannel()) Mix_HaltChannel(channel_);
    Mix_FreeChunk(chunk_);
    chunk_ = nullptr;
    channel_ = -1;
    where_ = Where::Ended;
  }

 private:
  // Whether the channel still holds this sound (played out, another sound
  // may have taken it).
  bool OnChannel() const {
    return chunk_ && channel_ >= 0 && Mix_Playing(channel_) && Mix_GetChunk(channel_) == chunk_;
  }
  void Refresh() {
    if ((where_ == Where::Playing || where_ == Where::Paused) && !OnChannel()) {
      where_ = Where::Ended;
    }
  }

  Mix_Chunk* chunk_;
  int channel_ = -1;
  Where where_ = Where::AtStart;
};

// A MIDI tune, played as the mixer's music through the synthesizer. Going
// back to the start means loading the tune afresh: the synthesizer's player
// can be neither rewound nor restarted (halted and played again, it goes on
// where it stopped). The file stays in memory for that.
class TuneOutput : public MixerOutput {
 public:
  TuneOutput(std::vector<std::uint8_t> bytes, Mix_Music* music)
      : bytes_(std::move(bytes)), music_(music) {}
  ~TuneOutput() override { Release(); }

  void Play() override {
    Refresh();
    if (where_ == Where::Paused && Owner()) {
      Mix_ResumeMusic();
      where_ = Where::Playing;
      return;
    }
    if (where_ == Where::Paused) Reload();  // another tune took the music: the place is lost
    if (where_ == Where::AtStart && music_ && Mix_PlayMusic(music_, 1) == 0) {
      TheMixer().musicOwner = this;
      where_ = Where::Playing;
    }
  }
  void Pause() override {
    Refresh();
    if (where_ == Where::Playing) {
      Mix_PauseMusic();
      where_ = Where::Paused;
    }
  }
  void SeekToStart() override {
    if (bytes_.empty()) return;  // released with the mixer
    Reload();
  }
  void Release() override {
    if (Owner()) {
      Mix_HaltMusic();
      TheMixer().musicOwner = nullptr;
    }
    if (music_) Mix_FreeMusic(music_);
    music_ = nullptr;
    bytes_.clear();
    where_ = Where::Ended;
  }

 private:
  bool Owner() const { return TheMixer().musicOwner == this; }
  void Refresh() {
    if (where_ == Where::Playing && (!Owner() || !Mix_PlayingMusic())) where_ = Where::Ended;
    if (where_ == Where::Ended && Owner()) TheMixer().musicOwner = nullptr;
  }
  void Reload() {
    if (Owner()) {
      Mix_HaltMusic();
      TheMixer().musicOwner = nullptr;
    }
    if (music_) Mix_FreeMusic(music_);
    music_ = Load(bytes_);
    where_ = Where::AtStart;
  }

 public:
  static Mix_Music* Load(const std::vector<std::uint8_t>& bytes) {
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    return rw ? Mix_LoadMUSType_RW(rw, MUS_MID, 1) : nullptr;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  Mix_Music* music_;
  Where where_ = Where::AtStart;
};

// The synthesizer needs a General MIDI sound font. Unless the user chose one,
// take the system's default one (Debian's alternative for it) or a known one.
void ChooseSoundFont() {
  if (std::getenv("SDL_SOUNDFONTS") || Mix_GetSoundFonts()) return;
  static const char* const kFonts[] = {
      "/usr/share/sounds/sf2/default-GM.sf2",
      "/usr/share/sounds/sf3/default-GM.sf3",
      "/usr/share/sounds/sf2/TimGM6mb.sf2",
      "/usr/share/sounds/sf2/FluidR3_GM.sf2",
  };
  for (const char* font : kFonts) {
    if (::access(font, R_OK) == 0) {
      Mix_SetSoundFonts(font);
      return;
    }
  }
}

}  // namespace

bool OpenMixer() {
  Mixer& m = TheMixer();
  if (m.open) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  // Without the synthesizer the tune's open fails and the book runs without it.
  Mix_Init(MIX_INIT_MID);
  Mix_AllocateChannels(16);
  ChooseSoundFont();
  m.open = true;
  return true;
}

void CloseMixer() {
  Mixer& m = TheMixer();
  if (!m.open) return;
  // Outputs the program still holds become silent; they free nothing later.
  for (MixerOutput* out : std::vector<MixerOutput*>(m.outputs)) out->Release();
  m.musicOwner = nullptr;
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  m.open = false;
}

std::unique_ptr<SoundOutput> OpenMixerSound(SoundKind kind, const std::string& path) {
  if (!TheMixer().open) return nullptr;
  std::vector<std::uint8_t> bytes;
  if (!ReadSoundFile(path, bytes) || !SoundLengthMs(kind, bytes)) return nullptr;
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return nullptr;
  if (kind == SoundKind::Wave) {
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    Mix_Chunk* chunk = rw ? Mix_LoadWAV_RW(rw, 1) : nullptr;
    if (!chunk) return nullptr;
    return std::make_unique<WaveOutput>(chunk);
  }
  Mix_Music* music = TuneOutput::Load(bytes);
  if (!music) return nullptr;
  return std::make_unique<TuneOutput>(std::move(bytes), music);
}

}  // namespace fw::sdl
