// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/midi_out.h"

#include <utility>

#include "playback/fluid_backend.h"
#include "playback/midi_out_texts.h"
#include "playback/rtmidi_backend.h"

namespace {

/// The RtMidi ports, then the built-in synthesizer as one more device.
class TSystemBackend : public TMidiBackend {
 public:
  std::vector<std::string> DeviceNames() override {
    std::vector<std::string> names = TRtMidiBackend().DeviceNames();
    names.emplace_back(midi_out_texts::kBuiltInSynth);
    return names;
  }

  bool Open(int device) override {
    Close();
    // Ports come and go (JACK clients), so the numbering is taken afresh at every open.
    auto ports = std::make_unique<TRtMidiBackend>();
    const int portCount = static_cast<int>(ports->DeviceNames().size());
    if (device < 0) device = portCount > 0 ? 0 : portCount;
    if (device < portCount) {
      if (!ports->Open(device)) return false;
      open_ = std::move(ports);
      return true;
    }
    if (device > portCount) return false;
    auto synth = std::make_unique<TFluidSynthBackend>(TFluidSynthBackend::TMode::Live);
    if (!synth->Open(0)) return false;
    open_ = std::move(synth);
    return true;
  }

  void Close() override {
    if (open_) open_->Close();
    open_.reset();
  }

  bool SendShort(uint32_t message) override { return open_ && open_->SendShort(message); }
  bool SendLong(std::span<const uint8_t> sysex) override { return open_ && open_->SendLong(sysex); }

 private:
  std::unique_ptr<TMidiBackend> open_;
};

}  // namespace

std::unique_ptr<TMidiBackend> MakeSystemBackend() { return std::make_unique<TSystemBackend>(); }

int ShortMessageLength(uint8_t status) {
  if (status < 0xF0) return (status & 0xE0) == 0xC0 ? 2 : 3;  // C0-DF carry one data byte
  switch (status) {
    case 0xF1:
    case 0xF3:
      return 2;
    case 0xF2:
      return 3;
    default:
      return 1;
  }
}

TMidiOut::TMidiOut(TMidiBackendFactory factory) : factory_(std::move(factory)) {
  if (!factory_) factory_ = MakeSystemBackend;
}

TMidiOut::~TMidiOut() {
  for (int port = 0; port < kPortCount; ++port) ClosePort(port);
}

std::vector<std::string> TMidiOut::DeviceNames() {
  const std::unique_ptr<TMidiBackend> lister = factory_();
  return lister ? lister->DeviceNames() : std::vector<std::string>{};
}

int TMidiOut::GetDeviceCount() { return static_cast<int>(DeviceNames().size()); }

std::string TMidiOut::GetDeviceName(int device) {
  if (device < 0) return std::string(midi_out_texts::kDefaultDevice);
  const std::vector<std::string> names = DeviceNames();
  return static_cast<size_t>(device) < names.size() ? names[static_cast<size_t>(device)] : std::string();
}

std::string TMidiOut::GetDeviceList() {
  std::string list(midi_out_texts::kDefaultDevice);
  list += "\r\n";
  for (const std::string& name : DeviceNames()) list += name + "\r\n";
  return list;
}

bool TMidiOut::OpenPort(int device, int port) {
  if (!ValidPort(port)) return false;
  if (device < 0) device = -1;
  auto& handle = handles_[static_cast<size_t>(port)];
  if (handle) return true;
  std::unique_ptr<TMidiBackend> connection = factory_();
  if (!connection || !connection->Open(device)) return false;
  handle = std::move(connection);
  return true;
}

bool TMidiOut::ClosePort(int port) {
  if (!ValidPort(port)) return true;
  auto& handle = handles_[static_cast<size_t>(port)];
  if (!handle) return true;
  // Stands in for the platform's reset: no note may hang on the device after closing.
  for (int channel = 0; channel < 16; ++channel) AllNotesOff(channel, port);
  handle->Close();
  handle.reset();
  return true;
}

bool TMidiOut::IsOpen(int port) const { return ValidPort(port) && handles_[static_cast<size_t>(port)]; }

TMidiBackend* TMidiOut::PortBackend(int port) const {
  return ValidPort(port) ? handles_[static_cast<size_t>(port)].get() : nullptr;
}

bool TMidiOut::SendShort(uint32_t message, int port) {
  TMidiBackend* handle = PortBackend(port);
  return handle && handle->SendShort(message & 0xFFFFFF);
}

bool TMidiOut::SendMessage(uint8_t status, uint8_t data1, uint8_t data2, int port) {
  return SendShort(status + 256u * data1 + 65536u * data2, port);
}

bool TMidiOut::SendLong(std::span<const uint8_t> data, int port) {
  TMidiBackend* handle = PortBackend(port);
  return handle && handle->SendLong(data);
}

bool TMidiOut::AllNotesOff(int channel, int port) {
  return SendMessage(static_cast<uint8_t>(0xB0 + (channel & 0x0F)), 0x7B, 0, port);
}

void TMidiOut::Reset() {
  for (int port = 0; port < kPortCount; ++port) {
    if (!handles_[static_cast<size_t>(port)]) continue;
    for (int channel = 0; channel < 16; ++channel) AllNotesOff(channel, port);
  }
}
