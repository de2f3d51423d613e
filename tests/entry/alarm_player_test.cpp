#include "lockout/alarm_player.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "lockout/false_logon_control.h"
#include "lockout/wave_file.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/faults.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/wave_out.h"
#include "res/registry_names.h"
#include "store/settings_record.h"
#include "tests/support/store_fixture.h"

namespace {

using testing_support::StoreTest;

constexpr const char16_t* kKey = kSettingsKeyPath;

// A canonical 44-byte header followed by `samples` bytes.
std::vector<BYTE> Wave(WORD tag, WORD channels, WORD bits, DWORD rate, DWORD declaredSize,
                       std::size_t samples) {
  std::vector<BYTE> bytes(44 + samples, 0x40);
  auto put16 = [&](std::size_t at, WORD v) { std::memcpy(&bytes[at], &v, 2); };
  auto put32 = [&](std::size_t at, DWORD v) { std::memcpy(&bytes[at], &v, 4); };
  std::memcpy(&bytes[0], "RIFF", 4);
  std::memcpy(&bytes[8], "WAVEfmt ", 8);
  put16(20, tag);
  put16(22, channels);
  put32(24, rate);
  put32(28, rate * channels * bits / 8);
  put16(32, static_cast<WORD>(channels * bits / 8));
  put16(34, bits);
  put16(36, 2);
  put16(38, 0x0140);
  put32(40, declaredSize);
  return bytes;
}

class AlarmPlayerTest : public StoreTest {
 protected:
  void TearDown() override {
    AlarmStop(true);
    waveOutSetVolume(nullptr, 0xFFFFFFFF);
    StoreTest::TearDown();
  }
  void WriteDeviceFile(const char16_t* devicePath, const std::vector<BYTE>& bytes) {
    testing_support::WriteFile(platform::device::MapPath(devicePath),
                               std::string(bytes.begin(), bytes.end()));
  }
};

TEST(WaveHeader, ZeroDataSizeMeansTheRestOfTheFile) {
  const auto bytes = Wave(WAVE_FORMAT_PCM, 2, 16, 22050, 0, 1000);
  WAVEFORMATEX f{};
  WORD extra = 7;
  DWORD size = 0;
  ASSERT_TRUE(ParseWaveHeader(bytes.data(), bytes.size(), &f, &extra, &size));
  // Only GSM carries the extra word.
  EXPECT_EQ(std::tie(size, f.nChannels, f.nSamplesPerSec, f.nBlockAlign, extra),
            std::tuple(1000u, 2, 22050u, 4, 0));

  const auto gsm = Wave(WAVE_FORMAT_GSM610, 1, 0, 8000, 65, 65);
  ASSERT_TRUE(ParseWaveHeader(gsm.data(), gsm.size(), &f, &extra, &size));
  EXPECT_EQ(std::tie(extra, size), std::tuple(0x0140, 65u));
  EXPECT_FALSE(ParseWaveHeader(gsm.data(), 43, &f, &extra, &size));
}

TEST_F(AlarmPlayerTest, PlaysTheFileInAnEndlessLoopAtTheGivenVolume) {
  WriteDeviceFile(u"\\Windows\\Siren.wav", Wave(WAVE_FORMAT_PCM, 1, 8, 8000, 0, 800));
  waveOutSetVolume(nullptr, 0x80008000);
  ASSERT_EQ(AlarmPlay(u"\\windows\\siren.WAV", 0xFFFFFFFF), MMSYSERR_NOERROR);
  auto status = platform::wave_out::CurrentStatus();
  EXPECT_TRUE(status.playing && status.looping);
  EXPECT_EQ(status.format.nSamplesPerSec, 8000u);
  EXPECT_EQ(status.masterVolume, 0xFFFFFFFFu);
  // A second play while one plays changes nothing.
  WriteDeviceFile(u"\\Windows\\Other.wav", Wave(WAVE_FORMAT_PCM, 2, 16, 44100, 0, 800));
  EXPECT_EQ(AlarmPlay(u"\\Windows\\Other.wav", 0x1000), MMSYSERR_NOERROR);
  EXPECT_EQ(platform::wave_out::CurrentStatus().format.nSamplesPerSec, 8000u);
  AlarmStop(false);
  EXPECT_FALSE(platform::wave_out::CurrentStatus().open);
}

TEST_F(AlarmPlayerTest, MissingFileFallsBackAndNothingPlaysWithoutAFile) {
  AlarmResume();  // nothing persisted: nothing plays
  EXPECT_FALSE(platform::wave_out::CurrentStatus().open);
  ASSERT_EQ(AlarmPlay(u"\\nowhere.wav", 0xFFFFFFFF), MMSYSERR_NOERROR);
  EXPECT_TRUE(platform::wave_out::CurrentStatus().playing);  // the built-in alarm
  AlarmStop(false);
  std::filesystem::remove(platform::device::MapPath(kDefaultAlarmFile));
  EXPECT_EQ(AlarmPlay(u"\\nowhere.wav", 0xFFFFFFFF), MMSYSERR_NOERROR);
  EXPECT_FALSE(platform::wave_out::CurrentStatus().open);
  // A file shorter than its header counts as missing.
  WriteDeviceFile(u"\\short.wav", std::vector<BYTE>(43, 0));
  EXPECT_EQ(AlarmPlay(u"\\short.wav", 0xFFFFFFFF), MMSYSERR_NOERROR);
  EXPECT_FALSE(platform::wave_out::CurrentStatus().open);
}

TEST_F(AlarmPlayerTest, PersistentAlarmKeepsTheFirstVolumeAndFallsBack) {
  WriteDeviceFile(u"\\gsm.wav", Wave(WAVE_FORMAT_GSM610, 1, 0, 8000, 0, 650));
  g_Settings.AlarmSound = u"\\gsm.wav";
  waveOutSetVolume(nullptr, 0x11111111);
  ASSERT_EQ(AlarmStart(true), MMSYSERR_NOERROR);
  EXPECT_EQ(g_bAlarmPlaying, 1);
  EXPECT_EQ(g_Settings.AlarmSound, kDefaultAlarmFile);
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kKey, u"ContinueAlarm"), Utf16Bytes(kDefaultAlarmFile));
  const auto firstVolume = RegBytes(HKEY_CURRENT_USER, kKey, u"DefaultVolume");
  ASSERT_TRUE(firstVolume);

  AlarmStop(false);  // a stop without clearing keeps the alarm due
  waveOutSetVolume(nullptr, 0x22222222);
  ASSERT_EQ(AlarmStart(true), MMSYSERR_NOERROR);
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kKey, u"DefaultVolume"), firstVolume);

  // A restart: the process forgets everything but the registry.
  AlarmStop(false);
  g_Settings = SettingsRecord{};
  g_Settings.AlarmSound = u"\\elsewhere.wav";
  AlarmResume();
  EXPECT_EQ(g_Settings.AlarmSound, kDefaultAlarmFile);
  EXPECT_TRUE(platform::wave_out::CurrentStatus().playing);

  AlarmStop(true);
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, kKey, u"ContinueAlarm"));
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, kKey, u"DefaultVolume"));
  EXPECT_FALSE(platform::wave_out::CurrentStatus().open);
  DWORD restored = 0;
  waveOutGetVolume(nullptr, &restored);
  EXPECT_EQ(testing_support::DwordBytes(restored), *firstVolume);
}

