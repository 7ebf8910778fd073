// The media control interface: sound devices opened by file path, played
// without waiting, paused, sought to their start and closed.
//
// Two device types exist: "waveaudio" (a RIFF wave file) and "sequencer" (a
// standard MIDI file). Element paths go through the case-insensitive path
// resolver. A device plays on the platform's player; when the player cannot
// open the file (no audio device, a file that is missing or of another kind)
// the open fails and no device exists. Every command, failed ones included, is
// recorded on the platform (Platform::RecordMci) with the device it went to
// (for an open, the device it made, 0 when it failed) and the device type and
// element as the open was given them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/platform.h"
#include "framework/wintypes.h"

using DWORD_PTR = std::uintptr_t;
using MCIDEVICEID = UINT;
using MCIERROR = DWORD;

// Commands.
constexpr UINT MCI_OPEN = 0x0803;
constexpr UINT MCI_CLOSE = 0x0804;
constexpr UINT MCI_PLAY = 0x0806;
constexpr UINT MCI_SEEK = 0x0807;
constexpr UINT MCI_PAUSE = 0x0809;

// Flags of every command.
constexpr DWORD MCI_NOTIFY = 0x00000001;
constexpr DWORD MCI_WAIT = 0x00000002;
constexpr DWORD MCI_FROM = 0x00000004;
constexpr DWORD MCI_TO = 0x00000008;
// Flags of MCI_OPEN.
constexpr DWORD MCI_OPEN_ELEMENT = 0x00000200;
constexpr DWORD MCI_OPEN_ALIAS = 0x00000400;
constexpr DWORD MCI_OPEN_TYPE = 0x00002000;
// Flags of MCI_SEEK.
constexpr DWORD MCI_SEEK_TO_START = 0x00000100;

// Results; 0 is success.
constexpr MCIERROR MCIERR_BASE = 256;
constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
constexpr MCIERROR MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
constexpr MCIERROR MCIERR_MISSING_PARAMETER = MCIERR_BASE + 17;
constexpr MCIERROR MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
constexpr MCIERROR MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
constexpr MCIERROR MCIERR_FLAGS_NOT_COMPATIBLE = MCIERR_BASE + 28;
constexpr MCIERROR MCIERR_DEVICE_TYPE_REQUIRED = MCIERR_BASE + 31;
constexpr MCIERROR MCIERR_INVALID_FILE = MCIERR_BASE + 40;
constexpr MCIERROR MCIERR_NULL_PARAMETER_BLOCK = MCIERR_BASE + 41;
constexpr MCIERROR MCIERR_FILENAME_REQUIRED = MCIERR_BASE + 48;

// Parameter blocks. dwCallback names the window that would receive the
// completion notice; notices are not delivered (nothing handles them).
struct MCI_OPEN_PARMS {
  DWORD_PTR dwCallback = 0;
  MCIDEVICEID wDeviceID = 0;  // set by a successful open, 0 otherwise
  LPCSTR lpstrDeviceType = nullptr;
  LPCSTR lpstrElementName = nullptr;
  LPCSTR lpstrAlias = nullptr;  // aliases are not supported
};
struct MCI_PLAY_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwFrom = 0;  // positions are not supported
  DWORD dwTo = 0;
};
struct MCI_SEEK_PARMS {
  DWORD_PTR dwCallback = 0;
  DWORD dwTo = 0;
};
struct MCI_GENERIC_PARMS {
  DWORD_PTR dwCallback = 0;
};

// Sends command to device; param points at the command's parameter block
// (MCI_OPEN needs one; the others may pass 0).
//   MCI_OPEN  (device 0): MCI_OPEN_TYPE with "waveaudio" or "sequencer" (any
//             case) and MCI_OPEN_ELEMENT with the file's path are required;
//             the new device's identifier goes into wDeviceID. The device is
//             stopped at the start of the file.
//   MCI_PLAY  from the current position, returning at once (MCI_FROM, MCI_TO
//             and MCI_WAIT are not supported and fail).
//   MCI_PAUSE keeps the position; the next MCI_PLAY resumes there.
//   MCI_SEEK  with MCI_SEEK_TO_START: stopped at the start.
//   MCI_CLOSE stops the sound at once and frees the identifier.
MCIERROR mciSendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR param);

namespace fw {

// What the devices accept, for the platforms' players: the length in
// milliseconds of a RIFF wave file (kind Wave) or a standard MIDI file (kind
// Midi), read from its headers and events; nullopt when the bytes are not a
// well-formed file of that kind. Every size in the file is checked.
std::optional<DWORD> SoundLengthMs(SoundKind kind, const std::vector<std::uint8_t>& bytes);
// The file's bytes; false when it cannot be read or is larger than a sound
// file can sensibly be (256 MB).
bool ReadSoundFile(const std::string& path, std::vector<std::uint8_t>& bytes);

// How many devices are open now (for tests).
int OpenMciDeviceCount();
// Closes every open device, as the end of the process does; safe before the
// platform that opened them goes away.
void CloseAllMciDevices();

}  // namespace fw
