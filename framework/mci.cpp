#include "framework/mci.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "framework/path_resolver.h"
#include "framework/platform.h"

namespace {

struct Device {
  std::string deviceType;  // as the open gave it
  std::string element;
  std::unique_ptr<fw::SoundOutput> output;
};

struct DeviceTable {
  std::mutex mutex;
  std::map<MCIDEVICEID, Device> devices;
  MCIDEVICEID lastId = 0;
};

// Never destroyed: an output still open when the process ends must not be
// closed after the player it belongs to has gone.
DeviceTable& Table() {
  static DeviceTable* table = new DeviceTable;
  return *table;
}

std::string Lower(const char* text) {
  std::string s = text ? text : "";
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void Record(MCIDEVICEID device, UINT command, DWORD_PTR flags, const std::string& type,
            const std::string& element) {
  if (!fw::HasPlatform()) return;
  fw::MciRecord r;
  r.deviceId = device;
  r.command = command;
  r.flags = static_cast<DWORD>(flags);
  r.deviceType = type;
  r.element = element;
  fw::CurrentPlatform().RecordMci(r);
}

MCIDEVICEID NextId(DeviceTable& t) {
  do {
    ++t.lastId;
  } while (t.lastId == 0 || t.devices.count(t.lastId));
  return t.lastId;
}

MCIERROR Open(DWORD_PTR flags, MCI_OPEN_PARMS* p) {
  const std::string given = p && p->lpstrElementName ? p->lpstrElementName : "";
  const std::string typeGiven = p && p->lpstrDeviceType ? p->lpstrDeviceType : "";
  MCIDEVICEID id = 0;
  MCIERROR result = 0;
  DeviceTable& t = Table();
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    const DWORD_PTR known = MCI_NOTIFY | MCI_WAIT | MCI_OPEN_TYPE | MCI_OPEN_ELEMENT;
    const std::string type = Lower(p ? p->lpstrDeviceType : nullptr);
    if (!p) {
      result = MCIERR_NULL_PARAMETER_BLOCK;
    } else if (flags & MCI_OPEN_ALIAS) {
      result = MCIERR_UNSUPPORTED_FUNCTION;
    } else if (flags & ~known) {
      result = MCIERR_FLAGS_NOT_COMPATIBLE;
    } else if (!(flags & MCI_OPEN_TYPE) || type.empty()) {
      result = MCIERR_DEVICE_TYPE_REQUIRED;
    } else if (type != "waveaudio" && type != "sequencer") {
      result = MCIERR_INVALID_DEVICE_NAME;
    } else if (!(flags & MCI_OPEN_ELEMENT) || given.empty()) {
      result = MCIERR_FILENAME_REQUIRED;
    } else {
      const std::string path = fw::ResolvePath(given);
      if (!IsRegularFile(path)) {
        result = MCIERR_FILE_NOT_FOUND;
      } else {
        const fw::SoundKind kind = type == "waveaudio" ? fw::SoundKind::Wave : fw::SoundKind::Midi;
        std::unique_ptr<fw::SoundOutput> output =
            fw::HasPlatform() ? fw::CurrentPlatform().OpenSound(kind, path) : nullptr;
        if (!output) {
          result = MCIERR_INVALID_FILE;
        } else {
          id = NextId(t);
          t.devices[id] = Device{typeGiven, given, std::move(output)};
        }
      }
    }
    if (p) p->wDeviceID = id;
  }
  Record(id, MCI_OPEN, flags, typeGiven, given);
  return result;
}

}  // namespace

