// Serialising and parsing a typical leaf: records of one table with 16-byte keys that
// share their leading bytes and 32 bytes of data, about 4 KB in all (the size at which
// a page of more than 20 records splits).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "store/page_image.h"

namespace kestrand {
namespace {

constexpr std::size_t kKeyBytes = 16;
constexpr std::size_t kDataBytes = 32;
constexpr std::size_t kRecordCount = (4096 - kPageHeaderBytes) / (kKeyBytes + kDataBytes + 5);

struct Leaf {
  std::vector<uint8_t> bytes;  // the records back to back
  std::vector<PageEntry> entries;
  int32_t sizeEstimate = kPageHeaderBytes;
};

// Padded: data fields are space-padded texts, so the body codes smaller.
// Dense: data without runs, so the body stays uncoded.
Leaf typicalLeaf(bool padded) {
  constexpr std::size_t total = kKeyBytes + kDataBytes;
  Leaf leaf;
  leaf.bytes.resize(kRecordCount * total);
  for (std::size_t r = 0; r < kRecordCount; ++r) {
    uint8_t* p = leaf.bytes.data() + r * total;
    // Table number, key number, a key field, the record number (big-endian).
    const uint8_t key[kKeyBytes] = {0x00, 0x00, 0x01, 0x07, 0x01, 'S', 'M', 'I', 'T', 'H',
                                    static_cast<uint8_t>('A' + r / 26), static_cast<uint8_t>('A' + r % 26),
                                    0x00, 0x00, static_cast<uint8_t>(r >> 8), static_cast<uint8_t>(r)};
    std::memcpy(p, key, kKeyBytes);
    for (std::size_t i = 0; i < kDataBytes; ++i) {
      const bool pad = padded && i % 16 >= 6 + r % 5;
      p[kKeyBytes + i] = pad ? ' ' : static_cast<uint8_t>('a' + (r * 7 + i * 3) % 26);
    }
    leaf.entries.push_back({p, kKeyBytes, static_cast<uint16_t>(total)});
    leaf.sizeEstimate += static_cast<int32_t>(total + 5);
  }
  return leaf;
}

class CountingSink : public PageEntrySink {
 public:
  void entry(uint16_t keyLength, uint16_t totalLength, const uint8_t* bytes) override {
    benchmark::DoNotOptimize(bytes);
    count += keyLength + totalLength;
  }
  std::size_t count = 0;
};

void BM_SerializeLeaf(benchmark::State& state) {
  const Leaf leaf = typicalLeaf(state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(serializePage(leaf.entries, 0, leaf.sizeEstimate));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * leaf.bytes.size()));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * leaf.entries.size()));
  state.counters["image_bytes"] = static_cast<double>(serializePage(leaf.entries, 0, leaf.sizeEstimate).size());
}

void BM_ParseLeaf(benchmark::State& state) {
  const Leaf leaf = typicalLeaf(state.range(0) != 0);
  const std::vector<uint8_t> image = serializePage(leaf.entries, 0, leaf.sizeEstimate);
  std::vector<int32_t> children;
  CountingSink sink;
  for (auto _ : state) benchmark::DoNotOptimize(parsePage(image.data(), image.size(), sink, children));
  benchmark::DoNotOptimize(sink.count);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * leaf.bytes.size()));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * leaf.entries.size()));
  state.counters["image_bytes"] = static_cast<double>(image.size());
}

// Argument 0: dense records, stored uncoded; 1: space-padded records, stored coded.
BENCHMARK(BM_SerializeLeaf)->ArgName("padded")->Arg(0)->Arg(1);
BENCHMARK(BM_ParseLeaf)->ArgName("padded")->Arg(0)->Arg(1);

}  // namespace
}  // namespace kestrand
