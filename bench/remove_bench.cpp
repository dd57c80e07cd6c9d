// Removing one table of N records (100 bytes each) from a file of ten tables, the nine
// others of M records each, against SQLite in the same run: DROP TABLE, and DROP TABLE
// followed by VACUUM (the only way SQLite gives the space back by default). The
// removed table is the fifth, so that its pages lie in the middle of the file.
//
// N = M = 10 000 and 100 000, and N = 10 000 with M = 100 000 (a small table out of a
// large file: the cost should follow the table, not the file); N = M = 1 000 000 when
// KESTRAND_BENCH_MILLION is set (the files are about 1.1 GB each then).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/driver_entry.h"
#include "filelayer/call_driver.h"
#include "filelayer/error_state.h"
#include "filelayer/field_types.h"
#include "filelayer/mode_word.h"
#include "filelayer/operation_code.h"
#include "tables/data_record_append.h"

namespace {
using namespace kestrand;
using Clock = std::chrono::steady_clock;

constexpr int kTables = 10;
constexpr int kRemoved = 4;
constexpr uint32_t kRecordBytes = 100;

std::string tableName(int t) {
  std::string name(1, 'T');
  name += std::to_string(t);
  return name;
}

// The record's bytes: its number, then bytes that do not compress.
void fillRecord(uint32_t table, uint32_t i, uint8_t* image) {
  std::memcpy(image, &i, 4);
  uint32_t x = (table * 0x9E3779B9u) ^ (i * 2654435761u) ^ 0x5bd1e995u;
  for (uint32_t b = 4; b < kRecordBytes; ++b) {
    x = x * 1103515245u + 12345u;
    image[b] = uint8_t(x >> 24);
  }
}

struct Block {
  explicit Block(const std::string& fullName) : name(fullName) {
    block.driver = kestrandDriverEntry;
    block.name = {name.c_str(), kTextNulTerminated};
    block.attributes = kAttrCreate;
    block.record = &record;
    block.recordLength = kRecordBytes;
    block.recordBuffer = buffer.data();
  }
  ~Block() { callDriver(opDestroy, block, {0}); }

  std::string name;
  FieldDeclaration fields[3] = {declareGroup(0, kRecordBytes, "REC", 2), declareField(kTypeLong, 0, 4, "ID"),
                                declareField(kTypeString, 4, kRecordBytes - 4, "DATA")};
  RecordDeclaration record{fields, 3};
  std::vector<uint8_t> buffer = std::vector<uint8_t>(kRecordBytes);
  FileControlBlock block;
};

uint32_t recordsOf(int t, uint32_t removed, uint32_t others) { return t == kRemoved ? removed : others; }

bool buildKestrand(const std::string& path, uint32_t removed, uint32_t others) {
  for (int t = 0; t < kTables; ++t) {
    const uint32_t n = recordsOf(t, removed, others);
    Block table(path + "\\!" + tableName(t));
    callDriver(opCreate, table.block);
    if (errorCode() != 0) return false;
    callDriver(opOpen, table.block, {mode::kRemoveMode});
    if (errorCode() != 0) return false;
    if (appendDataRecords(*table.block.context, n, [t](uint32_t i, uint8_t* image) { fillRecord(t, i, image); }) != 0)
      return false;
    callDriver(opClose, table.block);
    if (errorCode() != 0) return false;
  }
  return true;
}

void exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s\n", message != nullptr ? message : "?");
    sqlite3_free(message);
    std::abort();
  }
}

void buildSqlite(const std::string& path, uint32_t removed, uint32_t others) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  std::vector<uint8_t> image(kRecordBytes);
  for (int t = 0; t < kTables; ++t) {
    const uint32_t n = recordsOf(t, removed, others);
    exec(db, ("CREATE TABLE " + tableName(t) + " (id INTEGER PRIMARY KEY, data BLOB)").c_str());
    exec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, ("INSERT INTO " + tableName(t) + " VALUES (?, ?)").c_str(), -1, &insert, nullptr);
    for (uint32_t i = 0; i < n; ++i) {
      fillRecord(uint32_t(t), i, image.data());
      sqlite3_bind_int64(insert, 1, i + 1);
      sqlite3_bind_blob(insert, 2, image.data() + 4, int(kRecordBytes - 4), SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    exec(db, "COMMIT");
  }
  sqlite3_close(db);
}

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Drops the removed table (and vacuums when asked); the time it took.
double dropSqlite(const std::string& path, bool vacuum) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  const auto start = Clock::now();
  exec(db, ("DROP TABLE " + tableName(kRemoved)).c_str());
  if (vacuum) exec(db, "VACUUM");
  const double took = seconds(start);
  sqlite3_close(db);
  return took;
}

void BM_RemoveTable(benchmark::State& state) {
  const uint32_t n = uint32_t(state.range(0));
  const uint32_t m = uint32_t(state.range(1));
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kst-remove-bench-" + std::to_string(n) + "-" + std::to_string(m));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string kst = (dir / "data.kst").string();
  const std::string lite = (dir / "data.sqlite").string();
  const std::string liteVacuum = (dir / "vacuum.sqlite").string();
  if (!buildKestrand(kst, n, m)) {
    state.SkipWithError("building the data file failed");
    return;
  }
  buildSqlite(lite, n, m);
  std::filesystem::copy_file(lite, liteVacuum);
  const double kstBefore = double(std::filesystem::file_size(kst));
  const double liteBefore = double(std::filesystem::file_size(lite));

  for (auto _ : state) {
    Block table(kst + "\\!" + tableName(kRemoved));
    const auto start = Clock::now();
    callDriver(opRemove, table.block);
    const double took = seconds(start);
    if (errorCode() != 0) state.SkipWithError("REMOVE failed");
    state.SetIterationTime(took);

    const double drop = dropSqlite(lite, false);
    const double dropVacuum = dropSqlite(liteVacuum, true);
    state.counters["kst_ms"] = took * 1e3;
    state.counters["sqlite_drop_ms"] = drop * 1e3;
    state.counters["sqlite_vacuum_ms"] = dropVacuum * 1e3;
    state.counters["ratio_vs_drop"] = took / drop;
    state.counters["ratio_vs_vacuum"] = took / dropVacuum;
  }
  state.counters["kst_MB_before"] = kstBefore / 1e6;
  state.counters["kst_MB_after"] = double(std::filesystem::file_size(kst)) / 1e6;
  state.counters["sqlite_MB_before"] = liteBefore / 1e6;
  state.counters["sqlite_MB_drop"] = double(std::filesystem::file_size(lite)) / 1e6;
  state.counters["sqlite_MB_vacuum"] = double(std::filesystem::file_size(liteVacuum)) / 1e6;
  std::filesystem::remove_all(dir);
}

void registerRemoveBenchmarks() {
  auto* bench = benchmark::RegisterBenchmark("BM_RemoveTable", BM_RemoveTable);
  bench->Args({10000, 10000})->Args({100000, 100000})->Args({10000, 100000});
  if (std::getenv("KESTRAND_BENCH_MILLION") != nullptr) bench->Args({1000000, 1000000});
  bench->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

const bool registered = (registerRemoveBenchmarks(), true);
}  // namespace
