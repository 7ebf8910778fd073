#include "framework/headless/headless_sound.h"

#include <algorithm>

#include "framework/mci.h"

namespace fw::headless {

class SoundImpl;

struct HeadlessSounds::State {
  const DWORD* now = nullptr;  // null once the player is gone
  DWORD lastNow = 0;
  std::vector<SoundEvent> events;
  std::vector<SoundImpl*> open;
  int lastSound = 0;

  DWORD Now() const { return now ? *now : lastNow; }
};

class SoundImpl : public SoundOutput {
 public:
  SoundImpl(std::shared_ptr<HeadlessSounds::State> state, SoundKind kind, std::string path,
            DWORD length)
      : state_(std::move(state)), kind_(kind), path_(std::move(path)), length_(length) {
    sound_ = ++state_->lastSound;
    state_->open.push_back(this);
    Log(SoundEvent::What::Open);
  }
  ~SoundImpl() override {
    Stop();
    Log(SoundEvent::What::Close);
    auto& open = state_->open;
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
  }
  // At its end the sound stops and stays there until sought to its start.
  void Play() override {
    if (!playing_ && Position() < length_) {
      playing_ = true;
      startedAt_ = state_->Now();
    }
    Log(SoundEvent::What::Play);
  }
  void Pause() override {
    Stop();
    Log(SoundEvent::What::Pause);
  }
  void SeekToStart() override {
    playing_ = false;
    position_ = 0;
    Log(SoundEvent::What::SeekToStart);
  }

  DWORD Position() const {
    if (!playing_) return position_;
    const DWORD ran = state_->Now() - startedAt_;
    return ran >= length_ - position_ ? length_ : position_ + ran;
  }
  HeadlessSounds::Sound Describe() const {
    HeadlessSounds::Sound s;
    s.sound = sound_;
    s.kind = kind_;
    s.path = path_;
    s.length = length_;
    s.position = Position();
    s.playing = playing_ && s.position < length_;
    return s;
  }

 private:
  void Stop() {
    position_ = Position();
    playing_ = false;
  }
  void Log(SoundEvent::What what) {
    state_->events.push_back(SoundEvent{what, sound_, kind_, path_, state_->Now(), Position()});
  }

  std::shared_ptr<HeadlessSounds::State> state_;
  SoundKind kind_;
  std::string path_;
  DWORD length_;
  int sound_ = 0;
  bool playing_ = false;
  DWORD position_ = 0;   // where it stopped, or where the playing started
  DWORD startedAt_ = 0;  // the clock when the playing started
};

HeadlessSounds::HeadlessSounds(const DWORD& now) : state_(std::make_shared<State>()) {
  state_->now = &now;
}

// Sounds that outlive the player keep their records, at a clock that stood
// still when it went.
HeadlessSounds::~HeadlessSounds() {
  state_->lastNow = state_->Now();
  state_->now = nullptr;
}

std::unique_ptr<SoundOutput> HeadlessSounds::Open(SoundKind kind, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (!ReadSoundFile(path, bytes)) return nullptr;
  const std::optional<DWORD> length = SoundLengthMs(kind, bytes);
  if (!length) return nullptr;
  return std::make_unique<SoundImpl>(state_, kind, path, *length);
}

std::vector<HeadlessSounds::Sound> HeadlessSounds::OpenSounds() const {
  std::vector<Sound> out;
  for (const SoundImpl* s : state_->open) out.push_back(s->Describe());
  return out;
}

std::vector<std::string> HeadlessSounds::Audible() const {
  std::vector<std::string> out;
  for (const SoundImpl* s : state_->open) {
    const Sound d = s->Describe();
    if (d.playing) out.push_back(d.path);
  }
  return out;
}

const std::vector<SoundEvent>& HeadlessSounds::Events() const { return state_->events; }

}  // namespace fw::headless
