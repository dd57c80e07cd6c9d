#include "store/page_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "store/corruption.h"

namespace kestrand {
namespace {

using Bytes = std::vector<uint8_t>;

struct Record {
  Bytes bytes;
  uint16_t keyLength = 0;
  bool operator==(const Record&) const = default;
};

std::vector<PageEntry> entriesOf(const std::vector<Record>& records) {
  std::vector<PageEntry> entries;
  for (const Record& r : records) {
    entries.push_back({r.bytes.data(), r.keyLength, static_cast<uint16_t>(r.bytes.size())});
  }
  return entries;
}

// The page cache's estimate: every record in full, plus its child number on an
// interior page.
int32_t estimateOf(const std::vector<Record>& records, uint8_t level) {
  std::size_t size = kPageHeaderBytes;
  for (const Record& r : records) size += r.bytes.size() + 5 + (level != 0 ? 4 : 0);
  return static_cast<int32_t>(size);
}

Bytes serialize(const std::vector<Record>& records, uint8_t level = 0) {
  return serializePage(entriesOf(records), level, estimateOf(records, level));
}

// Copies every entry, reading each of its bytes, as a page cache would.
class CollectingSink : public PageEntrySink {
 public:
  void entry(uint16_t keyLength, uint16_t totalLength, const uint8_t* bytes) override {
    EXPECT_LE(keyLength, totalLength);
    records.push_back({Bytes(bytes, bytes + totalLength), keyLength});
  }
  std::vector<Record> records;
};

struct Parsed {
  PageImageHeader header;
  std::vector<Record> records;
  std::vector<int32_t> children;
};

Parsed parse(const Bytes& image) {
  Parsed parsed;
  CollectingSink sink;
  parsed.header = parsePage(image.data(), image.size(), sink, parsed.children);
  parsed.records = std::move(sink.records);
  return parsed;
}

// The report a call raised, or nothing when it returned.
template <typename Call>
std::optional<int32_t> reportOf(Call call) {
  try {
    call();
  } catch (const DriverUnwind& unwind) {
    return unwind.report;
  }
  return std::nullopt;
}

// Bytes without any run of four equal bytes.
Bytes varied(std::size_t n, uint8_t seed = 0) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7 + i / 256);
  return b;
}

Record record(Bytes bytes, uint16_t keyLength) { return {std::move(bytes), keyLength}; }

class PageImageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { armErrorExit(); }
};

TEST_F(PageImageTest, WorkedLeafImageByteForByte) {
  const std::vector<Record> records = {record({}, 0), record({0x01, 0x02, 0x03}, 2)};
  Bytes image = serialize(records);
  setImageHomeOffset(image.data(), 512);

  Bytes expected = {0x00, 0x02, 0x00, 0x00, 0x1A, 0x00, 0x1A, 0x00, 0x1A, 0x00, 0x02, 0x00, 0x00,
                    0xC0, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x03, 0x00, 0x02, 0x00, 0x01, 0x02, 0x03};
  expected.resize(256, 0xB0);
  EXPECT_EQ(image, expected);
  EXPECT_EQ(imageLength(image.data()), 256u);

  const Parsed parsed = parse(image);
  EXPECT_EQ(parsed.records, records);
  EXPECT_EQ(parsed.header.homeOffset, 512u);
  EXPECT_EQ(parsed.header.sizeEstimate, 26);
  EXPECT_TRUE(parsed.children.empty());
}

