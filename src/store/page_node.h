// One page of the record tree as the cache holds it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "store/store_record.h"

namespace kestrand {

struct DataFile;
struct StoreCursor;

inline constexpr int32_t kEmptyPageEstimate = 13;

struct PageNode {
  StoreRecord* tree = nullptr;  // the page's records (owned), valid while loaded
  DataFile* owner = nullptr;
  int32_t number = 0;           // negative while temporary (no slot in the file yet)
  std::vector<uint8_t> image;   // the stored image while loading or between commit passes
  PageNode* ringNext = nullptr;  // neighbours on the clean or the dirty ring
  PageNode* ringPrev = nullptr;
  uint32_t lastUse = 0;
  uint32_t created = 0;
  int32_t sizeEstimate = kEmptyPageEstimate;  // upper bound of the stored size
  bool dirty = false;
  uint8_t level = 0;           // 0 for a leaf
  StoreCursor* cursors = nullptr;  // cursors attached to this page
  bool loaded = false;
  // Held by a tree operation that keeps using the page while it descends further; the
  // cache never evicts a pinned page.
  uint32_t pins = 0;

  PageNode() = default;
  PageNode(const PageNode&) = delete;
  PageNode& operator=(const PageNode&) = delete;
  ~PageNode() { freeTree(); }

  void freeTree();
  uint32_t recordCount() const { return tree != nullptr ? tree->subtreeSize : 0; }
};

// Keeps a page in the cache for the guard's lifetime.
class PagePin {
 public:
  explicit PagePin(PageNode* page) : page_(page) { ++page_->pins; }
  ~PagePin() { --page_->pins; }
  PagePin(const PagePin&) = delete;
  PagePin& operator=(const PagePin&) = delete;

 private:
  PageNode* page_;
};

}  // namespace kestrand
