// Throughput of the password transform over a transfer buffer, block by block, as
// readAt and writeAt apply it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "store/page_cipher.h"

namespace kestrand {
namespace {

std::vector<uint8_t> transferBuffer(std::size_t bytes) {
  std::vector<uint8_t> buffer(bytes);
  for (std::size_t i = 0; i < bytes; ++i) buffer[i] = static_cast<uint8_t>(i * 31 + i / 64);
  return buffer;
}

template <void (*Transform)(const KeySchedule&, uint8_t*)>
void transformTransfer(benchmark::State& state) {
  const KeySchedule key = buildKeySchedule("Password1");
  std::vector<uint8_t> buffer = transferBuffer(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    for (std::size_t at = 0; at < buffer.size(); at += kCipherBlockBytes) Transform(key, buffer.data() + at);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_EncryptTransfer(benchmark::State& state) { transformTransfer<encryptBlock>(state); }
void BM_DecryptTransfer(benchmark::State& state) { transformTransfer<decryptBlock>(state); }

// A page of one unit and the largest page.
BENCHMARK(BM_EncryptTransfer)->Arg(256)->Arg(15104);
BENCHMARK(BM_DecryptTransfer)->Arg(256)->Arg(15104);

void BM_BuildKeySchedule(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(buildKeySchedule("Password1"));
}
BENCHMARK(BM_BuildKeySchedule);

}  // namespace
}  // namespace kestrand