TEST_F(PageImageTest, BodyCodingCases) {
  struct Case {
    const char* name;
    Bytes body;
    std::optional<Bytes> coded;  // none: not coded
  };
  Bytes longLiterals = varied(130);
  longLiterals.insert(longLiterals.end(), 4, 0x55);
  Bytes longCoded = {0x83, 0x01};  // 131 literals
  longCoded.insert(longCoded.end(), longLiterals.begin(), longLiterals.begin() + 131);
  longCoded.insert(longCoded.end(), {0x03, 0x00});
  const Case cases[] = {
      {"300 zeros", Bytes(300, 0), Bytes{0x01, 0x00, 0xAB, 0x02, 0x00}},
      {"ABCDDDDEFG", {'A', 'B', 'C', 'D', 'D', 'D', 'D', 'E', 'F', 'G'},
       Bytes{4, 'A', 'B', 'C', 'D', 3, 3, 'E', 'F', 'G'}},
      {"three equal are no run", {'A', 'B', 'B', 'B', 'C'}, std::nullopt},
      {"four equal are", {'A', 'B', 'B', 'B', 'B', 'C'}, Bytes{2, 'A', 'B', 3, 1, 'C'}},
      {"run behind a short run", {'A', 'A', 'A', 'B', 'B', 'B', 'B'}, Bytes{4, 'A', 'A', 'A', 'B', 3, 0}},
      {"empty", {}, std::nullopt},
      {"no runs", varied(200), std::nullopt},
      {"literal count of two bytes", longLiterals, longCoded},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes coded;
    ASSERT_EQ(compressBody(c.body.data(), c.body.size(), coded), c.coded.has_value());
    if (!c.coded) continue;
    EXPECT_EQ(coded, *c.coded);
    Bytes expanded(c.body.size());
    expandBody(coded.data(), coded.size(), expanded.data(), expanded.size());
    EXPECT_EQ(expanded, c.body);
  }
}

void putNumber(Bytes& out, std::size_t v) {
  for (; v >= 0x80; v >>= 7) out.push_back(static_cast<uint8_t>(v | 0x80));
  out.push_back(static_cast<uint8_t>(v));
}

// The coding's scan taken literally: every run measured from where the last one ended.
std::optional<Bytes> referenceCoding(const Bytes& body) {
  Bytes coded;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < body.size();) {
    std::size_t r = 1;
    while (i + r < body.size() && body[i + r] == body[i]) ++r;
    if (r >= 4) {
      putNumber(coded, i - pos + 1);
      coded.insert(coded.end(), body.begin() + pos, body.begin() + i + 1);
      putNumber(coded, r - 1);
      pos = i + r;
    }
    i += r;
  }
  if (coded.empty()) return std::nullopt;
  putNumber(coded, body.size() - pos);
  coded.insert(coded.end(), body.begin() + pos, body.end());
  return coded;
}

TEST_F(PageImageTest, RandomBodiesCodeAsTheScanSays) {
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    // Few distinct bytes, so runs of every length turn up at every offset.
    Bytes body(rng() % 400);
    const unsigned alphabet = 1 + rng() % 4;
    for (uint8_t& b : body) b = static_cast<uint8_t>(rng() % alphabet);
    Bytes coded;
    const bool isCoded = compressBody(body.data(), body.size(), coded);
    const std::optional<Bytes> expected = referenceCoding(body);
    ASSERT_EQ(isCoded, expected.has_value()) << round;
    if (!isCoded) continue;
    ASSERT_EQ(coded, *expected) << round;
    Bytes expanded(body.size());
    expandBody(coded.data(), coded.size(), expanded.data(), expanded.size());
    ASSERT_EQ(expanded, body) << round;
  }
}

TEST_F(PageImageTest, StoredSizeOf300FillsAClassTwoSlotWithPadding) {
  const Bytes image = serialize({record(varied(282), 4)});
  ASSERT_EQ(image.size(), 512u);
  EXPECT_EQ(imageLength(image.data()), 512u);
  const PageImageHeader header = readImageHeader(image.data());
  EXPECT_EQ(header.storedSize, 300);
  EXPECT_EQ(header.unpackedSize, 300);
  EXPECT_TRUE(std::all_of(image.begin() + 300, image.end(), [](uint8_t b) { return b == 0xB0; }));
}

