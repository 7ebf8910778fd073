// The media control interface itself: refused commands, and what the players
// accept as wave and MIDI files.
#include "framework/mci.h"

#include <gtest/gtest.h>

#include "tests/sound/sound_fixtures.h"
#include "tests/sound/sound_test_support.h"

using sound_fixtures::Bytes;
using sound_fixtures::ToneWave;
using sound_fixtures::Tune;

namespace {

class Mci : public sound_test::HeadlessSoundTest {
 protected:
  MCIERROR Open(const char* type, const std::string& element, DWORD flags,
                MCIDEVICEID* id = nullptr) {
    MCI_OPEN_PARMS p{};
    p.wDeviceID = 77;  // must not survive a failed open
    p.lpstrDeviceType = type;
    p.lpstrElementName = element.c_str();
    const MCIERROR r = mciSendCommand(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&p));
    if (id) *id = p.wDeviceID;
    return r;
  }
};

TEST_F(Mci, OpenChecksItsBlockTypeAndFile) {
  const std::string wave = Put("wave/a.wav", ToneWave(8000, 100, 440));
  const DWORD both = MCI_OPEN_TYPE | MCI_OPEN_ELEMENT;
  struct Case {
    const char* type;
    std::string element;
    DWORD flags;
    MCIERROR result;
  };
  const Case cases[] = {
      {"waveaudio", Here() + "\\WAVE\\A.WAV", both, 0},
      {"WaveAudio", wave, both, 0},
      {"sequencer", wave, both, MCIERR_INVALID_FILE},  // a wave is no MIDI file
      {"cdaudio", wave, both, MCIERR_INVALID_DEVICE_NAME},
      {nullptr, wave, both, MCIERR_DEVICE_TYPE_REQUIRED},
      {"waveaudio", wave, MCI_OPEN_ELEMENT, MCIERR_DEVICE_TYPE_REQUIRED},
      {"waveaudio", wave, MCI_OPEN_TYPE, MCIERR_FILENAME_REQUIRED},
      {"waveaudio", "", both, MCIERR_FILENAME_REQUIRED},
      {"waveaudio", wave, both | MCI_OPEN_ALIAS, MCIERR_UNSUPPORTED_FUNCTION},
      {"waveaudio", Here() + "/wave/b.wav", both, MCIERR_FILE_NOT_FOUND},
      {"waveaudio", Here() + "/wave", both, MCIERR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.element + " " + (c.type ? c.type : "(no type)"));
    MCIDEVICEID id = 0;
    EXPECT_EQ(Open(c.type, c.element, c.flags, &id), c.result);
    EXPECT_EQ(id != 0, c.result == 0);
    EXPECT_EQ(platform.mci.back().deviceId, id);
    if (id) {
      EXPECT_EQ(mciSendCommand(id, MCI_CLOSE, 0, 0), 0u);
    }
  }
  EXPECT_EQ(mciSendCommand(0, MCI_OPEN, both, 0), MCIERR_NULL_PARAMETER_BLOCK);
  EXPECT_EQ(fw::OpenMciDeviceCount(), 0);
}

