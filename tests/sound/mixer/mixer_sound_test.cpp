// The desktop's sound on the real SDL2_mixer: clips play into SDL's disk
// audio driver, and the test listens to the file it writes.
#include "framework/sdl/mixer_sound.h"

#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "sound/sound_clip.h"
#include "tests/sound/sound_fixtures.h"
#include "tests/sound/sound_test_support.h"

using sound_fixtures::Note;
using sound_fixtures::ToneWave;
using sound_fixtures::Tune;

namespace {

// The headless platform with the desktop's player.
class MixerPlatform : public fw::headless::HeadlessPlatform {
 public:
  std::unique_ptr<fw::SoundOutput> OpenSound(fw::SoundKind kind, const std::string& path) override {
    return fw::sdl::OpenMixerSound(kind, path);
  }
};

constexpr double kC4 = 261.63;
constexpr double kG4 = 392.00;
constexpr double kA4 = 440.0;
constexpr double kA5 = 880.0;

class MixerSound : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(old_, sizeof old_), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    audioFile_ = dir_.path() + "/audio.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", audioFile_.c_str(), 1);
    ASSERT_TRUE(fw::sdl::OpenMixer()) << SDL_GetError();
    int channels = 0;
    Uint16 format = 0;
    ASSERT_EQ(Mix_QuerySpec(&rate_, &format, &channels), 1);
    ASSERT_EQ(format, AUDIO_S16SYS);
    channels_ = channels;
    fw::SetPlatform(&platform_);
  }
  void TearDown() override {
    fw::CloseAllMciDevices();
    fw::sdl::CloseMixer();
    fw::SetPlatform(nullptr);
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    [[maybe_unused]] int r = chdir(old_);
  }

  void Put(const std::string& relative, const std::string& bytes) {
    testing_support::WriteFile(Path(relative), bytes);
  }
  std::string Path(const std::string& relative) const { return dir_.path() + "/" + relative; }

  // Frames written to the audio file so far.
  long Frames() const {
    struct stat info {};
    if (::stat(audioFile_.c_str(), &info) != 0) return 0;
    return static_cast<long>(info.st_size) / (2 * channels_);
  }
  long FramesOf(int ms) const { return static_cast<long>(rate_) * ms / 1000; }

  // Waits until ms more of sound has been written; returns where the stretch
  // begins, past what the driver may already have mixed before the caller's
  // last command took effect.
  long Listen(int ms) {
    const long start = Frames() + FramesOf(kSettleMs);
    const long until = start + FramesOf(ms);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Frames() < until && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(Frames(), until) << "the audio driver stopped writing";
    lastFrom_ = start;
    lastTo_ = until;
    return start;
  }

  // The last stretch listened to, the channels mixed to one.
  std::vector<double> Heard() const {
    std::ifstream in(audioFile_, std::ios::binary);
    in.seekg(lastFrom_ * 2 * channels_);
    std::vector<std::int16_t> raw(static_cast<std::size_t>((lastTo_ - lastFrom_) * channels_));
    in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size() * 2));
    raw.resize(static_cast<std::size_t>(in.gcount() / 2));
    std::vector<double> mono;
    for (std::size_t i = 0; i + channels_ <= raw.size(); i += channels_) {
      double sum = 0;
      for (int c = 0; c < channels_; ++c) sum += raw[i + c];
      mono.push_back(sum / channels_);
    }
    return mono;
  }
  double Loudness() const {
    const std::vector<double> s = Heard();
    double sum = 0;
    for (double v : s) sum += v * v;
    return s.empty() ? 0 : std::sqrt(sum / s.size());
  }
  bool Silent() const {
    for (double v : Heard()) {
      if (v != 0) return false;
    }
    return !Heard().empty();
  }
  // Strength of one frequency in the last stretch (Goertzel).
  double Strength(double hz) const {
    const std::vector<double> s = Heard();
    const double k = 2 * std::cos(2 * M_PI * hz / rate_);
    double a = 0, b = 0;
    for (double v : s) {
      const double n = v + k * a - b;
      b = a;
      a = n;
    }
    return std::sqrt(a * a + b * b - k * a * b) / (s.empty() ? 1 : s.size());
  }
  // Whether the stretch sounds at first rather than second.
  ::testing::AssertionResult Sounds(double first, double second) const {
    const double f = Strength(first), s = Strength(second), loud = Loudness();
    if (loud > 200 && f > 4 * s) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "loudness " << loud << ", " << first << " Hz " << f << ", " << second << " Hz " << s;
  }

  static constexpr int kSettleMs = 120;
  MixerPlatform platform_;

 private:
  testing_support::TempDir dir_;
  std::string audioFile_;
  int rate_ = 0;
  int channels_ = 0;
  long lastFrom_ = 0;
  long lastTo_ = 0;
  char old_[4096] = {};
};

