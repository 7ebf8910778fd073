// One sound open on a device of the media control interface: a wave clip
// from the wave folder, or the background tune.
#pragma once

#include <string>

#include "framework/mci.h"
#include "framework/object.h"
#include "framework/wintypes.h"

class CSoundClip : public CObject {
 public:
  // A wave clip: current directory + "\Wave\" + lpszName (a bare file name,
  // matched without regard to case), stopped at its start.
  explicit CSoundClip(LPCTSTR lpszName);
  // The tune: current directory + "\midi\10.mid", stopped at its start.
  CSoundClip();
  // Closes the device; the sound stops at once.
  ~CSoundClip() override;

  // Plays from the current position and returns at once. Returns 1.
  int Play();
  // Pauses, keeping the position. Returns the interface's result.
  MCIERROR Pause();
  // Moves back to the start. Returns 1.
  int Rewind();

 private:
  void Open(LPCSTR lpszDeviceType, LPCSTR lpszFolderAndName);

  char m_szDir[200] = {};
  std::string m_strPath;
  MCI_OPEN_PARMS m_mciOpenParms{};
  MCI_PLAY_PARMS m_mciPlayParms{};
  // The device the open gave; 0 when it failed (the clip is then silent and
  // every operation does nothing).
  MCIDEVICEID m_wDeviceID = 0;
};
