// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/smf_render.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "playback/fluid_backend.h"
#include "playback/smf_play.h"
#include "playback/smf_play_texts.h"
#include "playback/smf_unit.h"

namespace fs = std::filesystem;

namespace {

constexpr int kChannels = 2;
constexpr int kTailBlockFrames = TFluidSynthBackend::kSampleRate / 10;
constexpr int kMaxTailBlocks = 100;  // 10 s
constexpr int kSilentPeak = 8;       // of 32767: about -72 dB

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

/// The 44-byte header of a 16-bit PCM WAV file holding `frames` frames.
std::string WavHeader(size_t frames) {
  const uint32_t dataBytes = static_cast<uint32_t>(frames * kChannels * 2);
  std::string header = "RIFF";
  PutLe(header, 36 + dataBytes, 4);
  header += "WAVEfmt ";
  PutLe(header, 16, 4);
  PutLe(header, 1, 2);  // PCM
  PutLe(header, kChannels, 2);
  PutLe(header, TFluidSynthBackend::kSampleRate, 4);
  PutLe(header, TFluidSynthBackend::kSampleRate * kChannels * 2, 4);
  PutLe(header, kChannels * 2, 2);
  PutLe(header, 16, 2);
  header += "data";
  PutLe(header, dataBytes, 4);
  return header;
}

/// The samples go to a temporary file beside the target, renamed over it at the end.
class TWavWriter {
 public:
  explicit TWavWriter(const fs::path& target) : target_(target) {
    temp_ = target;
    temp_ += ".tmp-" + std::to_string(::getpid());
    out_.open(temp_, std::ios::binary | std::ios::trunc);
    if (!out_) Fail();
    out_ << WavHeader(0);
  }
  ~TWavWriter() {
    if (!committed_) {
      out_.close();
      std::error_code ignored;
      fs::remove(temp_, ignored);
    }
  }
  TWavWriter(const TWavWriter&) = delete;
  TWavWriter& operator=(const TWavWriter&) = delete;

  void Write(const std::vector<int16_t>& samples) {
    std::string bytes;
    bytes.reserve(samples.size() * 2);
    for (int16_t sample : samples) PutLe(bytes, static_cast<uint16_t>(sample), 2);
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    frames_ += samples.size() / kChannels;
    if (!out_) Fail();
  }

  void Commit() {
    out_.seekp(0);
    out_ << WavHeader(frames_);
    out_.close();
    if (!out_) Fail();
    std::error_code error;
    fs::rename(temp_, target_, error);
    if (error) Fail();
    committed_ = true;
  }

  [[nodiscard]] size_t Frames() const { return frames_; }

 private:
  [[noreturn]] void Fail() const {
    throw ESmfPlayer(std::string(smf_play_texts::kWavUnwritable) + target_.string());
  }

  fs::path target_;
  fs::path temp_;
  std::ofstream out_;
  size_t frames_ = 0;
  bool committed_ = false;
};

/// Hands a synthesizer that is already open to the port, which then sends to it.
class TOpenedBackend : public TMidiBackend {
 public:
  explicit TOpenedBackend(std::unique_ptr<TFluidSynthBackend> synth) : synth_(std::move(synth)) {}
  std::vector<std::string> DeviceNames() override { return synth_->DeviceNames(); }
  bool Open(int) override { return true; }
  void Close() override { synth_->Close(); }
  bool SendShort(uint32_t message) override { return synth_->SendShort(message); }
  bool SendLong(std::span<const uint8_t> sysex) override { return synth_->SendLong(sysex); }

 private:
  std::unique_ptr<TFluidSynthBackend> synth_;
};

}  // namespace