TEST_F(MixerSound, AWaveClipPlaysPausesResumesInPlaceAndRewinds) {
  // 440 Hz for the first second, 880 Hz for the next.
  std::string wave = ToneWave(22050, 1000, kA4);
  const std::string second = ToneWave(22050, 1000, kA5);
  wave += second.substr(44);
  for (int i = 0; i < 4; ++i) {
    wave[4 + i] = static_cast<char>(((wave.size() - 8) >> (8 * i)) & 0xFF);
    wave[40 + i] = static_cast<char>(((wave.size() - 44) >> (8 * i)) & 0xFF);
  }
  Put("wave/Click.Wav", wave);

  auto clip = std::make_unique<CSoundClip>("click.wav");
  Listen(200);
  EXPECT_TRUE(Silent()) << "a new clip waits for play";
  clip->Play();
  Listen(300);
  EXPECT_TRUE(Sounds(kA4, kA5));
  clip->Pause();
  Listen(1200);  // longer than the rest of the first tone
  EXPECT_TRUE(Silent());
  clip->Play();
  Listen(150);
  EXPECT_TRUE(Sounds(kA4, kA5)) << "resumed where it stopped";
  Listen(700);
  Listen(300);
  EXPECT_TRUE(Sounds(kA5, kA4)) << "the second tone";
  clip->Rewind();
  Listen(200);
  EXPECT_TRUE(Silent()) << "rewound, stopped at the start";
  clip->Play();
  Listen(300);
  EXPECT_TRUE(Sounds(kA4, kA5)) << "played again from the start";
  clip.reset();
  Listen(200);
  EXPECT_TRUE(Silent()) << "closing stops the sound";
}

TEST_F(MixerSound, TheTunePausesInPlaceAndRewindsToItsFirstNote) {
  Put("midi/10.mid", Tune({{60, 1500}, {67, 6000}}, 73));  // a flute
  CSoundClip tune;
  ASSERT_EQ(platform_.mci.size(), 1u);
  ASSERT_NE(platform_.mci[0].deviceId, 0u) << "the tune did not open: " << Mix_GetError();
  tune.Play();
  Listen(400);
  EXPECT_TRUE(Sounds(kC4, kG4)) << "the first note";
  tune.Pause();
  Listen(300);
  EXPECT_TRUE(Silent());
  Listen(1200);  // the first note would be over by now
  tune.Play();
  Listen(250);
  EXPECT_TRUE(Sounds(kC4, kG4)) << "resumed in the first note";
  Listen(1200);
  EXPECT_TRUE(Sounds(kG4, kC4)) << "the second note";
  tune.Rewind();
  Listen(300);
  EXPECT_TRUE(Silent()) << "rewound, stopped at the start";
  tune.Play();
  Listen(400);
  EXPECT_TRUE(Sounds(kC4, kG4)) << "played again from the first note";
  // Rewinding while paused starts from the first note as well.
  Listen(1400);
  tune.Pause();
  tune.Rewind();
  tune.Play();
  Listen(400);
  EXPECT_TRUE(Sounds(kC4, kG4));
}

TEST_F(MixerSound, FilesOfTheWrongKindDoNotOpen) {
  Put("wave/notes.wav", "RIFF but not a wave at all");
  Put("wave/tune.wav", Tune({{60, 500}}));
  Put("midi/10.mid", ToneWave(22050, 500, kA4));
  for (const char* name : {"notes.wav", "tune.wav", "missing.wav"}) {
    CSoundClip clip(name);
    clip.Play();
  }
  CSoundClip tune;
  tune.Play();
  for (const fw::MciRecord& r : platform_.mci) EXPECT_EQ(r.deviceId, 0u) << r.element;
  Listen(200);
  EXPECT_TRUE(Silent());
}

// Sounds the program still holds when the mixer closes go silent and free
// nothing twice.
TEST_F(MixerSound, SoundsOutliveTheMixerSafely) {
  Put("wave/a.wav", ToneWave(22050, 2000, kA4));
  Put("midi/10.mid", Tune({{60, 2000}}));
  auto wave = fw::sdl::OpenMixerSound(fw::SoundKind::Wave, Path("wave/a.wav"));
  auto music = fw::sdl::OpenMixerSound(fw::SoundKind::Midi, Path("midi/10.mid"));
  ASSERT_NE(wave, nullptr);
  ASSERT_NE(music, nullptr);
  wave->Play();
  music->Play();
  Listen(100);
  fw::sdl::CloseMixer();
  wave->Pause();
  music->SeekToStart();
  music->Play();
  wave.reset();
  music.reset();
  EXPECT_EQ(fw::sdl::OpenMixerSound(fw::SoundKind::Wave, Path("wave/a.wav")), nullptr);
}

TEST(MixerWithoutDevice, OpensFailAndTheBookRunsSilent) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_FALSE(fw::sdl::OpenMixer());
  unsetenv("SDL_AUDIODRIVER");
  testing_support::TempDir dir;
  testing_support::WriteFile(dir.path() + "/a.wav", ToneWave(22050, 200, kA4));
  EXPECT_EQ(fw::sdl::OpenMixerSound(fw::SoundKind::Wave, dir.path() + "/a.wav"), nullptr);
}

}  // namespace
