// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/rtmidi_backend.h"

#include <RtMidi.h>

#include <iostream>
#include <mutex>
#include <sstream>

#include "common/TextCodec.h"

#if defined(__LINUX_ALSA__) && defined(PELORUND_HAVE_ALSA)
#include <alsa/asoundlib.h>
#endif
#if defined(__UNIX_JACK__) && defined(PELORUND_HAVE_JACK)
#include <jack/jack.h>
#endif

namespace {

#if defined(__LINUX_ALSA__) && defined(PELORUND_HAVE_ALSA)
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif
#if defined(__UNIX_JACK__) && defined(PELORUND_HAVE_JACK)
void QuietJack(const char*) {}
#endif

/// The libraries print to stderr when a service is missing, which is normal here and reported
/// through results instead; their message hooks are silenced once.
void SilenceLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
#if defined(__LINUX_ALSA__) && defined(PELORUND_HAVE_ALSA)
    snd_lib_error_set_handler(&QuietAlsa);
#endif
#if defined(__UNIX_JACK__) && defined(PELORUND_HAVE_JACK)
    jack_set_error_function(&QuietJack);
    jack_set_info_function(&QuietJack);
#endif
  });
}

/// Keeps std::cerr quiet while RtMidi constructs an API object: its constructor reports a missing
/// service there before an error callback can be set.
class TQuietCerr {
 public:
  TQuietCerr() : old_(std::cerr.rdbuf(sink_.rdbuf())) {}
  ~TQuietCerr() { std::cerr.rdbuf(old_); }
  TQuietCerr(const TQuietCerr&) = delete;
  TQuietCerr& operator=(const TQuietCerr&) = delete;

 private:
  std::ostringstream sink_;
  std::streambuf* old_;
};

/// Whether the API's service is there, asked without starting anything.
bool ApiAvailable(RtMidi::Api api) {
  SilenceLibraries();
  switch (api) {
#if defined(__LINUX_ALSA__) && defined(PELORUND_HAVE_ALSA)
    case RtMidi::LINUX_ALSA: {
      snd_seq_t* seq = nullptr;
      if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return false;
      snd_seq_close(seq);
      return true;
    }
#endif
#if defined(__UNIX_JACK__) && defined(PELORUND_HAVE_JACK)
    case RtMidi::UNIX_JACK: {
      jack_status_t status{};
      jack_client_t* client = jack_client_open("pelorund-probe", JackNoStartServer, &status);
      if (!client) return false;
      jack_client_close(client);
      return true;
    }
#endif
    case RtMidi::RTMIDI_DUMMY:
    case RtMidi::UNSPECIFIED:
    case RtMidi::NUM_APIS:
      return false;
    default:
      return true;
  }
}

/// Errors and warnings arrive here instead of stderr or an exception.
void RecordError(RtMidiError::Type type, const std::string&, void* userData) {
  if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
    *static_cast<bool*>(userData) = true;
}

struct TPort {
  RtMidi::Api Api;
  unsigned Index;
  std::string Name;  // as RtMidi reports it (UTF-8)
};

/// An RtMidiOut for the API with errors routed to `failed`; nullptr when it cannot be created.
std::unique_ptr<RtMidiOut> MakeOut(RtMidi::Api api, bool& failed) {
  try {
    const TQuietCerr quiet;
    auto out = std::make_unique<RtMidiOut>(api, "Pelorund");
    out->setErrorCallback(&RecordError, &failed);
    return out;
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

std::vector<TPort> ListPorts() {
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  std::vector<TPort> ports;
  for (RtMidi::Api api : apis) {
    if (!ApiAvailable(api)) continue;
    bool failed = false;
    const std::unique_ptr<RtMidiOut> out = MakeOut(api, failed);
    if (!out) continue;
    const unsigned count = out->getPortCount();
    for (unsigned i = 0; i < count && !failed; ++i) ports.push_back({api, i, out->getPortName(i)});
  }
  return ports;
}

}  // namespace

struct TRtMidiBackend::TImpl {
  bool Failed = false;  // set by RtMidi's error callback
  std::unique_ptr<RtMidiOut> Out;
};

TRtMidiBackend::TRtMidiBackend() : impl_(std::make_unique<TImpl>()) {}

TRtMidiBackend::~TRtMidiBackend() { Close(); }

std::vector<std::string> TRtMidiBackend::DeviceNames() {
  std::vector<std::string> names;
  for (const TPort& port : ListPorts()) {
    // A name without a code page 932 form keeps its ASCII letters; the rest become "?".
    std::string name = pelorund::Utf8ToCp932(port.Name).value_or("");
    if (name.empty() && !port.Name.empty()) {
      for (char c : port.Name) name += (static_cast<unsigned char>(c) < 0x80) ? c : '?';
    }
    names.push_back(name);
  }
  return names;
}

bool TRtMidiBackend::Open(int device) {
  Close();
  const std::vector<TPort> ports = ListPorts();
  if (device < 0) device = 0;
  if (static_cast<size_t>(device) >= ports.size()) return false;
  const TPort& port = ports[static_cast<size_t>(device)];
  impl_->Failed = false;
  impl_->Out = MakeOut(port.Api, impl_->Failed);
  if (!impl_->Out) return false;
  try {
    impl_->Out->openPort(port.Index, "Pelorund Output");
  } catch (const RtMidiError&) {
    impl_->Failed = true;
  }
  if (impl_->Failed || !impl_->Out->isPortOpen()) {
    impl_->Out.reset();
    return false;
  }
  return true;
}

void TRtMidiBackend::Close() {
  if (!impl_->Out) return;
  impl_->Out->closePort();
  impl_->Out.reset();
}

bool TRtMidiBackend::SendShort(uint32_t message) {
  if (!impl_->Out) return false;
  const unsigned char bytes[3] = {static_cast<unsigned char>(message),
                                  static_cast<unsigned char>(message >> 8),
                                  static_cast<unsigned char>(message >> 16)};
  impl_->Failed = false;
  try {
    impl_->Out->sendMessage(bytes, static_cast<size_t>(ShortMessageLength(bytes[0])));
  } catch (const RtMidiError&) {
    return false;
  }
  return !impl_->Failed;
}

bool TRtMidiBackend::SendLong(std::span<const uint8_t> sysex) {
  if (!impl_->Out || sysex.empty()) return false;
  impl_->Failed = false;
  try {
    impl_->Out->sendMessage(sysex.data(), sysex.size());
  } catch (const RtMidiError&) {
    return false;
  }
  return !impl_->Failed;
}