MCIERROR mciSendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR param) {
  if (command == MCI_OPEN) return Open(flags, reinterpret_cast<MCI_OPEN_PARMS*>(param));

  DeviceTable& t = Table();
  std::unique_ptr<fw::SoundOutput> closed;  // destroyed after the lock is left
  std::string type;
  std::string element;
  MCIERROR result = 0;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.devices.find(device);
    if (it != t.devices.end()) {
      type = it->second.deviceType;
      element = it->second.element;
    }
    fw::SoundOutput* out = it != t.devices.end() ? it->second.output.get() : nullptr;
    switch (command) {
      case MCI_PLAY:
        if (flags & (MCI_FROM | MCI_TO | MCI_WAIT)) {
          result = MCIERR_UNSUPPORTED_FUNCTION;
        } else if (flags & ~DWORD_PTR{MCI_NOTIFY}) {
          result = MCIERR_FLAGS_NOT_COMPATIBLE;
        } else if (!out) {
          result = MCIERR_INVALID_DEVICE_ID;
        } else {
          out->Play();
        }
        break;
      case MCI_PAUSE:
        if (flags & ~DWORD_PTR{MCI_NOTIFY | MCI_WAIT}) {
          result = MCIERR_FLAGS_NOT_COMPATIBLE;
        } else if (!out) {
          result = MCIERR_INVALID_DEVICE_ID;
        } else {
          out->Pause();
        }
        break;
      case MCI_SEEK:
        if (flags & MCI_TO) {
          result = MCIERR_UNSUPPORTED_FUNCTION;
        } else if (!(flags & MCI_SEEK_TO_START)) {
          result = MCIERR_MISSING_PARAMETER;
        } else if (flags & ~DWORD_PTR{MCI_NOTIFY | MCI_WAIT | MCI_SEEK_TO_START}) {
          result = MCIERR_FLAGS_NOT_COMPATIBLE;
        } else if (!out) {
          result = MCIERR_INVALID_DEVICE_ID;
        } else {
          out->SeekToStart();
        }
        break;
      case MCI_CLOSE:
        if (flags & ~DWORD_PTR{MCI_NOTIFY | MCI_WAIT}) {
          result = MCIERR_FLAGS_NOT_COMPATIBLE;
        } else if (!out) {
          result = MCIERR_INVALID_DEVICE_ID;
        } else {
          closed = std::move(it->second.output);
          t.devices.erase(it);
        }
        break;
      default:
        result = MCIERR_UNRECOGNIZED_COMMAND;
        break;
    }
  }
  Record(device, command, flags, type, element);
  closed.reset();
  return result;
}

namespace fw {

int OpenMciDeviceCount() {
  DeviceTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mutex);
  return static_cast<int>(t.devices.size());
}

void CloseAllMciDevices() {
  DeviceTable& t = Table();
  std::map<MCIDEVICEID, Device> devices;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    devices.swap(t.devices);
  }
}

}  // namespace fw

namespace fw {

namespace {

constexpr std::size_t kMaxSoundFile = std::size_t{256} << 20;

// Reads the file's bytes from a position, failing past its end.
class Reader {
 public:
  Reader(const std::vector<std::uint8_t>& b, std::size_t begin, std::size_t end)
      : b_(b), pos_(begin), end_(end) {}
  bool AtEnd() const { return pos_ >= end_; }
  std::size_t Left() const { return end_ - pos_; }
  std::size_t Pos() const { return pos_; }
  bool Byte(std::uint32_t& v) {
    if (pos_ >= end_) return false;
    v = b_[pos_++];
    return true;
  }
  bool Skip(std::size_t n) {
    if (n > Left()) return false;
    pos_ += n;
    return true;
  }
  bool BigEndian(int bytes, std::uint32_t& v) {
    v = 0;
    for (int i = 0; i < bytes; ++i) {
      std::uint32_t c;
      if (!Byte(c)) return false;
      v = (v << 8) | c;
    }
    return true;
  }
  // A MIDI variable-length quantity: at most four bytes.
  bool VarLen(std::uint32_t& v) {
    v = 0;
    for (int i = 0; i < 4; ++i) {
      std::uint32_t c;
      if (!Byte(c)) return false;
      v = (v << 7) | (c & 0x7F);
      if (!(c & 0x80)) return true;
    }
    return false;
  }