TEST_F(PageImageTest, CodedBodyIsKeptOnlyWhenItSavesAUnit) {
  Bytes zeros(600, 0);
  const std::vector<Record> records = {record(varied(8), 8), record(zeros, 4)};
  const Bytes image = serialize(records);
  const PageImageHeader header = readImageHeader(image.data());
  EXPECT_LT(header.storedSize, header.unpackedSize);
  EXPECT_EQ(image.size(), 256u);
  EXPECT_EQ(parse(image).records, records);

  // 13 + 5 + 238 = 256 unpacked; a few coded bytes saved do not make a unit.
  Bytes nearlyFull = varied(238);
  std::fill(nearlyFull.begin(), nearlyFull.begin() + 8, 0);
  const Bytes plain = serialize({record(nearlyFull, 4)});
  EXPECT_EQ(readImageHeader(plain.data()).storedSize, 256);
  EXPECT_EQ(readImageHeader(plain.data()).unpackedSize, 256);
}

TEST_F(PageImageTest, EntryCodingAgainstThePreviousEntry) {
  struct Case {
    const char* name;
    Record prev;
    Record cur;
    Bytes entry;  // the second entry as stored
  };
  Bytes hundred = varied(120);
  Bytes hundredOther = hundred;
  hundredOther[100] ^= 0xFF;
  Bytes rest63(hundredOther.begin() + 63, hundredOther.end());
  Bytes entry63 = {63};
  entry63.insert(entry63.end(), rest63.begin(), rest63.end());
  const Case cases[] = {
      {"same lengths: no length fields", record({1, 2, 3, 4, 5}, 3), record({1, 2, 3, 9, 9}, 3), {0x03, 9, 9}},
      {"total differs", record({1, 2, 3}, 2), record({1, 2, 7, 8}, 2), {0x82, 4, 0, 7, 8}},
      {"key differs", record({1, 2, 3}, 2), record({1, 2, 4}, 3), {0x42, 3, 0, 4}},
      {"first byte differs", record({1, 2}, 2), record({2, 2}, 2), {0x00, 2, 2}},
      {"shorter previous bounds the share", record({1, 2}, 1), record({1, 2, 3}, 1), {0x82, 3, 0, 3}},
      {"equal record shares all", record({1, 2}, 1), record({1, 2}, 1), {0x02}},
      {"at most 63 shared", record(hundred, 8), record(hundredOther, 8), entry63},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes image = serialize({c.prev, c.cur});
    const PageImageHeader header = readImageHeader(image.data());
    ASSERT_EQ(header.storedSize, header.unpackedSize);
    const std::size_t second = kPageHeaderBytes + 5 + c.prev.bytes.size();
    EXPECT_EQ(Bytes(image.begin() + second, image.begin() + header.unpackedSize), c.entry);
    EXPECT_EQ(parse(image).records, (std::vector<Record>{c.prev, c.cur}));
  }
}

// Records in key order whose keys share leading bytes as a table's records do, with
// data that sometimes holds runs.
std::vector<Record> randomPage(std::mt19937& rng, std::size_t count) {
  std::set<Bytes> keys;
  while (keys.size() < count) {
    Bytes key = {0x00, 0x00, static_cast<uint8_t>(rng() % 3), 0xF3};
    const std::size_t extra = rng() % 12;
    for (std::size_t i = 0; i < extra; ++i) key.push_back(static_cast<uint8_t>(rng() % 4));
    keys.insert(key);
  }
  std::vector<Record> records;
  for (const Bytes& key : keys) {
    Record r{key, static_cast<uint16_t>(key.size())};
    const std::size_t data = rng() % 40;
    const bool runs = rng() % 2 == 0;
    for (std::size_t i = 0; i < data; ++i) r.bytes.push_back(static_cast<uint8_t>(runs ? (i / 8) % 2 : rng()));
    records.push_back(std::move(r));
  }
  return records;
}

