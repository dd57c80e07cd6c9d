#include "store/page_allocation.h"

#include <algorithm>

#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_cache.h"
#include "store/page_tree.h"
#include "store/transaction_hooks.h"

namespace kestrand {

namespace {

bool makeRoomBelow(DataFile& dataFile, int a, uint32_t b);
void makeRoomAbove(DataFile& dataFile, int d, uint32_t a);

// Makes the gap between end[a] and start[a+1] at least b units by sliding region a down.
bool makeRoomBelow(DataFile& dataFile, int a, uint32_t b) {
  FileHeader& h = dataFile.header;
  if (a == 0) return false;
  uint32_t gap = h.start(a + 1) - h.end(a);
  if (gap >= b) return true;
  uint32_t shortfall = b - gap;
  uint32_t r = uint32_t(a) * ((shortfall + uint32_t(a) - 1) / uint32_t(a));
  if (!makeRoomBelow(dataFile, a - 1, r)) return false;
  while (h.start(a + 1) - h.end(a) < b) {
    movePage(dataFile, int32_t(h.end(a)) - a, int32_t(h.start(a)) - a);
    h.setStart(a, h.start(a) - uint32_t(a));
    h.setEnd(a, h.end(a) - uint32_t(a));
  }
  return true;
}

// Makes the gap between end[d] and start[d+1] at least a units by pushing the regions
// above it up.
void makeRoomAbove(DataFile& dataFile, int d, uint32_t a) {
  FileHeader& h = dataFile.header;
  if (a > uint32_t(d)) reportCorruption(1781);
  if (d >= kSizeClasses) return;
  uint32_t gap = h.start(d + 1) - h.end(d);
  if (gap >= a) return;
  int e = d + 1;
  uint32_t size = h.end(e) - h.start(e);
  uint32_t shift;
  if (size > uint32_t(e)) {
    makeRoomAbove(dataFile, e, uint32_t(e));
    movePage(dataFile, int32_t(h.start(e)), int32_t(h.end(e)));
    shift = uint32_t(e);
  } else {
    uint32_t need = a - gap;
    makeRoomAbove(dataFile, e, need);
    if (size != 0) movePage(dataFile, int32_t(h.start(e)), int32_t(h.start(e) + need));
    shift = need;
  }
  h.setStart(e, h.start(e) + shift);
  h.setEnd(e, h.end(e) + shift);
}

}  // namespace

int sizeClass(DataFile& dataFile, int32_t n) {
  if (n < 0) return 0;
  const FileHeader& h = dataFile.header;
  for (int k = 1; k <= kSizeClasses; ++k)
    if (int32_t(h.start(k)) <= n && n < int32_t(h.end(k))) return k;
  reportCorruption(1735);
}

int32_t allocPage(DataFile& dataFile, int k) {
  FileHeader& h = dataFile.header;
  if (makeRoomBelow(dataFile, k - 1, uint32_t(k))) {
    h.setStart(k, h.start(k) - uint32_t(k));
    return int32_t(h.start(k));
  }
  makeRoomAbove(dataFile, k, uint32_t(k));
  int32_t slot = int32_t(h.end(k));
  h.setEnd(k, h.end(k) + uint32_t(k));
  return slot;
}

void freeSlot(DataFile& dataFile, int32_t n) {
  int k = sizeClass(dataFile, n);
  if (k == 0) return;
  FileHeader& h = dataFile.header;
  movePage(dataFile, int32_t(h.end(k)) - k, n);
  h.setEnd(k, h.end(k) - uint32_t(k));
}

void movePage(DataFile& dataFile, int32_t from, int32_t to) {
  if (from == to) return;
  PageNode* page = getPage(dataFile, from);
  markDirty(*page);
  renumberPage(*page, to);
  FileHeader& h = dataFile.header;
  if (h.rootPage() == from) {
    h.setRootPage(to);
    return;
  }
  StoreRecord* first = treeFirst(page->tree);
  if (first == nullptr) reportCorruption(1891);
  PageNode* at = getPage(dataFile, h.rootPage());
  for (;;) {
    if (at->level == 0) reportCorruption(1894);
    StoreRecord* entry = treeLastAtMost(at->tree, first->bytes(), first->keyLength);
    if (entry == nullptr) reportCorruption(1894);
    if (entry->childPage == from) {
      entry->childPage = to;
      markDirty(*at);
      return;
    }
    at = getPage(dataFile, entry->childPage);
  }
}

void placePage(DataFile& dataFile, int32_t n, int k) {
  int current = sizeClass(dataFile, n);
  if (current == k) return;
  if (current != 0) {
    int32_t t = nextTemporaryNumber(dataFile);
    movePage(dataFile, n, t);
    freeSlot(dataFile, n);
    n = t;
  }
  if (k != 0) movePage(dataFile, n, allocPage(dataFile, k));
}

void compactRegions(DataFile& dataFile) {
  FileHeader& h = dataFile.header;
  for (int k = 2; k <= kSizeClasses; ++k) {
    uint32_t size = h.end(k) - h.start(k);
    if (size > uint32_t(k)) {
      while (h.start(k) - h.end(k - 1) >= uint32_t(k)) {
        movePage(dataFile, int32_t(h.end(k)) - k, int32_t(h.start(k)) - k);
        h.setStart(k, h.start(k) - uint32_t(k));
        h.setEnd(k, h.end(k) - uint32_t(k));
      }
    } else {
      if (size != 0) movePage(dataFile, int32_t(h.start(k)), int32_t(h.end(k - 1)));
      h.setStart(k, h.end(k - 1));
      h.setEnd(k, h.end(k - 1) + size);
    }
  }
}

void truncateToUsed(DataFile& dataFile) {
  if (dataFile.enrolled) return;
  if (lockAndRefresh(dataFile, true) != 0) reportCorruption(1143);
  // Never below what the file on disk still needs: the committed pages and a commit
  // area that is still pending (a reader leaves its repair to the next writer).
  uint32_t cut = endOfUsed(dataFile.header);
  const FileHeader& onDisk = dataFile.committedHeader;
  if (onDisk.hasSignature()) {
    cut = std::max(cut, endOfUsed(onDisk));
    if (onDisk.commitStart() != onDisk.commitEnd()) cut = std::max(cut, onDisk.commitEnd());
  }
  // A cut never lengthens: a file shorter than its header says (empty, or damaged)
  // stays as it is.
  if (cut < diskFileSize(dataFile.diskFile)) truncateAt(dataFile.diskFile, cut);
}

std::array<uint8_t, 4> nextNumber(DataFile& dataFile) {
  if (dataFile.readMode) reportCorruption(1163);
  if (lockAndRefresh(dataFile, true) != 0) reportCorruption(1164);
  dataFile.modified = true;
  uint8_t* number = dataFile.header.lastNumber();
  std::array<uint8_t, 4> before{number[0], number[1], number[2], number[3]};
  int i = 3;
  while (++number[i] == 0 && i > 0) --i;
  if (number[0] >= 0xFE) {
    // The counter stays at its last valid number.
    std::copy(before.begin(), before.end(), number);
    reportCorruption(1173);
  }
  return {number[0], number[1], number[2], number[3]};
}

void setLastNumber(DataFile& dataFile, const std::array<uint8_t, 4>& number) {
  std::copy(number.begin(), number.end(), dataFile.header.lastNumber());
}

}  // namespace kestrand