 private:
  const std::vector<std::uint8_t>& b_;
  std::size_t pos_;
  std::size_t end_;
};

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

bool Tag(const std::vector<std::uint8_t>& b, std::size_t at, const char* tag) {
  return at + 4 <= b.size() && std::equal(tag, tag + 4, b.begin() + static_cast<long>(at));
}

std::optional<DWORD> WaveLength(const std::vector<std::uint8_t>& b) {
  if (b.size() < 12 || !Tag(b, 0, "RIFF") || !Tag(b, 8, "WAVE")) return std::nullopt;
  std::uint32_t byteRate = 0;
  std::optional<std::uint64_t> dataBytes;
  std::size_t at = 12;
  while (at + 8 <= b.size()) {
    const std::uint64_t size = Le(b, at + 4, 4);
    const std::size_t body = at + 8;
    const std::size_t left = b.size() - body;
    if (Tag(b, at, "fmt ")) {
      if (size < 16 || size > left) return std::nullopt;
      const std::uint32_t format = Le(b, body, 2);
      const std::uint32_t channels = Le(b, body + 2, 2);
      const std::uint32_t rate = Le(b, body + 4, 4);
      byteRate = Le(b, body + 8, 4);
      const bool known = format == 1 || format == 2 || format == 3 || format == 6 || format == 7 ||
                         format == 0x11 || format == 0xFFFE;
      if (!known || channels == 0 || rate == 0 || byteRate == 0) return std::nullopt;
    } else if (Tag(b, at, "data")) {
      // A data chunk cut short by the file's end plays what is there.
      dataBytes = std::min<std::uint64_t>(size, left);
      break;
    }
    if (size > left) break;
    at = body + static_cast<std::size_t>(size) + (size & 1);
  }
  if (byteRate == 0 || !dataBytes) return std::nullopt;
  const std::uint64_t ms = *dataBytes * 1000 / byteRate;
  return static_cast<DWORD>(std::min<std::uint64_t>(ms, 0xFFFFFFFFu));
}

struct TempoChange {
  std::uint64_t tick;
  std::uint32_t usPerQuarter;
};

// One track's events: the tempo changes it holds and the tick of its end.
bool ReadTrack(Reader r, std::vector<TempoChange>& tempos, std::uint64_t& endTick) {
  std::uint64_t tick = 0;
  std::uint32_t running = 0;
  while (!r.AtEnd()) {
    std::uint32_t delta, status;
    if (!r.VarLen(delta) || !r.Byte(status)) return false;
    tick += delta;
    if (status == 0xFF) {
      std::uint32_t type, len;
      if (!r.Byte(type) || !r.VarLen(len)) return false;
      if (type == 0x51 && len == 3) {
        std::uint32_t us;
        if (!r.BigEndian(3, us)) return false;
        if (us > 0) tempos.push_back(TempoChange{tick, us});
      } else if (!r.Skip(len)) {
        return false;
      }
      if (type == 0x2F) break;  // end of track
      running = 0;
    } else if (status == 0xF0 || status == 0xF7) {
      std::uint32_t len;
      if (!r.VarLen(len) || !r.Skip(len)) return false;
      running = 0;
    } else {
      // A channel message; without a status byte the last one runs on and
      // the byte just read is its first data byte.
      bool firstDataRead = false;
      if (status & 0x80) {
        if (status >= 0xF0) return false;  // no system messages in a file
        running = status;
      } else if (running == 0) {
        return false;
      } else {
        firstDataRead = true;
      }
      const std::uint32_t type = running & 0xF0;
      const std::size_t need = (type == 0xC0 || type == 0xD0) ? 1 : 2;
      if (!r.Skip(need - (firstDataRead ? 1 : 0))) return false;
    }
  }
  endTick = std::max(endTick, tick);
  return true;
}

std::optional<DWORD> MidiLength(const std::vector<std::uint8_t>& b) {
  Reader r(b, 0, b.size());
  std::uint32_t headerLen, format, tracks, division;
  if (!Tag(b, 0, "MThd") || !r.Skip(4) || !r.BigEndian(4, headerLen) || headerLen < 6 ||
      !r.BigEndian(2, format) || !r.BigEndian(2, tracks) || !r.BigEndian(2, division) ||
      !r.Skip(headerLen - 6) || format > 2 || tracks == 0 || (division & 0x7FFF) == 0) {
    return std::nullopt;
  }
  std::vector<TempoChange> tempos;
  std::uint64_t endTick = 0;
  std::uint32_t found = 0;
  while (found < tracks && r.Left() >= 8) {
    const std::size_t at = r.Pos();
    std::uint32_t len;
    r.Skip(4);
    r.BigEndian(4, len);
    if (len > r.Left()) return std::nullopt;
    if (Tag(b, at, "MTrk")) {
      if (!ReadTrack(Reader(b, r.Pos(), r.Pos() + len), tempos, endTick)) return std::nullopt;
      ++found;
    }
    r.Skip(len);
  }
  if (found < tracks) return std::nullopt;

  double ms = 0;
  if (division & 0x8000) {
    const int fps = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
    const int perFrame = static_cast<int>(division & 0xFF);
    if (fps <= 0 || perFrame == 0) return std::nullopt;
    ms = static_cast<double>(endTick) * 1000.0 / (fps * perFrame);
  } else {
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& c) { return a.tick < c.tick; });
    std::uint64_t tick = 0;
    std::uint32_t us = 500000;  // 120 beats a minute until told otherwise
    for (const TempoChange& t : tempos) {
      if (t.tick >= endTick) break;
      ms += static_cast<double>(t.tick - tick) * us / 1000.0 / division;
      tick = t.tick;
      us = t.usPerQuarter;
    }
    ms += static_cast<double>(endTick - tick) * us / 1000.0 / division;
  }
  return static_cast<DWORD>(std::min(ms, 4294967295.0));
}

}  // namespace

std::optional<DWORD> SoundLengthMs(SoundKind kind, const std::vector<std::uint8_t>& bytes) {
  return kind == SoundKind::Wave ? WaveLength(bytes) : MidiLength(bytes);
}

bool ReadSoundFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bool ok = true;
  std::uint8_t buf[65536];
  for (;;) {
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    if (n == 0) break;
    if (bytes.size() + n > kMaxSoundFile) {
      ok = false;
      break;
    }
    bytes.insert(bytes.end(), buf, buf + n);
  }
  if (std::ferror(f)) ok = false;
  std::fclose(f);
  if (!ok) bytes.clear();
  return ok;
}

}  // namespace fw