TRenderInfo RenderSmfToWav(std::span<const uint8_t> smf, const fs::path& wavFile, const fs::path& soundFont,
                           const TRenderProgress& progress) {
  // The events take the first 95 %; the release tail, of unknown length, the rest.
  constexpr double kEventShare = 0.95;
  auto report = [&](double done) {
    if (progress && !progress(std::clamp(done, 0.0, 1.0))) throw ERenderCancelled();
  };
  report(0);
  // The synthesizer is opened first, so its own reason for failing can be reported.
  auto opened = std::make_unique<TFluidSynthBackend>(TFluidSynthBackend::TMode::Offline, soundFont);
  if (!opened->Open(0)) throw ESmfPlayer(opened->LastError());
  TFluidSynthBackend* synth = opened.get();
  smf_unit::TSmfCustomPlayer player([&]() -> std::unique_ptr<TMidiBackend> {
    if (!opened) return nullptr;
    return std::make_unique<TOpenedBackend>(std::move(opened));
  });
  if (!player.MidiOut.Open(0)) throw ESmfPlayer(std::string(smf_play_texts::kPortUnavailable));
  player.Song.LoadFromStream(smf);
  player.Song.MergeTracks();

  // The player's tempo rules: below 30 beats per minute (or none) the song starts at 120, and a
  // tempo event takes effect from its own tick on.
  const uint16_t timeBase = player.Song.TimeBase;
  long double msPerTick = MsPerTickFor(player.InitialTempo < 30 ? 120 : player.InitialTempo, timeBase);
  long double baseMs = 0;
  int32_t baseTick = 0;
  auto msAt = [&](int32_t tick) { return baseMs + (tick - baseTick) * msPerTick; };

  TRenderInfo info;
  TWavWriter writer(wavFile);
  double eventShareDone = 0;  // the share of the events already sent
  std::vector<int16_t> samples;
  auto renderUntil = [&](long double ms) {
    const auto frame = static_cast<size_t>(std::llround(ms * TFluidSynthBackend::kSampleRate / 1000.0L));
    if (frame <= writer.Frames()) return;
    samples.clear();
    // Long gaps are rendered in pieces so memory stays small.
    for (size_t done = writer.Frames(); done < frame;) {
      const size_t count = std::min<size_t>(frame - done, TFluidSynthBackend::kSampleRate);
      samples.clear();
      if (!synth->Render(count, samples)) throw ESmfPlayer(std::string(smf_play_texts::kPortUnavailable));
      writer.Write(samples);
      done += count;
      report(kEventShare * eventShareDone);
    }
  };

  if (player.Song.Count() > 0) {
    const smf_unit::TSmfTrack& events = player.Song.Track(0);
    for (size_t i = 0; i < events.Count(); ++i) {
      eventShareDone = static_cast<double>(i) / static_cast<double>(events.Count());
      smf_unit::TSmfEvent& event = events.Event(i);
      const long double ms = msAt(event.Time);
      if (ms > kMaxRenderSeconds * 1000) throw ESmfPlayer(std::string(smf_play_texts::kSongTooLong));
      renderUntil(ms);
      if (auto* meta = dynamic_cast<smf_unit::TSmfMeta*>(&event)) {
        if (const int bpm = meta->TempoBpm(); bpm > 0) {
          baseMs = ms;
          baseTick = event.Time;
          msPerTick = MsPerTickFor(bpm, timeBase);
        }
        continue;
      }
      event.Play();
    }
  }
  info.SongSeconds = static_cast<double>(writer.Frames()) / TFluidSynthBackend::kSampleRate;

  // The release tail: until a block falls silent.
  for (int block = 0; block < kMaxTailBlocks; ++block) {
    report(kEventShare + (1 - kEventShare) * block / kMaxTailBlocks);
    samples.clear();
    if (!synth->Render(kTailBlockFrames, samples)) break;
    writer.Write(samples);
    const bool silent =
        std::all_of(samples.begin(), samples.end(), [](int16_t s) { return std::abs(s) < kSilentPeak; });
    if (silent) break;
  }
  report(1);
  writer.Commit();
  info.Frames = writer.Frames();
  info.Seconds = static_cast<double>(info.Frames) / TFluidSynthBackend::kSampleRate;
  std::error_code error;
  info.FileBytes = fs::file_size(wavFile, error);
  return info;
}