TEST_F(PageImageTest, RandomPagesRoundTrip) {
  std::mt19937 rng(20240601);
  for (int round = 0; round < 300; ++round) {
    const uint8_t level = static_cast<uint8_t>(round % 3 == 0 ? 1 + rng() % 3 : 0);
    const std::vector<Record> records = randomPage(rng, rng() % 120);
    Bytes image = serialize(records, level);
    ASSERT_EQ(image.size() % kPageUnit, 0u);
    std::vector<int32_t> children;
    if (level != 0) {
      for (std::size_t i = 0; i < records.size(); ++i) children.push_back(static_cast<int32_t>(rng()));
      setImageChildren(image.data(), children);
    }
    const Parsed parsed = parse(image);
    ASSERT_EQ(parsed.records, records) << round;
    EXPECT_EQ(parsed.children, children);
    EXPECT_EQ(parsed.header.level, level);
    EXPECT_EQ(parsed.header.recordCount, records.size());
    EXPECT_EQ(parsed.header.sizeEstimate, estimateOf(records, level));
  }
}

TEST_F(PageImageTest, ChildNumbersStayInsideTheChildArray) {
  const std::vector<Record> records = {record({1}, 1), record({2}, 1)};
  const Bytes leaf = serialize(records);
  Bytes written = leaf;
  setImageChildren(written.data(), {7, 8});
  EXPECT_EQ(written, leaf);

  Bytes interior = serialize(records, 1);
  setImageChildren(interior.data(), {-1, 0x01020304, 99});
  EXPECT_EQ(Bytes(interior.begin() + 13, interior.begin() + 21), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1}));
  const Parsed parsed = parse(interior);
  EXPECT_EQ(parsed.records, records);
  EXPECT_EQ(parsed.children, (std::vector<int32_t>{-1, 0x01020304}));
}

TEST_F(PageImageTest, SerialiseRefusesEntriesBeyondTheEstimateAndOversizedImages) {
  const std::vector<Record> records = {record(varied(40), 4), record(varied(40, 9), 4)};
  const int32_t exact = kPageHeaderBytes + 5 + 40 + 1 + 40;  // the second shares nothing, repeats both lengths
  EXPECT_EQ(reportOf([&] { serializePage(entriesOf(records), 0, exact); }), std::nullopt);
  EXPECT_EQ(reportOf([&] { serializePage(entriesOf(records), 0, exact - 1); }), 1659);
  // The estimate must hold the child array too.
  EXPECT_EQ(reportOf([&] { serializePage(entriesOf(records), 1, 20); }), 1659);

  // 13 + 5 + 15093 = 15111 bytes: too long as it is, fine when it codes smaller.
  const Record big = record(varied(15093), 4);
  EXPECT_EQ(reportOf([&] { serialize({big}); }), 1678);
  const Record bigZeros = record(Bytes(15093, 0), 4);
  const Bytes coded = serialize({bigZeros});
  EXPECT_EQ(readImageHeader(coded.data()).unpackedSize, 15111);
  EXPECT_EQ(parse(coded).records, std::vector<Record>{bigZeros});
}

struct RawImage {
  uint16_t stored = 0;  // 0: as unpacked
  uint16_t unpacked = 0;  // 0: header and body
  uint16_t count = 1;
  uint8_t level = 0;
  Bytes body;
  std::size_t slot = 256;
};

Bytes build(const RawImage& raw) {
  Bytes image(std::max(raw.slot, kPageHeaderBytes + raw.body.size()), kPagePadding);
  const std::size_t unpacked = raw.unpacked != 0 ? raw.unpacked : kPageHeaderBytes + raw.body.size();
  const std::size_t stored = raw.stored != 0 ? raw.stored : unpacked;
  const uint8_t header[13] = {0, 0, 0, 0, static_cast<uint8_t>(stored), static_cast<uint8_t>(stored >> 8),
                              static_cast<uint8_t>(unpacked), static_cast<uint8_t>(unpacked >> 8), 0, 0,
                              static_cast<uint8_t>(raw.count), static_cast<uint8_t>(raw.count >> 8), raw.level};
  std::copy(std::begin(header), std::end(header), image.begin());
  std::copy(raw.body.begin(), raw.body.end(), image.begin() + kPageHeaderBytes);
  image.resize(raw.slot);
  return image;
}