TEST_F(AlarmPlayerTest, RegistryFailureOfAPersistentStartIsReported) {
  platform::faults::Fail("RegSetValueEx", ERROR_DISK_FULL);
  EXPECT_EQ(AlarmStart(true), ERROR_DISK_FULL);
  ASSERT_EQ(platform::message_box::Recorded().size(), 1u);
  EXPECT_EQ(platform::message_box::Recorded()[0].text, u"General error #112!");
  EXPECT_TRUE(platform::wave_out::CurrentStatus().playing);  // the sound still plays
}

using testing_support::DelayRecordBytes;

class FalseLogonTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    platform::clock::UseVirtual(100000);
  }
  void TearDown() override {
    AlarmStop(true);
    platform::clock::UseReal();
    StoreTest::TearDown();
  }
};

// Its growth and reset show in "Retry" after each false logon of the
// logon session tests.
TEST_F(FalseLogonTest, ACounterWithoutAKeyIsZero) {
  platform::faults::Fail("RegOpenKeyEx", ERROR_ACCESS_DENIED, 1, 0);
  platform::faults::Fail("RegCreateKeyEx", ERROR_ACCESS_DENIED, 1, 0);
  EXPECT_EQ(IncrementFalseLogonCount(), 0u);
}

// The squares themselves are served by the logon session tests.
TEST(DelaySecondsTest, SquareOfTheCountCappedWhenItOverflows) {
  EXPECT_EQ(DelaySeconds(46340), 46340 * 46340);
  EXPECT_EQ(DelaySeconds(46341), 32766);
  EXPECT_EQ(DelaySeconds(0xFFFFFFFF), 32766);
}

