// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

/// One connection to a MIDI output device. Device numbers count from 0 in the order of
/// DeviceNames(); -1 is the back end's default device.
class TMidiBackend {
 public:
  virtual ~TMidiBackend() = default;
  /// The devices this back end can open, code page 932.
  virtual std::vector<std::string> DeviceNames() = 0;
  /// Opens the device; false (never an exception) when it cannot be opened.
  [[nodiscard]] virtual bool Open(int device) = 0;
  /// Closes the device; harmless when nothing is open.
  virtual void Close() = 0;
  /// Sends the channel or system message held in the low bytes of `message`.
  [[nodiscard]] virtual bool SendShort(uint32_t message) = 0;
  /// Sends a system-exclusive message (normally F0 ... F7).
  [[nodiscard]] virtual bool SendLong(std::span<const uint8_t> sysex) = 0;
};

/// Makes one unopened connection; each open port of a TMidiOut holds its own.
using TMidiBackendFactory = std::function<std::unique_ptr<TMidiBackend>()>;

/// The system's devices: every RtMidi output port (ALSA sequencer, JACK ... whichever are
/// available), then the built-in synthesizer. The default device is the first port, or the
/// synthesizer when there is none.
std::unique_ptr<TMidiBackend> MakeSystemBackend();

/// The number of bytes of a short message with this status (1 to 3).
int ShortMessageLength(uint8_t status);

/// The program's MIDI output: up to six ports, each open on one device, sending short and
/// system-exclusive messages, and silencing them. Only CurrentPort is opened in practice.
class TMidiOut {
 public:
  static constexpr int kPortCount = 6;

  /// Without a factory the port reaches the system's devices (MakeSystemBackend).
  explicit TMidiOut(TMidiBackendFactory factory = {});
  /// Closes every port.
  ~TMidiOut();
  TMidiOut(const TMidiOut&) = delete;
  TMidiOut& operator=(const TMidiOut&) = delete;

  /// The number of devices (the default device not counted).
  int GetDeviceCount();
  /// "既定のMIDIデバイス" for an id below 0, else the device's name (empty for an unknown id).
  std::string GetDeviceName(int device);
  /// The default device's name and then every device's, each line ended by CR LF.
  std::string GetDeviceList();

  /// Opens the device on the port; true when it is open. An open port stays on its first device.
  bool OpenPort(int device, int port);
  /// Silences and closes the port; always true.
  bool ClosePort(int port);
  /// OpenPort on CurrentPort.
  bool Open(int device) { return OpenPort(device, CurrentPort); }
  /// ClosePort on CurrentPort; always true.
  bool Close() { return ClosePort(CurrentPort); }
  /// Whether the port is open.
  [[nodiscard]] bool IsOpen(int port) const;

  /// Sends the low 24 bits of the word; false on a closed port or a failed send.
  bool SendShort(uint32_t message, int port);
  /// SendShort of status + 256 × data1 + 65536 × data2.
  bool SendMessage(uint8_t status, uint8_t data1, uint8_t data2, int port);
  /// Sends system-exclusive bytes; false on a closed port or a failed send.
  bool SendLong(std::span<const uint8_t> data, int port);
  /// Controller 123 (all notes off) on the channel (0-15).
  bool AllNotesOff(int channel, int port);
  /// All notes off on channels 0 to 15 of every open port.
  void Reset();

  /// The connection behind an open port, nullptr when the port is closed.
  [[nodiscard]] TMidiBackend* PortBackend(int port) const;

  /// The port Open and Close act on.
  int CurrentPort = 0;

 private:
  [[nodiscard]] static bool ValidPort(int port) { return port >= 0 && port < kPortCount; }
  std::vector<std::string> DeviceNames();

  TMidiBackendFactory factory_;
  std::array<std::unique_ptr<TMidiBackend>, kPortCount> handles_;
};
