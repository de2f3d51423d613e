// CipherRun in OFB mode beside libcrypto's own EVP_aes_128_ofb over the same
// buffers, in one run. At the end the ratio of the two at 1 MiB is printed:
// the toolkit's OFB should stay within 1.3 times the library's.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "store/cipher_toolkit.h"

namespace {

constexpr std::uint8_t kKey[16] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                                   0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};

void BM_CipherRunOfb(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  std::vector<std::uint8_t> buffer(size, 0x5A);
  CipherKey* key = nullptr;
  if (CreateCipherKey(kKey, 16, CIPHER_FLAGS_STORE, &key) != 0) {
    state.SkipWithError("CreateCipherKey failed");
    return;
  }
  for (auto _ : state) {
    std::uint8_t iv[16] = {};
    CipherRun(key, CIPHER_MODE_OFB, buffer.data(), buffer.data(), static_cast<std::uint32_t>(size),
              iv);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  DestroyCipherKey(key);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// The library's OFB with one context kept across runs and the IV set anew
// for each, the fairest counterpart of a CipherRun call.
void BM_EvpAes128Ofb(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  std::vector<std::uint8_t> buffer(size, 0x5A);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  const std::uint8_t zero[16] = {};
  EVP_EncryptInit_ex(ctx, EVP_aes_128_ofb(), nullptr, kKey, zero);
  for (auto _ : state) {
    std::uint8_t iv[16] = {};
    int written = 0;
    EVP_EncryptInit_ex(ctx, nullptr, nullptr, nullptr, iv);
    EVP_EncryptUpdate(ctx, buffer.data(), &written, buffer.data(), static_cast<int>(size));
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  EVP_CIPHER_CTX_free(ctx);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

BENCHMARK(BM_CipherRunOfb)->Arg(64)->Arg(4 << 10)->Arg(1 << 20);
BENCHMARK(BM_EvpAes128Ofb)->Arg(64)->Arg(4 << 10)->Arg(1 << 20);

// Console output as usual, plus the time per iteration of every run kept
// for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        perIteration_[run.benchmark_name()] =
            run.real_accumulated_time / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Time(const std::string& name) const {
    auto it = perIteration_.find(name);
    return it == perIteration_.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> perIteration_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double toolkit = reporter.Time("BM_CipherRunOfb/1048576");
  const double library = reporter.Time("BM_EvpAes128Ofb/1048576");
  if (toolkit > 0 && library > 0) {
    std::printf("OFB at 1 MiB: CipherRun / EVP_aes_128_ofb = %.3f (limit 1.3)\n",
                toolkit / library);
  }
  benchmark::Shutdown();
  return 0;
}
