#include "store/page_cache.h"

#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "store/page_image.h"
#include "store/page_tree.h"
#include "store/record_tree.h"
#include "store/store_cursor.h"
#include "store/tree_growth.h"

namespace kestrand {

namespace {

std::unordered_map<int32_t, std::unique_ptr<PageNode>>& bucketOf(DataFile& dataFile, int32_t n) {
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
  auto& bucket = bucketOf(*page.owner, page.number);
  auto found = bucket.find(page.number);
  std::unique_ptr<PageNode> owned = std::move(found->second);
  bucket.erase(found);
  return owned;
}

void hashPage(DataFile& dataFile, std::unique_ptr<PageNode> page) {
  int32_t n = page->number;
  bucketOf(dataFile, n)[n] = std::move(page);
}

PageNode* makePage(DataFile& dataFile, int32_t n) {
  auto page = std::make_unique<PageNode>();
  page->owner = &dataFile;
  page->number = n;
  page->created = dataFile.useClock;
  PageNode* raw = page.get();
  hashPage(dataFile, std::move(page));
  return raw;
}

// Builds the page's tree from its image, its records in one block.
class TreeLoader final : public PageEntrySink {
 public:
  TreeLoader(const PageImageHeader& header, std::vector<StoreRecord*>& records)
      : builder_(RecordBlockBuilder::capacityFor(header.recordCount, header.sizeEstimate)), records(records) {
    records.clear();
  }
  void entry(uint16_t keyLength, uint16_t totalLength, const uint8_t* bytes) override {
    records.push_back(builder_.add(keyLength, totalLength, bytes));
  }
  ~TreeLoader() {
    for (StoreRecord* record : records) freeStoreRecord(record);
  }

 private:
  RecordBlockBuilder builder_;

 public:
  std::vector<StoreRecord*>& records;  // handed over to the tree when loading succeeds
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
  std::vector<int32_t>& children = dataFile.loadChildren;
  TreeLoader loader(readImageHeader(image.data()), dataFile.loadRecords);
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
  // The image buffer serves the next load.
  dataFile.loadImage.swap(page.image);
  page.image.clear();
}

}  // namespace

void PageNode::freeTree() {
  kestrand::freeTree(tree);
  tree = nullptr;
}

int32_t nextTemporaryNumber(DataFile& dataFile) { return --dataFile.temporaryCounter; }

PageNode* findCachedPage(DataFile& dataFile, int32_t n) {
  auto& bucket = bucketOf(dataFile, n);
  auto found = bucket.find(n);
  return found != bucket.end() ? found->second.get() : nullptr;
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
  PageNode* page = findCachedPage(dataFile, n);
  if (page == nullptr) page = addCleanPage(dataFile, n);
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
  page.image.swap(dataFile.loadImage);
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
  hashPage(dataFile, std::move(owned));
}

}  // namespace kestrand
