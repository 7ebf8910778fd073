// Sound clips on the headless platform: what each operation sends to the
// media control interface, and what the caller then hears on the virtual clock.
#include "sound/sound_clip.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/kernel.h"
#include "tests/sound/sound_fixtures.h"
#include "tests/sound/sound_test_support.h"

using fw::headless::SoundEvent;
using sound_fixtures::Note;
using sound_fixtures::ToneWave;
using sound_fixtures::Tune;

namespace {

class SoundClip : public sound_test::HeadlessSoundTest {
 protected:
  // The one open sound's state now; fails the test when not exactly one.
  fw::headless::HeadlessSounds::Sound Only() {
    const auto open = platform.sounds.OpenSounds();
    EXPECT_EQ(open.size(), 1u);
    return open.empty() ? fw::headless::HeadlessSounds::Sound{} : open.front();
  }
};

TEST_F(SoundClip, EachOperationSendsOneCommandWithItsFlags) {
  Put("wave/Click.Wav", ToneWave(22050, 300, 440));
  Put("midi/10.mid", Tune({{60, 2000}}));
  struct Case {
    const char* name;  // null: the tune
    const char* type;
    std::string element;
  };
  const Case cases[] = {
      {"Click.Wav", "waveaudio", Here() + "\\Wave\\Click.Wav"},
      {nullptr, "sequencer", Here() + "\\midi\\10.mid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    platform.mci.clear();
    auto clip = c.name ? std::make_unique<CSoundClip>(c.name) : std::make_unique<CSoundClip>();
    ASSERT_EQ(platform.mci.size(), 1u);
    const std::string id = std::to_string(platform.mci[0].deviceId);
    ASSERT_NE(id, "0");
    EXPECT_EQ(clip->Play(), 1);
    EXPECT_EQ(clip->Pause(), 0u);
    EXPECT_EQ(clip->Rewind(), 1);
    clip.reset();
    const std::string suffix = std::string(" ") + c.type + " " + c.element;
    EXPECT_EQ(Commands(), (std::vector<std::string>{
                              "open " + id + " 0x2200" + suffix,
                              "play " + id + " 0x1" + suffix,
                              "pause " + id + " 0x1" + suffix,
                              "seek " + id + " 0x100" + suffix,
                              "close " + id + " 0" + suffix,
                          }));
    EXPECT_EQ(fw::OpenMciDeviceCount(), 0);
  }
}

TEST_F(SoundClip, ANewClipIsStoppedAtItsStartUntilPlayed) {
  Put("wave/start.wav", ToneWave(22050, 1000, 440));
  CSoundClip clip("start.wav");
  Sleep(400);
  EXPECT_FALSE(Only().playing);
  EXPECT_EQ(Only().position, 0u);
  EXPECT_EQ(Only().length, 1000u);
  clip.Play();
  Sleep(400);
  EXPECT_TRUE(Only().playing);
  EXPECT_EQ(Only().position, 400u);
}

TEST_F(SoundClip, ReplacingAClipCutsTheOldOneOffBeforeTheNewOneStarts) {
  const std::string click = Put("wave/Click.Wav", ToneWave(22050, 2000, 440));
  const std::string voice = Put("wave/intro2.wav", ToneWave(22050, 1500, 660));
  CSoundClip* current = new CSoundClip("Click.Wav");
  current->Play();
  Sleep(100);
  // The caller's replacing: delete, construct, play, no waiting.
  delete current;
  current = new CSoundClip("intro2.wav");
  current->Play();
  EXPECT_EQ(platform.sounds.Audible(), std::vector<std::string>{voice});

  const auto& events = platform.sounds.Events();
  std::vector<std::string> order;
  for (const SoundEvent& e : events) {
    const char* what[] = {"open", "play", "pause", "seek", "close"};
    order.push_back(std::string(what[static_cast<int>(e.what)]) + " " + std::to_string(e.sound));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"open 1", "play 1", "close 1", "open 2", "play 2"}));
  // The click was still sounding when it closed: cut off at 100 ms of 2000.
  EXPECT_EQ(events[2].position, 100u);
  EXPECT_EQ(events[2].path, click);
  const auto commands = Commands();
  ASSERT_EQ(commands.size(), 5u);
  EXPECT_EQ(commands[2].rfind("close ", 0), 0u);
  EXPECT_EQ(commands[3].rfind("open ", 0), 0u);
  EXPECT_EQ(fw::OpenMciDeviceCount(), 1);
  delete current;
  EXPECT_TRUE(platform.sounds.Audible().empty());
}

