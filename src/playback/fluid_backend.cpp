// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/fluid_backend.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <system_error>

#include "playback/midi_out_texts.h"

#if defined(PELORUND_HAVE_ALSA)
#include <alsa/asoundlib.h>
#endif

namespace fs = std::filesystem;

namespace {

#if defined(PELORUND_HAVE_ALSA)
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

// FluidSynth reports through a process-wide log; its text is kept for the caller instead of
// going to stderr, where a missing sound card would print on every open.
thread_local std::string tFluidError;

void KeepFluidError(int level, const char* message, void*) {
  if (level <= FLUID_ERR && message) tFluidError = message;
}

void RouteLibraryMessages() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
      fluid_set_log_function(level, &KeepFluidError, nullptr);
#if defined(PELORUND_HAVE_ALSA)
    snd_lib_error_set_handler(&QuietAlsa);
#endif
  });
}

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);  // follows links, as default-GM.sf2 is one
}

}  // namespace

fs::path FindDefaultSoundFont() {
  static const std::array<const char*, 6> kCandidates = {
      "/usr/share/sounds/sf2/TimGM6mb.sf2",   "/usr/share/sounds/sf2/default-GM.sf2",
      "/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
      "/usr/share/soundfonts/default.sf2",    "/usr/share/soundfonts/FluidR3_GM.sf2",
  };
  for (const char* candidate : kCandidates)
    if (IsFile(candidate)) return candidate;
  // FluidSynth's own idea of the default (a build-time setting of the library).
  RouteLibraryMessages();
  fluid_settings_t* settings = new_fluid_settings();
  fs::path found;
  char* value = nullptr;
  if (settings && fluid_settings_dupstr(settings, "synth.default-soundfont", &value) == FLUID_OK && value) {
    if (IsFile(value)) found = value;
    fluid_free(value);
  }
  if (settings) delete_fluid_settings(settings);
  if (!found.empty()) return found;
  // Any SoundFont in Debian's folder.
  std::error_code error;
  for (const char* folder : {"/usr/share/sounds/sf2", "/usr/share/soundfonts"}) {
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      const fs::path& path = it->path();
      if ((path.extension() == ".sf2" || path.extension() == ".SF2") && IsFile(path)) return path;
    }
  }
  return {};
}

struct TFluidSynthBackend::TImpl {
  fluid_settings_t* Settings = nullptr;
  fluid_synth_t* Synth = nullptr;
  fluid_audio_driver_t* Driver = nullptr;

  ~TImpl() {
    // The driver pulls from the synthesizer, so it goes first.
    if (Driver) delete_fluid_audio_driver(Driver);
    if (Synth) delete_fluid_synth(Synth);
    if (Settings) delete_fluid_settings(Settings);
  }
};

TFluidSynthBackend::TFluidSynthBackend(TMode mode, fs::path soundFont)
    : mode_(mode), soundFont_(std::move(soundFont)) {}

TFluidSynthBackend::~TFluidSynthBackend() { Close(); }

std::vector<std::string> TFluidSynthBackend::DeviceNames() {
  return {std::string(midi_out_texts::kBuiltInSynth)};
}

bool TFluidSynthBackend::Open(int device) {
  Close();
  lastError_.clear();
  if (device > 0) return false;
  RouteLibraryMessages();
  tFluidError.clear();
  const fs::path soundFont = soundFont_.empty() ? FindDefaultSoundFont() : soundFont_;
  auto impl = std::make_unique<TImpl>();
  impl->Settings = new_fluid_settings();
  if (impl->Settings) {
    fluid_settings_setnum(impl->Settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setnum(impl->Settings, "synth.gain", 0.5);
    impl->Synth = new_fluid_synth(impl->Settings);
  }
  if (!impl->Synth) {
    lastError_ = std::string(midi_out_texts::kSynthUnavailable);
    return false;
  }
  // The header is checked first: other files make the SoundFont loader complain on stderr.
  if (soundFont.empty() || !IsFile(soundFont) || !fluid_is_soundfont(soundFont.c_str()) ||
      fluid_synth_sfload(impl->Synth, soundFont.c_str(), 1) == FLUID_FAILED) {
    lastError_ = std::string(midi_out_texts::kSoundFontUnreadable) + soundFont.string();
    return false;
  }
  if (mode_ == TMode::Live) {
    impl->Driver = new_fluid_audio_driver(impl->Settings, impl->Synth);
    if (!impl->Driver) {
      lastError_ = std::string(midi_out_texts::kSynthUnavailable);
      if (!tFluidError.empty()) lastError_ += " (" + tFluidError + ")";
      return false;
    }
  }
  impl_ = std::move(impl);
  return true;
}

void TFluidSynthBackend::Close() { impl_.reset(); }

bool TFluidSynthBackend::SendShort(uint32_t message) {
  if (!impl_) return false;
  fluid_synth_t* synth = impl_->Synth;
  const int status = static_cast<int>(message & 0xFF);
  const int channel = status & 0x0F;
  const int data1 = static_cast<int>((message >> 8) & 0x7F);
  const int data2 = static_cast<int>((message >> 16) & 0x7F);
  int result = FLUID_OK;
  switch (status & 0xF0) {
    case 0x80:
      // Releasing a note that does not sound is no failure.
      fluid_synth_noteoff(synth, channel, data1);
      return true;
    case 0x90:
      if (data2 == 0) {
        fluid_synth_noteoff(synth, channel, data1);
        return true;
      }
      result = fluid_synth_noteon(synth, channel, data1, data2);
      break;
    case 0xA0:
      result = fluid_synth_key_pressure(synth, channel, data1, data2);
      break;
    case 0xB0:
      result = fluid_synth_cc(synth, channel, data1, data2);
      break;
    case 0xC0:
      result = fluid_synth_program_change(synth, channel, data1);
      break;
    case 0xD0:
      result = fluid_synth_channel_pressure(synth, channel, data1);
      break;
    case 0xE0:
      result = fluid_synth_pitch_bend(synth, channel, data1 + 128 * data2);
      break;
    default:
      // Of the system messages only a system reset means something to a synthesizer.
      if (status == 0xFF) result = fluid_synth_system_reset(synth);
      break;
  }
  return result == FLUID_OK;
}

bool TFluidSynthBackend::SendLong(std::span<const uint8_t> sysex) {
  if (!impl_) return false;
  // FluidSynth takes the bytes between F0 and F7.
  if (sysex.size() < 2 || sysex.front() != 0xF0) return false;
  size_t length = sysex.size() - 1;
  if (sysex.back() == 0xF7) --length;
  return fluid_synth_sysex(impl_->Synth, reinterpret_cast<const char*>(sysex.data() + 1),
                           static_cast<int>(length), nullptr, nullptr, nullptr, 0) == FLUID_OK;
}

bool TFluidSynthBackend::Render(size_t frames, std::vector<int16_t>& out) {
  if (!impl_ || mode_ != TMode::Offline) return false;
  const size_t start = out.size();
  out.resize(start + 2 * frames);
  // FluidSynth renders at most a few thousand frames per call comfortably; any count works.
  constexpr size_t kBlock = 4096;
  for (size_t done = 0; done < frames;) {
    const size_t count = std::min(kBlock, frames - done);
    int16_t* base = out.data() + start + 2 * done;
    if (fluid_synth_write_s16(impl_->Synth, static_cast<int>(count), base, 0, 2, base, 1, 2) != FLUID_OK)
      return false;
    done += count;
  }
  return true;
}
