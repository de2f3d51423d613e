#include "platform/wave_out.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/faults.h"
#include "platform/kernel.h"

namespace {

// 8 kHz, 8 bits, mono.
constexpr WAVEFORMATEX kPcm{WAVE_FORMAT_PCM, 1, 8000, 8000, 1, 8, 0};

class WaveOutTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::faults::Clear();
    if (out_ != nullptr) {
      waveOutReset(out_);
      waveOutUnprepareHeader(out_, &header_, sizeof(header_));
      waveOutClose(out_);
    }
  }
  HWAVEOUT out_ = nullptr;
  WAVEHDR header_{};
};

TEST_F(WaveOutTest, EndlessLoopPlaysUntilResetAndInjectedFailuresAreReported) {
  HANDLE done = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  const auto open = [&] {
    return waveOutOpen(&out_, 0, &kPcm, reinterpret_cast<std::uintptr_t>(done), 0, CALLBACK_EVENT);
  };
  platform::faults::Fail("waveOutOpen", MMSYSERR_NOMEM);
  EXPECT_EQ(open(), MMSYSERR_NOMEM);
  ASSERT_EQ(open(), MMSYSERR_NOERROR);
  platform::faults::Fail("waveOutGetVolume", MMSYSERR_ERROR);
  DWORD volume = 0;
  EXPECT_EQ(waveOutGetVolume(out_, &volume), MMSYSERR_ERROR);
  EXPECT_EQ(waveOutReset(reinterpret_cast<HWAVEOUT>(std::uintptr_t{1})), MMSYSERR_INVALHANDLE);
  // A second open of the one device is refused while it is in use.
  HWAVEOUT second = nullptr;
  EXPECT_EQ(waveOutOpen(&second, 0, &kPcm, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);

  std::vector<BYTE> samples(400, 0x90);
  header_.lpData = samples.data();
  header_.dwBufferLength = static_cast<DWORD>(samples.size());
  header_.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  header_.dwLoops = 0xFFFFFFFF;
  EXPECT_EQ(waveOutWrite(out_, &header_, sizeof(header_)), WAVERR_UNPREPARED);
  ASSERT_EQ(waveOutPrepareHeader(out_, &header_, sizeof(header_)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(out_, &header_, sizeof(header_)), MMSYSERR_NOERROR);
  // The dummy audio driver pulls samples in real time: wait until it has
  // gone round the 400-byte buffer several times.
  for (int i = 0; i < 300 && platform::wave_out::CurrentStatus().bytesPlayed < 2000; ++i) Sleep(10);
  const auto status = platform::wave_out::CurrentStatus();
  EXPECT_TRUE(status.playing && status.looping);
  EXPECT_GE(status.bytesPlayed, 2000u);
  EXPECT_EQ(waveOutClose(out_), WAVERR_STILLPLAYING);

  ASSERT_EQ(waveOutReset(out_), MMSYSERR_NOERROR);
  EXPECT_TRUE(header_.dwFlags & WHDR_DONE);
  EXPECT_EQ(WaitForSingleObject(done, 0), WAIT_OBJECT_0);
  EXPECT_FALSE(platform::wave_out::CurrentStatus().playing);
  CloseHandle(done);
}

}  // namespace