// A clip that cannot be opened is silent, sends nothing after its open and
// shows nothing; the caller's sequence goes on.
TEST_F(SoundClip, AClipThatCannotOpenStaysSilent) {
  Put("wave/notes.wav", "This is not a wave file, only text.");
  Put("wave/tune.wav", Tune({{60, 500}}));
  Put("wave/cut.wav", ToneWave(22050, 500, 440).substr(0, 30));
  std::filesystem::create_directories(Here() + "/wave/folder.wav");
  const char* names[] = {"B03_02.wav", "notes.wav", "tune.wav", "cut.wav", "folder.wav", ""};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    platform.mci.clear();
    {
      CSoundClip clip(name);
      EXPECT_EQ(clip.Play(), 1);
      EXPECT_NE(clip.Pause(), 0u);
      EXPECT_EQ(clip.Rewind(), 1);
      EXPECT_TRUE(platform.sounds.Audible().empty());
    }
    ASSERT_EQ(platform.mci.size(), 1u);  // the open only
    EXPECT_EQ(platform.mci[0].command, MCI_OPEN);
    EXPECT_EQ(platform.mci[0].deviceId, 0u);
  }
  EXPECT_TRUE(platform.sounds.OpenSounds().empty());
  EXPECT_TRUE(platform.messageBoxes.empty());
  EXPECT_EQ(fw::OpenMciDeviceCount(), 0);
}

TEST_F(SoundClip, AMissingTuneStaysSilent) {
  CSoundClip tune;
  tune.Play();
  EXPECT_TRUE(platform.sounds.OpenSounds().empty());
  ASSERT_EQ(platform.mci.size(), 1u);
  EXPECT_EQ(platform.mci[0].deviceType, "sequencer");
}

TEST_F(SoundClip, NamesDifferingOnlyInCaseOpenTheSameFile) {
  const std::string onDisk = Put("wave/click.wav", ToneWave(22050, 200, 440));
  for (const char* name : {"Click.Wav", "click.wav", "CLICK.WAV"}) {
    CSoundClip clip(name);
    clip.Play();
    EXPECT_EQ(platform.sounds.Audible(), std::vector<std::string>{onDisk}) << name;
  }
  EXPECT_EQ(platform.soundsOpened, std::vector<std::string>(3, onDisk));
  // The tune's folder and name as another spelling on disk.
  const std::string tune = Put("MIDI/10.MID", Tune({{60, 500}}));
  CSoundClip clip;
  clip.Play();
  EXPECT_EQ(platform.sounds.Audible(), std::vector<std::string>{tune});
}

TEST_F(SoundClip, PauseKeepsTheTunesPlaceAndRewindGoesBackToTheStart) {
  Put("midi/10.mid", Tune({{60, 30000}, {64, 30000}}));
  CSoundClip tune;
  EXPECT_EQ(Only().length, 60000u);
  tune.Play();
  Sleep(3000);
  tune.Pause();
  Sleep(5000);
  EXPECT_FALSE(Only().playing);
  EXPECT_EQ(Only().position, 3000u);
  tune.Play();
  Sleep(1000);
  EXPECT_TRUE(Only().playing);
  EXPECT_EQ(Only().position, 4000u);
  // Rewinding while playing stops the tune at its start.
  tune.Rewind();
  Sleep(1000);
  EXPECT_FALSE(Only().playing);
  EXPECT_EQ(Only().position, 0u);
  tune.Play();
  Sleep(500);
  EXPECT_EQ(Only().position, 500u);
}

// Nothing loops the tune: at its end it stays there, and play does nothing
// until it is rewound.
TEST_F(SoundClip, ATuneThatPlayedToItsEndWaitsForARewind) {
  Put("midi/10.mid", Tune({{60, 2000}}));
  CSoundClip tune;
  tune.Play();
  Sleep(2500);
  EXPECT_FALSE(Only().playing);
  EXPECT_EQ(Only().position, 2000u);
  tune.Play();
  Sleep(500);
  EXPECT_FALSE(Only().playing);
  tune.Rewind();
  tune.Play();
  Sleep(500);
  EXPECT_TRUE(Only().playing);
  EXPECT_EQ(Only().position, 500u);
}

}  // namespace