TEST_F(FalseLogonTest, CountsStopAtTheirLargestValueInsteadOfWrapping) {
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"Retry", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(IncrementFalseLogonCount(), 0xFFFFFFFFu);
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay", REG_BINARY, DelayRecordBytes(1, 0xFFFFFFFF, 0));
  EXPECT_EQ(RecordFalseLogon(kDelayRecordName), 32766);
  EXPECT_EQ(PendingDelaySeconds(kDelayRecordName), 32766);
}

TEST_F(FalseLogonTest, RecordsOfTheWrongSizeOrTypeCountAsAbsent) {
  for (const auto& bad : {std::vector<BYTE>(35, 1), std::vector<BYTE>(37, 1)}) {
    SetRegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay", REG_BINARY, bad);
    EXPECT_EQ(PendingDelaySeconds(kDelayRecordName), 0);
    EXPECT_EQ(RecordFalseLogon(kDelayRecordName), 1);
    EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay")->size(), 36u);
  }
  auto untagged = DelayRecordBytes(1, 7, 1);
  untagged[3] = '1';
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay", REG_BINARY, untagged);
  EXPECT_EQ(RecordFalseLogon(kDelayRecordName), 1);
}

TEST_F(FalseLogonTest, TheOldestOfTenRecordsMakesRoom) {
  // Ten other records; the one with the smallest time goes, ties keep the
  // earlier one, and a record with time 0 is always replaced as candidate.
  const DWORD times[10] = {0, 900, 50, 700, 50, 800, 600, 500, 400, 300};
  for (int i = 0; i < 10; ++i) {
    std::u16string name = u"Rec" + std::u16string(1, static_cast<char16_t>(u'A' + i));
    SetRegBytes(HKEY_CURRENT_USER, kKey, name.c_str(), REG_BINARY,
                DelayRecordBytes(times[i], 1, 0));
  }
  // Values that aren't records don't count.
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"Other", REG_BINARY, std::vector<BYTE>(36, 0));
  RecordFalseLogon(kDelayRecordName);
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, kKey, u"RecC"));
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, kKey, u"RecA"));
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, kKey, u"RecE"));
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay"));

  // With nine others and PwDelay present, nothing is evicted.
  RecordFalseLogon(kDelayRecordName);
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, kKey, u"RecE"));
}

TEST_F(FalseLogonTest, LimitSoundsAPersistentAlarm) {
  g_Settings.MaxFalseLogonRetries = 1;
  g_Settings.MaxFalseLogonRetriesValue = 2;
  g_Settings.ActionAfterMaxFalseLogons = 1;
  g_Settings.PowerOnLogon = 1;
  ApplyFalseLogonLimit(1);
  EXPECT_FALSE(platform::wave_out::CurrentStatus().playing);
  ApplyFalseLogonLimit(2);
  EXPECT_TRUE(platform::wave_out::CurrentStatus().playing);
  EXPECT_TRUE(RegBytes(HKEY_CURRENT_USER, kKey, u"ContinueAlarm"));
  // Off, the limit does nothing.
  AlarmStop(true);
  g_Settings.MaxFalseLogonRetries = 0;
  ApplyFalseLogonLimit(5);
  EXPECT_FALSE(platform::wave_out::CurrentStatus().playing);
  // With the power-on logon off it still acts: a device locked with "Lock
  // now" must not be open to guessing with only the delays in the way.
  g_Settings.MaxFalseLogonRetries = 1;
  g_Settings.PowerOnLogon = 0;
  ApplyFalseLogonLimit(5);
  EXPECT_TRUE(platform::wave_out::CurrentStatus().playing);
}

}  // namespace
