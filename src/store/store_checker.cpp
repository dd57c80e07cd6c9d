#include "store/store_checker.h"

#include <optional>
#include <set>

#include "store/corruption.h"
#include "store/disk_file.h"
#include "store/file_header.h"
#include "store/page_image.h"
#include "store/store_record.h"

namespace kestrand {

namespace {

struct Entry {
  std::string key;
  std::string data;
};

class Collect final : public PageEntrySink {
 public:
  void entry(uint16_t keyLength, uint16_t totalLength, const uint8_t* bytes) override {
    const char* text = reinterpret_cast<const char*>(bytes);
    entries.push_back({std::string(text, keyLength), std::string(text + keyLength, totalLength - keyLength)});
  }
  std::vector<Entry> entries;
};

int compare(const std::string& a, const std::string& b) {
  return compareKeys(reinterpret_cast<const uint8_t*>(a.data()), uint32_t(a.size()),
                     reinterpret_cast<const uint8_t*>(b.data()), uint32_t(b.size()));
}

class Checker {
 public:
  Checker(DiskFile& file, const FileHeader& header, StoreCheck& out, bool collect)
      : file_(file), header_(header), out_(out), collect_(collect) {
    for (int k = 1; k <= kSizeClasses; ++k) slots_ += (header.end(k) - header.start(k)) / uint32_t(k);
  }

  void problem(std::string text) { out_.problems.push_back(std::move(text)); }

  int classOf(int32_t n) {
    for (int k = 1; k <= kSizeClasses; ++k)
      if (int32_t(header_.start(k)) <= n && n < int32_t(header_.end(k))) return (n - int32_t(header_.start(k))) % k == 0 ? k : -1;
    return 0;
  }

  // Visits page n, whose keys must lie in [low, high) (no upper bound when high is none).
  void visit(int32_t n, int expectedLevel, const std::string& low, const std::optional<std::string>& high, bool leftmost) {
    std::string where = "page " + std::to_string(n);
    int k = classOf(n);
    if (k <= 0) return problem(where + ": not the start of a slot in any region");
    if (!visited_.insert(n).second) return problem(where + ": reached twice");
    ++out_.pages;
    std::vector<uint8_t> image(kPageUnitBytes * uint32_t(k));
    if (readAt(file_, pageOffset(n), image.data(), uint32_t(image.size())) != image.size())
      return problem(where + ": slot lies past the end of the file");
    if (imageLength(image.data()) != image.size()) return problem(where + ": stored size does not fit its class");
    if (loadLe32(image.data()) != pageOffset(n)) problem(where + ": home offset is not the page's own");
    Collect entries;
    std::vector<int32_t> children;
    PageImageHeader head;
    try {
      head = parsePage(image.data(), image.size(), entries, children);
    } catch (const DriverUnwind& unwind) {
      return problem(where + ": image does not parse (report " + std::to_string(unwind.report) + ")");
    }
    if (expectedLevel < 0) out_.levels = head.level + 1u;
    if (expectedLevel >= 0 && head.level != expectedLevel) problem(where + ": level does not follow its parent's");
    if (entries.entries.empty()) return problem(where + ": holds no record");
    if (leftmost && !entries.entries.front().key.empty()) problem(where + ": leftmost page does not begin with the empty key");
    if (compare(entries.entries.front().key, low) < 0) problem(where + ": first key lies below its separator");
    for (std::size_t i = 0; i < entries.entries.size(); ++i) {
      const Entry& e = entries.entries[i];
      if (i > 0 && compare(entries.entries[i - 1].key, e.key) >= 0) problem(where + ": keys not strictly ascending");
      if (high && compare(e.key, *high) >= 0) problem(where + ": key not below the next separator");
    }
    if (head.level == 0) return leaf(entries.entries, where);
    for (std::size_t i = 0; i < entries.entries.size(); ++i) {
      const Entry& s = entries.entries[i];
      if (!s.data.empty()) problem(where + ": separator with data");
      std::optional<std::string> next = i + 1 < entries.entries.size() ? std::optional(entries.entries[i + 1].key) : high;
      visit(children[i], head.level - 1, s.key, next, leftmost && i == 0);
    }
  }

  void leaf(const std::vector<Entry>& entries, const std::string& where) {
    for (const Entry& e : entries) {
      if (first_) {
        if (!e.key.empty() || !e.data.empty()) problem(where + ": the tree does not begin with the sentinel record");
        first_ = false;
        continue;
      }
      if (last_ && compare(*last_, e.key) >= 0) problem(where + ": keys not ascending across leaves");
      last_ = e.key;
      ++out_.recordCount;
      if (collect_) out_.records.emplace_back(e.key, e.data);
    }
  }

  void finish() {
    if (visited_.size() != slots_) problem("regions hold " + std::to_string(slots_) + " slots, the tree " + std::to_string(visited_.size()) + " pages");
    if (first_) problem("no sentinel record");
  }

 private:
  DiskFile& file_;
  const FileHeader& header_;
  StoreCheck& out_;
  bool collect_;
  std::size_t slots_ = 0;
  std::set<int32_t> visited_;
  bool first_ = true;
  std::optional<std::string> last_;
};

void checkHeader(const FileHeader& h, uint32_t fileSize, StoreCheck& out) {
  auto problem = [&](const std::string& text) { out.problems.push_back("header: " + text); };
  if (loadLe32(h.data()) != 0) problem("home offset is not 0");
  if (h.storedSize() != kHeaderBytes) problem("stored size is not 512");
  if (h.commitStart() != h.commitEnd()) problem("a commit is pending");
  if (h.start(0) != 0 || h.end(0) != 0) problem("region 0 is used");
  if (h.start(1) != 0) problem("region 1 does not begin at page 0");
  for (int k = 1; k <= kSizeClasses; ++k) {
    if (h.end(k) < h.start(k) || (h.end(k) - h.start(k)) % uint32_t(k) != 0) problem("region " + std::to_string(k) + " is malformed");
    if (k < kSizeClasses && h.end(k) > h.start(k + 1)) problem("regions " + std::to_string(k) + " and " + std::to_string(k + 1) + " overlap");
  }
  if (fileSize < endOfUsed(h)) problem("file ends inside its used part");
}

}  // namespace

StoreCheck checkDataFile(const std::string& path, const std::string& password, bool collectRecords) {
  StoreCheck out;
  DiskFile file;
  if (ErrorCode error = openDiskFile(file, path, 0x40, password); error != 0) {
    out.problems.push_back("cannot open: error " + std::to_string(error));
    return out;
  }
  try {
    uint32_t size = diskFileSize(file);
    if (size == 0) return out;  // a new, empty data file
    FileHeader header;
    if (readAt(file, 0, header.data(), kHeaderBytes) != kHeaderBytes || !header.hasSignature()) {
      out.problems.push_back("header: no signature");
      return out;
    }
    checkHeader(header, size, out);
    if (!out.sound()) return out;
    Checker checker(file, header, out, collectRecords);
    checker.visit(header.rootPage(), -1, std::string(), std::nullopt, true);
    checker.finish();
  } catch (const DriverUnwind& unwind) {
    out.problems.push_back("read failed (report " + std::to_string(unwind.report) + ")");
  }
  closeDiskFile(file);
  return out;
}

}  // namespace kestrand
