#include "store/page_image.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "store/corruption.h"

namespace kestrand {

namespace {

constexpr std::size_t kStoredSizeAt = 4;
constexpr std::size_t kUnpackedSizeAt = 6;
constexpr std::size_t kSizeEstimateAt = 8;
constexpr std::size_t kRecordCountAt = 10;
constexpr std::size_t kLevelAt = 12;

constexpr uint8_t kTotalFollows = 0x80;
constexpr uint8_t kKeyFollows = 0x40;
constexpr uint8_t kSharedMask = 0x3F;
constexpr std::size_t kMaxShared = 63;

// The largest value a 16-bit size field holds.
constexpr std::size_t kMaxFieldValue = 0xFFFF;
// A base-128 number of a size_t takes at most this many bytes.
constexpr std::size_t kMaxNumberBytes = (sizeof(std::size_t) * 8 + 6) / 7;

// Report numbers of the checks made here.
constexpr int32_t kLiteralOverrun = 522;
constexpr int32_t kRepeatOverrun = 530;
constexpr int32_t kEntriesMisfit = 1602;
constexpr int32_t kEntriesExceedEstimate = 1659;
constexpr int32_t kImageTooLong = 1678;

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t get32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void put16(uint8_t* p, std::size_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
  put16(p, v & 0xFFFF);
  put16(p + 2, v >> 16);
}

std::size_t roundToUnit(std::size_t n) { return (n + kPageUnit - 1) / kPageUnit * kPageUnit; }

// The header plus, on an interior page, the child array.
std::size_t headerLength(uint8_t level, std::size_t count) {
  return kPageHeaderBytes + (level != 0 ? 4 * count : 0);
}

uint8_t* putNumber(uint8_t* out, std::size_t v) {
  while (v >= 0x80) {
    *out++ = static_cast<uint8_t>(v | 0x80);
    v >>= 7;
  }
  *out++ = static_cast<uint8_t>(v);
  return out;
}

// Reads a base-128 number without passing `end`; false when the input ends first.
// A number too large for size_t comes back as the largest size_t, which no check
// accepts.
bool getNumber(const uint8_t*& in, const uint8_t* end, std::size_t& v) {
  v = 0;
  unsigned shift = 0;
  bool overflow = false;
  while (in != end) {
    const uint8_t byte = *in++;
    const std::size_t bits = byte & 0x7Fu;
    if (bits != 0 && (shift >= sizeof(std::size_t) * 8 || bits > (SIZE_MAX >> shift))) overflow = true;
    if (!overflow && shift < sizeof(std::size_t) * 8) v |= bits << shift;
    if ((byte & 0x80) == 0) {
      if (overflow) v = SIZE_MAX;
      return true;
    }
    shift += 7;
  }
  return false;
}

// The first i >= from where four equal bytes begin, or n when there is none. Eight
// neighbouring pairs are compared at a time: a zero byte t of x ^ y means bytes t and
// t + 1 are equal, and three zero bytes in a row mean four equal bytes.
std::size_t findFourEqual(const uint8_t* body, std::size_t from, std::size_t n) {
  std::size_t i = from;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    for (; i + 9 <= n; i += 6) {
      uint64_t x;
      uint64_t y;
      std::memcpy(&x, body + i, 8);
      std::memcpy(&y, body + i + 1, 8);
      const uint64_t d = x ^ y;
      const uint64_t zero = ~(((d & kLow7) + kLow7) | d | kLow7);  // 0x80 in each zero byte
      const uint64_t four = zero & (zero >> 8) & (zero >> 16);     // starts 0..5 only
      if (four != 0) return i + static_cast<std::size_t>(std::countr_zero(four)) / 8;
    }
  }
  for (; i + 3 < n; ++i) {
    if (body[i] == body[i + 1] && body[i] == body[i + 2] && body[i] == body[i + 3]) return i;
  }
  return n;
}

// How many leading bytes of a and b agree, looking at no more than `most`.
std::size_t commonPrefix(const uint8_t* a, const uint8_t* b, std::size_t most) {
  std::size_t n = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; n + 8 <= most; n += 8) {
      uint64_t x;
      uint64_t y;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) return n + static_cast<std::size_t>(std::countr_zero(x ^ y)) / 8;
    }
  }
  while (n < most && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

PageImageHeader readImageHeader(const uint8_t* image) {
  PageImageHeader header;
  header.homeOffset = get32(image);
  header.storedSize = get16(image + kStoredSizeAt);
  header.unpackedSize = get16(image + kUnpackedSizeAt);
  header.sizeEstimate = get16(image + kSizeEstimateAt);
  header.recordCount = get16(image + kRecordCountAt);
  header.level = image[kLevelAt];
  return header;
}

uint32_t imageLength(const uint8_t* image) {
  return static_cast<uint32_t>(roundToUnit(get16(image + kStoredSizeAt)));
}

void setImageHomeOffset(uint8_t* image, uint32_t homeOffset) { put32(image, homeOffset); }

void setImageChildren(uint8_t* image, const std::vector<int32_t>& children) {
  if (image[kLevelAt] == 0) return;  // a leaf has no child array
  const std::size_t n = std::min<std::size_t>(children.size(), get16(image + kRecordCountAt));
  for (std::size_t i = 0; i < n; ++i) put32(image + kPageHeaderBytes + 4 * i, static_cast<uint32_t>(children[i]));
}

bool compressBody(const uint8_t* body, std::size_t n, std::vector<uint8_t>& coded) {
  coded.clear();
  std::size_t used = 0;
  std::size_t pos = 0;  // first literal not yet emitted
  bool grouped = false;
  // Room for `literals` more literal bytes and two numbers.
  auto reserve = [&](std::size_t literals) -> uint8_t* {
    const std::size_t need = used + literals + 2 * kMaxNumberBytes;
    if (coded.size() < need) coded.resize(std::max(need, n + n / 64 + 2 * kMaxNumberBytes));
    return coded.data() + used;
  };
  // The body falls into maximal runs of equal bytes; each run of four or more closes a
  // group. The first four equal bytes at or after `pos` always begin such a run.
  for (std::size_t i = findFourEqual(body, pos, n); i < n; i = findFourEqual(body, pos, n)) {
    std::size_t r = 4;
    while (i + r < n && body[i + r] == body[i]) ++r;
    // The run's first byte closes the literals; the rest are its copies.
    const std::size_t literals = i - pos + 1;
    uint8_t* out = putNumber(reserve(literals), literals);
    std::memcpy(out, body + pos, literals);
    out = putNumber(out + literals, r - 1);
    used = static_cast<std::size_t>(out - coded.data());
    pos = i + r;
    grouped = true;
  }
  if (!grouped) return false;
  // The final group: what is left, possibly nothing (a single 0).
  const std::size_t literals = n - pos;
  uint8_t* out = putNumber(reserve(literals), literals);
  if (literals != 0) std::memcpy(out, body + pos, literals);
  used = static_cast<std::size_t>(out + literals - coded.data());
  coded.resize(used);
  return true;
}

// Input that ends while a literal count or its literals are read is a literal overrun
// (522), input that ends while a repeat count is read a repeat overrun (530), and so is
// a repeat before any byte was produced: there is nothing to copy.
void expandBody(const uint8_t* coded, std::size_t codedLength, uint8_t* out, std::size_t unpacked) {
  const uint8_t* in = coded;
  const uint8_t* const end = coded + codedLength;
  std::size_t done = 0;
  while (done < unpacked) {
    std::size_t literals = 0;
    if (!getNumber(in, end, literals) || literals > unpacked - done ||
        literals > static_cast<std::size_t>(end - in)) {
      reportCorruption(kLiteralOverrun);
    }
    if (literals != 0) std::memcpy(out + done, in, literals);
    in += literals;
    done += literals;
    if (done == unpacked) break;
    std::size_t repeats = 0;
    if (!getNumber(in, end, repeats) || repeats > unpacked - done || (repeats != 0 && done == 0)) {
      reportCorruption(kRepeatOverrun);
    }
    if (repeats != 0) std::memset(out + done, out[done - 1], repeats);
    done += repeats;
  }
}

std::vector<uint8_t> serializePage(const std::vector<PageEntry>& records, uint8_t level, int32_t sizeEstimate) {
  const std::size_t count = records.size();
  if (count > kMaxFieldValue) reportCorruption(kImageTooLong);
  const std::size_t h = headerLength(level, count);
  if (sizeEstimate < 0 || static_cast<std::size_t>(sizeEstimate) < h) reportCorruption(kEntriesExceedEstimate);
  const std::size_t estimate = static_cast<std::size_t>(sizeEstimate);
  // The unpacked size must also fit its 16-bit field.
  const std::size_t limit = std::min(estimate, kMaxFieldValue);

  std::vector<uint8_t> image(roundToUnit(limit));
  uint8_t* const base = image.data();
  std::size_t at = h;
  const PageEntry* prev = nullptr;
  for (const PageEntry& record : records) {
    uint8_t flags = 0;
    std::size_t shared = 0;
    if (prev == nullptr) {
      flags = kTotalFollows | kKeyFollows;
    } else {
      if (record.totalLength != prev->totalLength) flags |= kTotalFollows;
      if (record.keyLength != prev->keyLength) flags |= kKeyFollows;
      const std::size_t most = std::min({kMaxShared, std::size_t{record.totalLength}, std::size_t{prev->totalLength}});
      shared = commonPrefix(record.bytes, prev->bytes, most);
    }
    const std::size_t rest = record.totalLength - shared;
    const std::size_t need = 1 + ((flags & kTotalFollows) ? 2 : 0) + ((flags & kKeyFollows) ? 2 : 0) + rest;
    if (need > limit - at) reportCorruption(need > estimate - at ? kEntriesExceedEstimate : kImageTooLong);
    uint8_t* out = base + at;
    *out++ = static_cast<uint8_t>(flags | shared);
    if (flags & kTotalFollows) {
      put16(out, record.totalLength);
      out += 2;
    }
    if (flags & kKeyFollows) {
      put16(out, record.keyLength);
      out += 2;
    }
    if (rest != 0) std::memcpy(out, record.bytes + shared, rest);
    at += need;
    prev = &record;
  }

  const std::size_t unpacked = at;
  std::size_t stored = unpacked;
  // The coded body is kept only when it saves at least one unit, which a page of one
  // unit cannot.
  std::vector<uint8_t> coded;
  if (roundToUnit(unpacked) > kPageUnit && compressBody(base + h, unpacked - h, coded) &&
      roundToUnit(h + coded.size()) < roundToUnit(unpacked)) {
    std::memcpy(base + h, coded.data(), coded.size());
    stored = h + coded.size();
  }
  const std::size_t length = roundToUnit(stored);
  if (length > kMaxPageBytes) reportCorruption(kImageTooLong);
  image.resize(length);
  std::memset(base + stored, kPagePadding, length - stored);

  put16(base + kStoredSizeAt, stored);
  put16(base + kUnpackedSizeAt, unpacked);
  put16(base + kSizeEstimateAt, estimate & 0xFFFF);
  put16(base + kRecordCountAt, count);
  base[kLevelAt] = level;
  return image;
}

// Every size, count, length and shared count is checked against the bytes that are
// really there before it is used. Sizes that cannot describe the image (an unpacked
// size below the header and child array, a body that lies outside the image) and
// entries that do not fill the unpacked size exactly (an entry running past it, too
// few or too many bytes, a shared count beyond the previous entry, a key longer than
// its record, a first entry without both lengths) are report 1602; the coded body's
// own overruns are 522 and 530. Entries before the failing one have been delivered.
PageImageHeader parsePage(const uint8_t* image, std::size_t imageLength, PageEntrySink& sink,
                          std::vector<int32_t>& children) {
  children.clear();
  if (imageLength < kPageHeaderBytes) reportCorruption(kEntriesMisfit);
  const PageImageHeader header = readImageHeader(image);
  const std::size_t count = header.recordCount;
  const std::size_t h = headerLength(header.level, count);
  const std::size_t unpacked = header.unpackedSize;
  const bool coded = header.storedSize < header.unpackedSize;
  if (unpacked < h) reportCorruption(kEntriesMisfit);
  if (coded ? header.storedSize < h || header.storedSize > imageLength : unpacked > imageLength) {
    reportCorruption(kEntriesMisfit);
  }

  if (header.level != 0) {
    children.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      children[i] = static_cast<int32_t>(get32(image + kPageHeaderBytes + 4 * i));
    }
  }

  // One buffer: the expanded body when coded, then the entry being rebuilt. An entry is
  // at most its shared bytes (63) plus bytes of the body.
  const std::size_t bodyLength = unpacked - h;
  const std::size_t expandedLength = coded ? bodyLength : 0;
  const auto buffer = std::make_unique_for_overwrite<uint8_t[]>(expandedLength + bodyLength + kMaxShared + 1);
  const uint8_t* body = image + h;
  if (coded) {
    expandBody(image + h, header.storedSize - h, buffer.get(), bodyLength);
    body = buffer.get();
  }
  uint8_t* const entry = buffer.get() + expandedLength;

  std::size_t at = 0;
  std::size_t total = 0;
  std::size_t key = 0;
  std::size_t prevTotal = 0;
  for (std::size_t n = 0; n < count; ++n) {
    if (at == bodyLength) reportCorruption(kEntriesMisfit);
    const uint8_t flags = body[at++];
    const std::size_t shared = flags & kSharedMask;
    if (n == 0 && (flags & (kTotalFollows | kKeyFollows)) != (kTotalFollows | kKeyFollows)) {
      reportCorruption(kEntriesMisfit);
    }
    if (flags & kTotalFollows) {
      if (bodyLength - at < 2) reportCorruption(kEntriesMisfit);
      total = get16(body + at);
      at += 2;
    }
    if (flags & kKeyFollows) {
      if (bodyLength - at < 2) reportCorruption(kEntriesMisfit);
      key = get16(body + at);
      at += 2;
    }
    if (key > total || shared > total || shared > prevTotal) reportCorruption(kEntriesMisfit);
    const std::size_t rest = total - shared;
    if (rest > bodyLength - at) reportCorruption(kEntriesMisfit);
    // The first `shared` bytes are still those of the previous entry.
    if (rest != 0) std::memcpy(entry + shared, body + at, rest);
    at += rest;
    sink.entry(static_cast<uint16_t>(key), static_cast<uint16_t>(total), entry);
    prevTotal = total;
  }
  if (at != bodyLength) reportCorruption(kEntriesMisfit);
  return header;
}

}  // namespace kestrand
