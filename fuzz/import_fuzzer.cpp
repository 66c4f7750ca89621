// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later

// Imports arbitrary bytes as a Standard MIDI File and writes its MML text, in memory. Any crash,
// hang, sanitizer report or exception other than the import's own refusal is a fault.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "import/smf2mmlU.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The options come from the size, so every combination is explored without touching the bytes.
  const size_t options = size % 16;
  smf2mmlU::TSmf2Mml converter{std::filesystem::path()};
  converter.ControlNames.SetText("[ControlChange]\r\n7=Volume\r\n91=Reverb\r\n");
  converter.WriteBend = (options & 1) != 0;
  converter.MixVolume = (options & 2) != 0;
  converter.DirectVelocity = (options & 4) != 0;
  converter.ReverseOctave = (options & 8) != 0;
  // Lower limits than a real import, so that every input finishes quickly: a song of 2000 bars.
  converter.MaxTime = 48 * 4 * 2000;
  converter.MaxTextSize = size_t{32} << 20;
  try {
    converter.ImportBytes(bytes);
    const std::string mml = smf2mmlU::MakeMml(converter);
    (void)mml;
  } catch (const smf2mmlU::ESmf2Mml&) {
    // A refused file is a result.
  }
  return 0;
}
