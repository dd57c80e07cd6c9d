// Store-level work against SQLite in the same run: bulk insert of a million records
// (16-byte keys, 100-byte data) in one commit, random point lookups, a full ordered
// scan, and erasing a contiguous half. Each benchmark times the store (the reported
// time) and the same work in SQLite, and reports ratio = store time / SQLite time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "sqlite_peer.h"
#include "store/commit.h"
#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "store/record_tree.h"
#include "store/store_cursor.h"

namespace kestrand {
namespace {

constexpr std::size_t kRecords = 1000000;
constexpr std::size_t kLookups = 200000;
constexpr uint32_t kOpenFlags = 0x142;  // create when missing, read/write, deny none

struct Workload {
  std::vector<std::string> keys;  // insertion order: random in key order
  std::vector<std::string> sorted;
  std::vector<std::string> probes;
  std::string data;
  std::filesystem::path dir;
  std::string store;   // the prepared files
  std::string sqlite;
};

std::string bigEndian(uint64_t v) {
  std::string out(8, '\0');
  for (int i = 7; i >= 0; --i, v >>= 8) out[std::size_t(i)] = char(v & 0xFF);
  return out;
}

double seconds(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void storeInsert(const std::string& path, const Workload& w) {
  DataFile file;
  openDataFile(file, path, kOpenFlags, "");
  beginWrite(file);
  for (const std::string& key : w.keys)
    insertRecord(file, makeStoreRecord(key.data(), uint32_t(key.size()), w.data.data(), uint32_t(w.data.size())));
  commit(file);
  truncateToUsed(file);
  destroyDataFile(file);
}

const Workload& workload() {
  static Workload w = [] {
    armErrorExit();
    Workload w;
    std::mt19937_64 random(42);
    w.keys.reserve(kRecords);
    for (std::size_t i = 0; i < kRecords; ++i) w.keys.push_back(bigEndian(i * 0x9E3779B97F4A7C15ull) + bigEndian(i));
    w.sorted = w.keys;
    std::sort(w.sorted.begin(), w.sorted.end());
    for (std::size_t i = 0; i < kLookups; ++i) w.probes.push_back(w.keys[random() % kRecords]);
    w.data.resize(100);
    for (char& c : w.data) c = char(random());
    char pattern[] = "/tmp/kestrand_bench_XXXXXX";
    w.dir = ::mkdtemp(pattern);
    w.store = (w.dir / "prepared.kst").string();
    w.sqlite = (w.dir / "prepared.db").string();
    storeInsert(w.store, w);
    bench::SqlitePeer(w.sqlite).insertAll(w.keys, w.data);
    return w;
  }();
  return w;
}

// Opens the prepared file, runs `work` on it and closes it again.
void withPreparedStore(const std::function<void(DataFile&)>& work) {
  DataFile file;
  openDataFile(file, workload().store, kOpenFlags, "");
  work(file);
  destroyDataFile(file);
}

void report(benchmark::State& state, double store, double sqlite) {
  state.SetIterationTime(store);
  state.counters["sqlite_s"] = sqlite;
  state.counters["ratio"] = store / sqlite;
}

std::string scratchCopy(const std::string& prepared, const char* name) {
  std::filesystem::path copy = workload().dir / name;
  std::filesystem::copy_file(prepared, copy, std::filesystem::copy_options::overwrite_existing);
  return copy.string();
}

void BM_BulkInsert(benchmark::State& state) {
  const Workload& w = workload();
  for (auto _ : state) {
    std::string store = (w.dir / "insert.kst").string();
    std::string sqlite = (w.dir / "insert.db").string();
    std::filesystem::remove(store);
    std::filesystem::remove(sqlite);
    double s = seconds([&] { storeInsert(store, w); });
    double q = seconds([&] { bench::SqlitePeer(sqlite).insertAll(w.keys, w.data); });
    report(state, s, q);
  }
}

void BM_PointLookups(benchmark::State& state) {
  const Workload& w = workload();
  for (auto _ : state) {
    uint64_t found = 0;
    double s = seconds([&] {
      withPreparedStore([&](DataFile& file) {
        RecordPtr probe = newStoreRecord(16, 0);
        for (const std::string& key : w.probes) {
          std::memcpy(probe->bytes(), key.data(), 16);
          found += findExact(file, *probe) != nullptr;
        }
      });
    });
    double q = seconds([&] { found += bench::SqlitePeer(w.sqlite).lookup(w.probes); });
    if (found != 2 * kLookups) state.SkipWithError("lookups missed");
    report(state, s, q);
  }
}

void BM_OrderedScan(benchmark::State& state) {
  const Workload& w = workload();
  for (auto _ : state) {
    uint64_t rows = 0;
    double s = seconds([&] {
      withPreparedStore([&](DataFile& file) {
        RecordPtr start = newStoreRecord(0, 0);
        for (StoreRecord* x = findAfter(file, *start); x != nullptr; x = findAfter(file, *x)) rows += x->dataLength() != 0;
      });
    });
    double q = seconds([&] { rows += bench::SqlitePeer(w.sqlite).scan(); });
    if (rows != 2 * kRecords) state.SkipWithError("scan missed rows");
    report(state, s, q);
  }
}

void BM_EraseContiguousHalf(benchmark::State& state) {
  const Workload& w = workload();
  const std::string& low = w.sorted[kRecords / 4];
  const std::string& high = w.sorted[kRecords / 4 + kRecords / 2];
  for (auto _ : state) {
    std::string store = scratchCopy(w.store, "erase.kst");
    std::string sqlite = scratchCopy(w.sqlite, "erase.db");
    double s = seconds([&] {
      DataFile file;
      openDataFile(file, store, kOpenFlags, "");
      beginWrite(file);
      // From the last key of the half backwards, as a table's records are deleted.
      StoreCursor cursor;
      cursorInit(cursor, file);
      const std::string& last = w.sorted[kRecords / 4 + kRecords / 2 - 1];
      cursorSet(cursor, makeStoreRecord(last.data(), 16, nullptr, 0), false);
      for (StoreRecord* x = cursorFetch(cursor); x != nullptr && compareKeys(x->bytes(), x->keyLength,
               reinterpret_cast<const uint8_t*>(low.data()), 16) >= 0; x = cursorFetch(cursor))
        cursorEraseBackward(cursor);
      cursorReset(cursor);
      commit(file);
      truncateToUsed(file);
      destroyDataFile(file);
    });
    double q = seconds([&] { bench::SqlitePeer(sqlite).eraseRange(low, high); });
    report(state, s, q);
  }
}

BENCHMARK(BM_BulkInsert)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointLookups)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderedScan)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EraseContiguousHalf)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrand
