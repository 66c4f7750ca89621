// Pelorund — writing music as text.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The MIDI output port over a recording back end, and the system's device list and synthesizer
// as far as they hold on any machine.
#include "playback/midi_out.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PlaybackTestSupport.h"
#include "playback/fluid_backend.h"

namespace {

using namespace playback_test;

class MidiOut : public ::testing::Test {
 protected:
  std::shared_ptr<TMidiRecording> recording_ = std::make_shared<TMidiRecording>();
  TMidiOut out_{RecordingFactory(recording_)};
};

TEST_F(MidiOut, DeviceListStartsWithTheDefaultDevice) {
  recording_->Names = {};
  EXPECT_EQ(Cp932("既定のMIDIデバイス\r\n"), out_.GetDeviceList());
  EXPECT_EQ(0, out_.GetDeviceCount());
  recording_->Names = {"A", "B"};
  EXPECT_EQ(Cp932("既定のMIDIデバイス\r\nA\r\nB\r\n"), out_.GetDeviceList());
  EXPECT_EQ(2, out_.GetDeviceCount());
  EXPECT_EQ(Cp932("既定のMIDIデバイス"), out_.GetDeviceName(-5));
  EXPECT_EQ("B", out_.GetDeviceName(1));
  EXPECT_EQ("", out_.GetDeviceName(2));
}

TEST_F(MidiOut, AnOpenPortKeepsItsFirstDevice) {
  recording_->Names = {"A", "B"};
  EXPECT_TRUE(out_.Open(-7));  // any id below 0 is the default device
  EXPECT_TRUE(out_.Open(1));
  EXPECT_EQ(std::vector<int>{-1}, recording_->OpenedDevices());
  EXPECT_TRUE(out_.Close());
  EXPECT_TRUE(out_.Open(1));
  EXPECT_EQ((std::vector<int>{-1, 1}), recording_->OpenedDevices());
}

TEST_F(MidiOut, AFailedOpenLeavesThePortClosed) {
  recording_->FailOpen = true;
  EXPECT_FALSE(out_.Open(-1));
  EXPECT_FALSE(out_.IsOpen(0));
  EXPECT_FALSE(out_.SendMessage(0x90, 60, 100, 0));
  EXPECT_TRUE(out_.Close());
  EXPECT_TRUE(recording_->Messages().empty());
}

TEST_F(MidiOut, SendsReachOnlyOpenPortsInRange) {
  ASSERT_TRUE(out_.Open(-1));
  const uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  EXPECT_TRUE(out_.SendShort(0xFF643C90, 0));     // bits 24-31 are dropped
  EXPECT_TRUE(out_.SendMessage(0xC1, 5, 99, 0));  // a program change has one data byte
  EXPECT_TRUE(out_.SendLong(sysex, 0));
  EXPECT_FALSE(out_.SendMessage(0x90, 60, 100, 1));
  EXPECT_FALSE(out_.SendLong(sysex, 1));
  EXPECT_FALSE(out_.SendMessage(0x90, 60, 100, 6));
  EXPECT_FALSE(out_.OpenPort(-1, 6));
  EXPECT_FALSE(out_.OpenPort(-1, -1));
  EXPECT_EQ((std::vector<std::string>{"90 3C 64", "C1 05", "F0 7E 7F 09 01 F7"}),
            Lines(recording_->Messages()));
}

TEST_F(MidiOut, ResetSilencesEveryChannelOfOpenPortsOnly) {
  ASSERT_TRUE(out_.OpenPort(-1, 2));
  out_.Reset();
  std::vector<std::string> expected;
  for (const char* status :
       {"B0", "B1", "B2", "B3", "B4", "B5", "B6", "B7", "B8", "B9", "BA", "BB", "BC", "BD", "BE", "BF"})
    expected.push_back(std::string(status) + " 7B 00");
  EXPECT_EQ(expected, Lines(recording_->Messages()));
  // Closing silences the port too, as the platform's reset before a close did.
  recording_->Clear();
  EXPECT_TRUE(out_.ClosePort(2));
  EXPECT_EQ(expected, Lines(recording_->Messages()));
  recording_->Clear();
  out_.Reset();
  EXPECT_TRUE(recording_->Messages().empty());
}

TEST(SystemDevices, DefaultFirstAndTheSynthesizerLast) {
  TMidiOut out;  // whatever ports this machine has
  const std::string list = out.GetDeviceList();
  const std::string synth = Cp932("内蔵GMシンセサイザー") + "\r\n";
  EXPECT_EQ(0u, list.find(Cp932("既定のMIDIデバイス") + "\r\n"));
  ASSERT_GE(list.size(), synth.size());
  EXPECT_EQ(synth, list.substr(list.size() - synth.size()));
  EXPECT_EQ(Cp932("内蔵GMシンセサイザー"), out.GetDeviceName(out.GetDeviceCount() - 1));
  EXPECT_FALSE(out.OpenPort(out.GetDeviceCount() + 3, 0));
}

TEST(FluidSynth, DefaultSoundFontIsFound) {
  const std::filesystem::path soundFont = FindDefaultSoundFont();
  ASSERT_FALSE(soundFont.empty()) << "no General MIDI SoundFont; scripts/install-deps.sh installs one";
  EXPECT_TRUE(std::filesystem::is_regular_file(soundFont));
}

TEST(FluidSynth, OfflineNotesSoundAndSilenceIsSilent) {
  TFluidSynthBackend synth(TFluidSynthBackend::TMode::Offline);
  ASSERT_TRUE(synth.Open(-1)) << pelorund::Cp932ToUtf8(synth.LastError());
  auto peak = [](const std::vector<int16_t>& samples) {
    int result = 0;
    for (int16_t s : samples) result = std::max(result, std::abs(static_cast<int>(s)));
    return result;
  };
  std::vector<int16_t> samples;
  ASSERT_TRUE(synth.Render(4410, samples));
  EXPECT_LT(peak(samples), 16);            // dither only
  ASSERT_TRUE(synth.SendShort(0x7F3C90));  // note on, middle C
  const uint8_t gmReset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  EXPECT_TRUE(synth.SendLong(gmReset));
  ASSERT_TRUE(synth.SendShort(0x7F4090));
  samples.clear();
  ASSERT_TRUE(synth.Render(4410, samples));
  EXPECT_EQ(2u * 4410, samples.size());
  EXPECT_GT(peak(samples), 1000);
}

TEST(FluidSynth, AMissingSoundFontFailsTheOpenWithItsName) {
  TFluidSynthBackend synth(TFluidSynthBackend::TMode::Offline, "/nonexistent/none.sf2");
  EXPECT_FALSE(synth.Open(-1));
  EXPECT_NE(std::string::npos, synth.LastError().find("/nonexistent/none.sf2"));
  EXPECT_FALSE(synth.SendShort(0x7F3C90));
  std::vector<int16_t> samples;
  EXPECT_FALSE(synth.Render(10, samples));
}

TEST(FluidSynth, LiveOpenEndsInAResultWithOrWithoutAudioOutput) {
  TFluidSynthBackend synth(TFluidSynthBackend::TMode::Live);
  if (synth.Open(-1)) {
    EXPECT_TRUE(synth.SendShort(0x003C90));  // a silent note: velocity 0
    synth.Close();
  } else {
    EXPECT_FALSE(synth.LastError().empty());
  }
  EXPECT_FALSE(synth.SendShort(0x003C90));
}

}  // namespace
