#include "sound/sound_clip.h"

#include "framework/kernel_dirs.h"

CSoundClip::CSoundClip(LPCTSTR lpszName) {
  Open("waveaudio", (std::string("\\Wave\\") + (lpszName ? lpszName : "")).c_str());
}

CSoundClip::CSoundClip() { Open("sequencer", "\\midi\\10.mid"); }

CSoundClip::~CSoundClip() {
  if (m_wDeviceID != 0) mciSendCommand(m_wDeviceID, MCI_CLOSE, 0, 0);
}

// A current directory too long for the buffer reads as ".", which names the
// same folder, so the path still finds the file.
void CSoundClip::Open(LPCSTR lpszDeviceType, LPCSTR lpszFolderAndName) {
  GetCurrentDirectory(sizeof m_szDir, m_szDir);
  m_strPath = std::string(m_szDir) + lpszFolderAndName;
  m_mciOpenParms = MCI_OPEN_PARMS{};
  m_mciOpenParms.lpstrDeviceType = lpszDeviceType;
  m_mciOpenParms.lpstrElementName = m_strPath.c_str();
  mciSendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT,
                 reinterpret_cast<DWORD_PTR>(&m_mciOpenParms));
  m_wDeviceID = m_mciOpenParms.wDeviceID;
  m_mciPlayParms = MCI_PLAY_PARMS{};
  m_mciPlayParms.dwCallback = 0;
}

int CSoundClip::Play() {
  if (m_wDeviceID != 0) {
    mciSendCommand(m_wDeviceID, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&m_mciPlayParms));
  }
  return 1;
}

MCIERROR CSoundClip::Pause() {
  if (m_wDeviceID == 0) return MCIERR_INVALID_DEVICE_ID;
  MCI_GENERIC_PARMS parms{};
  parms.dwCallback = 0;
  return mciSendCommand(m_wDeviceID, MCI_PAUSE, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&parms));
}

int CSoundClip::Rewind() {
  if (m_wDeviceID != 0) mciSendCommand(m_wDeviceID, MCI_SEEK, MCI_SEEK_TO_START, 0);
  return 1;
}
