#include "tools/content-gen/speech.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

extern char** environ;

namespace content {
namespace {

constexpr int kBlock = kSampleRate / 50;  // 20 ms, for loudness

double Db(double meanSquare) {
  return meanSquare > 0 ? 10 * std::log10(meanSquare / (32768.0 * 32768.0)) : -200.0;
}

double MeanSquare(const Samples& s, std::size_t from, std::size_t n) {
  double sum = 0;
  for (std::size_t i = from; i < from + n; ++i) sum += double(s[i]) * s[i];
  return n ? sum / double(n) : 0;
}

// A Scheme string literal: quotes and backslashes escaped, line breaks as spaces.
std::string SchemeString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
  }
  return out + "\"";
}

bool RunFestival(const std::string& script, const std::string& log, std::string* error) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> args = {"festival", "--batch", script};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "festival", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    *error = "festival cannot be started (is it installed?)";
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) break;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::ifstream f(log);
    const std::string said((std::istreambuf_iterator<char>(f)), {});
    *error = "festival failed: " + said.substr(0, 400);
    return false;
  }
  return true;
}

}  // namespace

double SpeechLoudnessDb(const Samples& s) {
  double sum = 0;
  std::size_t blocks = 0;
  for (std::size_t at = 0; at + kBlock <= s.size(); at += kBlock) {
    const double ms = MeanSquare(s, at, kBlock);
    if (Db(ms) < kSpeechGateDb) continue;
    sum += ms;
    ++blocks;
  }
  return blocks ? Db(sum / double(blocks)) : -200.0;
}

Samples TrimSilence(const Samples& s, int margin) {
  // The sound runs from the first to the last sample above the level that lies
  // in a 20 ms window whose RMS is above it too: a lone click or a faint
  // breath in the quiet is no sound.
  const double quiet = kSilenceLevel * 32767;
  const std::size_t w = std::min<std::size_t>(kBlock, s.size());
  std::vector<double> sums(s.size() + 1, 0.0);
  for (std::size_t i = 0; i < s.size(); ++i) sums[i + 1] = sums[i] + double(s[i]) * s[i];
  auto loudWindow = [&](std::size_t at) {
    return (sums[at + w] - sums[at]) / double(w) > quiet * quiet;
  };
  auto loud = [&](std::size_t i) { return std::abs(double(s[i])) > quiet; };
  // The first loud sample of the first loud window comes before any other
  // loud window's; the same holds at the end.
  if (w == 0 || s.size() < w) return {};
  std::size_t firstWindow = 0, lastWindow = s.size() - w;
  while (firstWindow <= s.size() - w && !loudWindow(firstWindow)) ++firstWindow;
  if (firstWindow > s.size() - w) return {};
  while (!loudWindow(lastWindow)) --lastWindow;
  std::size_t first = firstWindow, last = lastWindow + w;
  while (!loud(first)) ++first;
  while (!loud(last - 1)) --last;
  if (first >= last) return {};
  const std::size_t lead = std::min<std::size_t>(std::size_t(margin), first);
  const std::size_t tail = std::min<std::size_t>(std::size_t(margin), s.size() - last);
  Samples out(s.begin() + std::ptrdiff_t(first - lead), s.begin() + std::ptrdiff_t(last + tail));
  for (std::size_t i = 0; i < lead; ++i) out[i] = std::int16_t(out[i] * double(i) / double(lead));
  for (std::size_t i = 0; i < tail; ++i) {
    std::int16_t& v = out[out.size() - 1 - i];
    v = std::int16_t(v * double(i) / double(tail));
  }
  return out;
}

bool SetLoudness(Samples* s, double db) {
  const double now = SpeechLoudnessDb(*s);
  if (now < -150) return false;
  const double k = std::pow(10.0, (db - now) / 20);
  for (auto& v : *s) v = std::int16_t(std::lround(std::clamp(double(v) * k, -32767.0, 32767.0)));
  return true;
}

bool SpeakAll(const std::vector<std::string>& texts, const std::string& scratchDir,
              std::vector<Samples>* out, std::string* error) {
  const std::string stem = scratchDir + ".speech-" + std::to_string(getpid());
  auto waveOf = [&](std::size_t i) { return stem + "-" + std::to_string(i) + ".wav"; };
  // One Festival process speaks everything: starting it and loading the voice
  // takes longer than most sentences do.
  std::string script = "(voice_cmu_us_slt_arctic_hts)\n";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    script += "(set! utt (utt.synth (Utterance Text " + SchemeString(texts[i]) + ")))\n";
    script += "(utt.wave.resample utt " + std::to_string(kSampleRate) + ")\n";
    script += "(utt.save.wave utt " + SchemeString(waveOf(i)) + " 'riff)\n";
  }
  const std::string scriptPath = stem + ".scm", logPath = stem + ".log";
  auto cleanUp = [&] {
    std::remove(scriptPath.c_str());
    std::remove(logPath.c_str());
    for (std::size_t i = 0; i < texts.size(); ++i) std::remove(waveOf(i).c_str());
  };
  {
    std::ofstream f(scriptPath, std::ios::trunc);
    f << script;
    if (!f.flush()) {
      *error = scriptPath + ": cannot be written";
      return false;
    }
  }
  if (!RunFestival(scriptPath, logPath, error)) {
    cleanUp();
    return false;
  }
  out->clear();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    Samples speech;
    std::string why;
    if (!ReadWaveAsMono(waveOf(i), &speech, &why) || !SetLoudness(&speech, kSpeechLoudnessDb) ||
        (speech = TrimSilence(speech, kSpeechMarginSamples)).empty()) {
      *error = "festival said nothing for \"" + texts[i] + "\"" + (why.empty() ? "" : ": " + why);
      cleanUp();
      return false;
    }
    out->push_back(std::move(speech));
  }
  cleanUp();
  return true;
}

}  // namespace content
