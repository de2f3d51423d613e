// Writes the default alarm, a PCM wave file: a two-tone siren that sweeps
// up and down twice a second, 16-bit mono at 22050 Hz, two seconds long so
// it loops seamlessly. Usage: make_alarm_wave OUTPUT.wav
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

void Put16(std::vector<unsigned char>& out, std::uint16_t v) {
  out.push_back(static_cast<unsigned char>(v & 0xFF));
  out.push_back(static_cast<unsigned char>(v >> 8));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

void PutTag(std::vector<unsigned char>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(tag[i]));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
    return 64;
  }
  constexpr std::uint32_t kRate = 22050;
  constexpr std::uint32_t kSamples = kRate * 2;
  std::vector<std::int16_t> samples(kSamples);
  double phase = 0.0;
  for (std::uint32_t i = 0; i < kSamples; ++i) {
    const double t = static_cast<double>(i) / kRate;
    // The pitch sweeps 880 -> 1760 -> 880 Hz every half second; the sweep
    // period divides the file length, so the loop point is seamless.
    const double sweep = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * 2.0 * t);
    const double frequency = 880.0 + 880.0 * sweep;
    phase += 2.0 * std::numbers::pi * frequency / kRate;
    // A little third harmonic makes it cut through like a buzzer.
    const double value = 0.8 * std::sin(phase) + 0.15 * std::sin(3.0 * phase);
    samples[i] = static_cast<std::int16_t>(std::lround(value * 30000.0));
  }
  std::vector<unsigned char> out;
  const std::uint32_t dataBytes = kSamples * 2;
  PutTag(out, "RIFF");
  Put32(out, 36 + dataBytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);          // PCM
  Put16(out, 1);          // mono
  Put32(out, kRate);      // samples per second
  Put32(out, kRate * 2);  // bytes per second
  Put16(out, 2);          // block alignment
  Put16(out, 16);         // bits per sample
  PutTag(out, "data");
  Put32(out, dataBytes);
  for (std::int16_t s : samples) Put16(out, static_cast<std::uint16_t>(s));

  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return (std::fclose(file) == 0 && ok) ? 0 : 1;
}