TEST_F(PageImageTest, DamagedImagesAreReported) {
  struct Case {
    const char* name;
    RawImage raw;
    int32_t report;
  };
  const Case cases[] = {
      {"entries end short of the unpacked size", {.body = {0xC0, 1, 0, 0, 0, 'A', 'X'}}, 1602},
      {"entry runs past the unpacked size", {.body = {0xC0, 5, 0, 0, 0, 'A'}}, 1602},
      {"lengths cut off", {.body = {0xC0, 5}}, 1602},
      {"more records than entries", {.count = 3, .body = {0xC0, 1, 0, 0, 0, 'A', 0x00}}, 1602},
      {"child array does not fit", {.unpacked = 20, .count = 100, .level = 1, .body = {}}, 1602},
      {"unpacked size below the header", {.stored = 5, .unpacked = 5, .count = 0, .body = {}}, 1602},
      {"uncoded body beyond the slot", {.stored = 300, .unpacked = 300, .body = {0xC0, 0x1A, 1, 0, 0}}, 1602},
      {"coded body beyond the slot", {.stored = 300, .unpacked = 600, .body = {0x01, 0x00}}, 1602},
      {"shared beyond the previous entry", {.count = 2, .body = {0xC0, 1, 0, 0, 0, 'A', 0x85, 10, 0, 1, 2, 3, 4, 5}},
       1602},
      {"first entry shares", {.body = {0xC1, 1, 0, 0, 0, 'A'}}, 1602},
      {"first entry without lengths", {.body = {0x00}}, 1602},
      {"first entry without key length", {.body = {0x80, 0, 0}}, 1602},
      {"key longer than the record", {.body = {0xC0, 1, 0, 2, 0, 'A'}}, 1602},
      {"literals beyond the output", {.stored = 16, .unpacked = 19, .body = {0x7F, 1, 2}}, 522},
      {"literals cut off", {.stored = 16, .unpacked = 23, .body = {0x05, 0xC0, 1}}, 522},
      {"literal count cut off", {.stored = 14, .unpacked = 23, .body = {0x85}}, 522},
      {"repeat beyond the output", {.stored = 16, .unpacked = 23, .body = {0x01, 0xC0, 0x7F}}, 530},
      {"repeat count cut off", {.stored = 15, .unpacked = 23, .body = {0x01, 0xC0}}, 530},
      {"repeat with nothing before it", {.stored = 15, .unpacked = 23, .body = {0x00, 0x05}}, 530},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes image = build(c.raw);
    EXPECT_EQ(reportOf([&] { parse(image); }), c.report);
  }
}

TEST_F(PageImageTest, HostileImagesGiveAReportOrAValidParse) {
  std::mt19937 rng(99);
  const std::set<int32_t> reports = {522, 530, 1602};
  std::size_t parsedWhole = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes image;
    if (round % 4 == 0) {
      image.resize(kPageHeaderBytes + rng() % 600);
      for (uint8_t& b : image) b = static_cast<uint8_t>(rng());
      image[12] = static_cast<uint8_t>(rng() % 2);  // mostly plausible levels
    } else {
      const uint8_t level = static_cast<uint8_t>(round % 5 == 0);
      image = serialize(randomPage(rng, 1 + rng() % 60), level);
      const std::size_t flips = 1 + rng() % 4;
      for (std::size_t i = 0; i < flips; ++i) image[rng() % image.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
    }
    const std::optional<int32_t> report = reportOf([&] { parse(image); });
    if (report) {
      EXPECT_TRUE(reports.contains(*report)) << *report;
    } else {
      ++parsedWhole;
    }
  }
  EXPECT_GT(parsedWhole, 0u);
}

}  // namespace
}  // namespace kestrand