TEST_F(Mci, CommandsToAClosedDeviceOrWithUnsupportedFlagsFail) {
  Put("wave/a.wav", ToneWave(8000, 1000, 440));
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open("waveaudio", Here() + "/wave/a.wav", MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, &id), 0u);
  struct Case {
    UINT command;
    DWORD flags;
    MCIERROR result;
  };
  const Case refused[] = {
      {MCI_PLAY, MCI_NOTIFY | MCI_FROM, MCIERR_UNSUPPORTED_FUNCTION},
      {MCI_PLAY, MCI_TO, MCIERR_UNSUPPORTED_FUNCTION},
      {MCI_PLAY, MCI_WAIT, MCIERR_UNSUPPORTED_FUNCTION},
      {MCI_SEEK, 0, MCIERR_MISSING_PARAMETER},
      {MCI_SEEK, MCI_TO, MCIERR_UNSUPPORTED_FUNCTION},
      {0x0808, 0, MCIERR_UNRECOGNIZED_COMMAND},
  };
  for (const Case& c : refused) {
    EXPECT_EQ(mciSendCommand(id, c.command, c.flags, 0), c.result) << c.command;
  }
  // None of them started the sound.
  EXPECT_TRUE(platform.sounds.Audible().empty());
  EXPECT_EQ(mciSendCommand(id, MCI_PLAY, 0, 0), 0u);
  EXPECT_EQ(platform.sounds.Audible().size(), 1u);
  EXPECT_EQ(mciSendCommand(id + 1, MCI_PAUSE, MCI_NOTIFY, 0), MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(platform.sounds.Audible().size(), 1u);

  EXPECT_EQ(mciSendCommand(id, MCI_CLOSE, 0, 0), 0u);
  for (UINT command : {MCI_PLAY, MCI_PAUSE, MCI_CLOSE}) {
    EXPECT_EQ(mciSendCommand(id, command, 0, 0), MCIERR_INVALID_DEVICE_ID) << command;
  }
  EXPECT_EQ(mciSendCommand(id, MCI_SEEK, MCI_SEEK_TO_START, 0), MCIERR_INVALID_DEVICE_ID);
  EXPECT_TRUE(platform.sounds.Audible().empty());
  // Every command was recorded, the refused ones too.
  EXPECT_EQ(platform.mci.size(), 14u);
}

TEST_F(Mci, DevicesGetDistinctIdentifiers) {
  Put("wave/a.wav", ToneWave(8000, 100, 440));
  std::vector<MCIDEVICEID> ids;
  for (int i = 0; i < 3; ++i) {
    MCIDEVICEID id = 0;
    ASSERT_EQ(Open("waveaudio", "wave/a.wav", MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, &id), 0u);
    ids.push_back(id);
  }
  EXPECT_NE(ids[0], ids[1]);
  EXPECT_NE(ids[1], ids[2]);
  EXPECT_NE(ids[0], ids[2]);
  EXPECT_EQ(fw::OpenMciDeviceCount(), 3);
  EXPECT_EQ(mciSendCommand(ids[1], MCI_CLOSE, 0, 0), 0u);
  EXPECT_EQ(mciSendCommand(ids[0], MCI_PLAY, 0, 0), 0u);
  EXPECT_EQ(mciSendCommand(ids[2], MCI_PLAY, 0, 0), 0u);
  EXPECT_EQ(platform.sounds.Audible().size(), 2u);
}

// Sounds still open when the player goes keep working, silently.
TEST(MciLifetime, ADeviceOutlivingItsPlatformClosesSafely) {
  testing_support::TempDir dir;
  const std::string path = dir.path() + "/a.wav";
  testing_support::WriteFile(path, ToneWave(8000, 100, 440));
  MCIDEVICEID id = 0;
  {
    fw::headless::HeadlessPlatform platform;
    fw::SetPlatform(&platform);
    MCI_OPEN_PARMS p{};
    p.lpstrDeviceType = "waveaudio";
    p.lpstrElementName = path.c_str();
    ASSERT_EQ(mciSendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT,
                             reinterpret_cast<DWORD_PTR>(&p)),
              0u);
    id = p.wDeviceID;
    mciSendCommand(id, MCI_PLAY, 0, 0);
    fw::SetPlatform(nullptr);
  }
  EXPECT_EQ(mciSendCommand(id, MCI_PAUSE, 0, 0), 0u);
  EXPECT_EQ(mciSendCommand(id, MCI_CLOSE, 0, 0), 0u);
  EXPECT_EQ(fw::OpenMciDeviceCount(), 0);
}

