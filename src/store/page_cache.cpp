#include "store/page_cache.h"

#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "store/page_image.h"
#include "store/page_tree.h"
#include "store/record_tree.h"
#include "store/store_cursor.h"

namespace kestrand {

namespace {

std::unique_ptr<PageNode>& bucketOf(DataFile& dataFile, int32_t n) {
  return dataFile.pageHash[uint32_t(n) % kPageHashBuckets];
}

void ringUnlink(PageNode*& ring, PageNode& page) {
  if (page.ringNext == &page) {
    ring = nullptr;
  } else {
    page.ringPrev->ringNext = page.ringNext;
    page.ringNext->ringPrev = page.ringPrev;
    if (ring == &page) ring = page.ringNext;
  }
  page.ringNext = page.ringPrev = nullptr;
}

void ringAppend(PageNode*& ring, PageNode& page) {
  if (ring == nullptr) {
    ring = &page;
    page.ringNext = page.ringPrev = &page;
  } else {
    PageNode* tail = ring->ringPrev;
    page.ringPrev = tail;
    page.ringNext = ring;
    tail->ringNext = &page;
    ring->ringPrev = &page;
  }
}

void unlinkFromRing(PageNode& page) {
  DataFile& dataFile = *page.owner;
  if (page.dirty) {
    ringUnlink(dataFile.dirtyRing, page);
    --dataFile.dirtyPageCount;
  } else {
    ringUnlink(dataFile.cleanRing, page);
    --dataFile.cleanPageCount;
  }
}

// Takes the page out of its bucket; the caller receives its ownership.
std::unique_ptr<PageNode> unhash(PageNode& page) {
  std::unique_ptr<PageNode>* link = &bucketOf(*page.owner, page.number);
  while (link->get() != &page) link = &(*link)->hashNext;
  std::unique_ptr<PageNode> owned = std::move(*link);
  *link = std::move(owned->hashNext);
  return owned;
}

void hashAtFront(DataFile& dataFile, std::unique_ptr<PageNode> page) {
  std::unique_ptr<PageNode>& bucket = bucketOf(dataFile, page->number);
  page->hashNext = std::move(bucket);
  bucket = std::move(page);
}

PageNode* makePage(DataFile& dataFile, int32_t n) {
  auto page = std::make_unique<PageNode>();
  page->owner = &dataFile;
  page->number = n;
  page->created = dataFile.useClock;
  PageNode* raw = page.get();
  hashAtFront(dataFile, std::move(page));
  return raw;
}

// Builds the page's tree from its image.
class TreeLoader final : public PageEntrySink {
 public:
  void entry(uint16_t keyLength, uint16_t totalLength, const uint8_t* bytes) override {
    RecordPtr record = newStoreRecord(keyLength, uint32_t(totalLength - keyLength));
    std::memcpy(record->bytes(), bytes, totalLength);
    records.push_back(record.release());
  }
  ~TreeLoader() {
    for (StoreRecord* record : records) freeStoreRecord(record);
  }
  std::vector<StoreRecord*> records;
};

void loadPage(DataFile& dataFile, PageNode& page) {
  if (page.number < 0) {
    // Only the root of a never-committed file: an empty tree with the sentinel record.
    page.tree = nullptr;
    page.loaded = true;
    page.level = 0;
    page.sizeEstimate = kEmptyPageEstimate;
    insertIntoPage(page, newStoreRecord(0, 0), 0);
    return;
  }
  const std::vector<uint8_t>& image = readPageImage(dataFile, page);
  TreeLoader loader;
  std::vector<int32_t> children;
  PageImageHeader header = parsePage(image.data(), image.size(), loader, children);
  if (header.level != 0) {
    for (std::size_t i = 0; i < loader.records.size() && i < children.size(); ++i)
      loader.records[i]->childPage = children[i];
  }
  page.tree = buildBalancedTree(loader.records);
  loader.records.clear();
  page.level = header.level;
  page.sizeEstimate = header.sizeEstimate;
  page.loaded = true;
  page.image.clear();
  page.image.shrink_to_fit();
}

}  // namespace

void PageNode::freeTree() {
  kestrand::freeTree(tree);
  tree = nullptr;
}

int32_t nextTemporaryNumber(DataFile& dataFile) { return --dataFile.temporaryCounter; }

PageNode* findCachedPage(DataFile& dataFile, int32_t n) {
  for (PageNode* page = bucketOf(dataFile, n).get(); page != nullptr; page = page->hashNext.get())
    if (page->number == n) return page;
  return nullptr;
}

PageNode* addCleanPage(DataFile& dataFile, int32_t n) {
  PageNode* page = makePage(dataFile, n);
  touchPage(*page);
  return page;
}

void touchPage(PageNode& page) {
  DataFile& dataFile = *page.owner;
  page.lastUse = ++dataFile.useClock;
  ++dataFile.cleanPageCount;
  ringAppend(dataFile.cleanRing, page);
}

void trimCache(DataFile& dataFile) {
  while (dataFile.cleanPageCount >= 20) {
    PageNode& oldest = *dataFile.cleanRing;
    if (oldest.pins != 0) return;
    uint32_t idle = dataFile.useClock - oldest.lastUse;
    uint32_t share = (dataFile.useClock - oldest.created) / dataFile.cleanPageCount;
    if (dataFile.cleanPageCount < 100 && int32_t(idle) < int32_t(4 * share)) return;
    destroyPage(oldest);
  }
}

PageNode* getPage(DataFile& dataFile, int32_t n) {
  trimCache(dataFile);
  // Most recently found pages move to the front of their bucket, so the pages near the
  // root, used by every descent, are found at once.
  std::unique_ptr<PageNode>* link = &bucketOf(dataFile, n);
  while (*link != nullptr && (*link)->number != n) link = &(*link)->hashNext;
  PageNode* page;
  if (*link == nullptr) {
    page = addCleanPage(dataFile, n);
  } else {
    page = link->get();
    if (link != &bucketOf(dataFile, n)) {
      std::unique_ptr<PageNode> owned = std::move(*link);
      *link = std::move(owned->hashNext);
      hashAtFront(dataFile, std::move(owned));
    }
  }
  if (!page->loaded) loadPage(dataFile, *page);
  if (!page->dirty) {
    ringUnlink(dataFile.cleanRing, *page);
    --dataFile.cleanPageCount;
    touchPage(*page);
  }
  return page;
}

PageNode* getRoot(DataFile& dataFile) {
  if (lockAndRefresh(dataFile, true) != 0) reportCorruption(1013);
  FileHeader& header = dataFile.header;
  // A file whose regions hold no page has no tree on disk: either it was never
  // committed, or its first commit was rolled back (which leaves change count 1).
  if (header.changeCount() == 0 || endOfUsed(header) == kHeaderBytes) {
    if (header.rootPage() >= 0 || findCachedPage(dataFile, header.rootPage()) == nullptr) {
      if (header.changeCount() == 0) header.setChangeCount(1);
      dataFile.temporaryCounter = 0;
      header.setRootPage(nextTemporaryNumber(dataFile));
    }
  }
  return getPage(dataFile, header.rootPage());
}

const std::vector<uint8_t>& readPageImage(DataFile& dataFile, PageNode& page) {
  if (!page.image.empty()) return page.image;
  int k = sizeClass(dataFile, page.number);
  uint32_t length = kPageUnitBytes * uint32_t(k);
  uint32_t home = pageOffset(page.number);
  auto relocated = dataFile.relocations.find(home);
  uint32_t position = relocated != dataFile.relocations.end() ? relocated->second : home;
  page.image.resize(length);
  readExact(dataFile.diskFile, position, page.image.data(), length);
  if (imageLength(page.image.data()) != length) {
    page.image.clear();
    reportCorruption(1477);
  }
  return page.image;
}

void markDirty(PageNode& page) {
  if (page.dirty) return;
  DataFile& dataFile = *page.owner;
  dataFile.modified = true;
  ringUnlink(dataFile.cleanRing, page);
  --dataFile.cleanPageCount;
  ringAppend(dataFile.dirtyRing, page);
  ++dataFile.dirtyPageCount;
  page.dirty = true;
}

void destroyPage(PageNode& page) {
  detachCursors(page);
  unlinkFromRing(page);
  std::unique_ptr<PageNode> owned = unhash(page);
  // owned frees the tree, the image and the node
}

void dropCache(DataFile& dataFile) {
  while (dataFile.cleanRing != nullptr) destroyPage(*dataFile.cleanRing);
  while (dataFile.dirtyRing != nullptr) destroyPage(*dataFile.dirtyRing);
  dataFile.relocations.clear();
}

PageNode* newTemporaryPage(DataFile& dataFile, uint8_t level) {
  PageNode* page = makePage(dataFile, nextTemporaryNumber(dataFile));
  page->loaded = true;
  page->level = level;
  ringAppend(dataFile.cleanRing, *page);
  ++dataFile.cleanPageCount;
  markDirty(*page);
  return page;
}

void renumberPage(PageNode& page, int32_t number) {
  DataFile& dataFile = *page.owner;
  std::unique_ptr<PageNode> owned = unhash(page);
  owned->number = number;
  hashAtFront(dataFile, std::move(owned));
}

}  // namespace kestrand