TEST(SoundLength, WavesAndTunesAreMeasuredFromTheirHeaders) {
  using sound_fixtures::Note;
  EXPECT_EQ(fw::SoundLengthMs(fw::SoundKind::Wave, Bytes(ToneWave(22050, 1500, 440))), 1500u);
  EXPECT_EQ(fw::SoundLengthMs(fw::SoundKind::Wave, Bytes(ToneWave(8000, 0, 440))), 0u);
  EXPECT_EQ(fw::SoundLengthMs(fw::SoundKind::Midi, Bytes(Tune({{60, 250}, {-1, 250}, {62, 500}}))),
            1000u);
  // A wave cut short plays what it holds.
  const std::string wave = ToneWave(8000, 1000, 440);
  EXPECT_EQ(fw::SoundLengthMs(fw::SoundKind::Wave, Bytes(wave.substr(0, wave.size() / 2))), 498u);

  // A tempo change half-way: 1000 ticks at 1 ms, then 1000 at 2 ms.
  std::string tune = Tune({{60, 1000}, {62, 1000}});
  const std::string change = std::string("\x00\xFF\x51\x03\x0E\xA6\x00", 7);  // 960000 us
  // Insert after the first note's off event (3 bytes of off after its delta).
  const std::size_t firstOff = tune.find(std::string("\x80\x3C\x00", 3));
  ASSERT_NE(firstOff, std::string::npos);
  tune.insert(firstOff + 3, change);
  const std::uint32_t trackLen = static_cast<std::uint32_t>(tune.size() - 22);
  for (int i = 0; i < 4; ++i) tune[18 + i] = static_cast<char>((trackLen >> (8 * (3 - i))) & 0xFF);
  EXPECT_EQ(fw::SoundLengthMs(fw::SoundKind::Midi, Bytes(tune)), 3000u);
}

TEST(SoundLength, MalformedFilesAreRefused) {
  const std::string wave = ToneWave(8000, 100, 440);
  const std::string tune = Tune({{60, 500}, {64, 500}});
  auto with = [](std::string s, std::size_t at, const std::string& bytes) {
    return s.replace(at, bytes.size(), bytes);
  };
  // The track's length set to what the bytes hold.
  auto retrack = [](std::string s) {
    const std::uint32_t len = static_cast<std::uint32_t>(s.size() - 22);
    for (int i = 0; i < 4; ++i) s[18 + i] = static_cast<char>((len >> (8 * (3 - i))) & 0xFF);
    return s;
  };
  struct Case {
    const char* what;
    fw::SoundKind kind;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", fw::SoundKind::Wave, ""},
      {"a tune as a wave", fw::SoundKind::Wave, tune},
      {"a wave as a tune", fw::SoundKind::Midi, wave},
      {"no data chunk", fw::SoundKind::Wave, wave.substr(0, 36)},
      {"format chunk longer than the file", fw::SoundKind::Wave,
       with(wave, 16, std::string("\xFF\xFF\xFF\x7F", 4))},
      {"format chunk too short", fw::SoundKind::Wave, with(wave, 16, std::string("\x08\0\0\0", 4))},
      {"zero byte rate", fw::SoundKind::Wave, with(wave, 28, std::string("\0\0\0\0", 4))},
      {"no channels", fw::SoundKind::Wave, with(wave, 22, std::string("\0\0", 2))},
      {"compressed as MP3", fw::SoundKind::Wave, with(wave, 20, std::string("\x55\0", 2))},
      {"header cut", fw::SoundKind::Midi, tune.substr(0, 10)},
      {"no tracks", fw::SoundKind::Midi, with(tune, 10, std::string("\0\0", 2))},
      {"zero division", fw::SoundKind::Midi, with(tune, 12, std::string("\0\0", 2))},
      {"track longer than the file", fw::SoundKind::Midi,
       with(tune, 18, std::string("\x7F\xFF\xFF\xFF", 4))},
      {"track cut in an event", fw::SoundKind::Midi, retrack(tune.substr(0, tune.size() - 6))},
      {"more tracks than there are", fw::SoundKind::Midi, with(tune, 10, std::string("\0\x02", 2))},
      {"delta longer than four bytes", fw::SoundKind::Midi,
       with(tune, 22, std::string("\x81\x81\x81\x81\x01", 5))},
      {"data with no status", fw::SoundKind::Midi, with(tune, 23, std::string("\x40", 1))},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(fw::SoundLengthMs(c.kind, Bytes(c.bytes)).has_value()) << c.what;
  }
}

}  // namespace
