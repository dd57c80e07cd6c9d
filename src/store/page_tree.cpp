#include "store/page_tree.h"

#include "store/corruption.h"

namespace kestrand {

namespace {

void adopt(StoreRecord* x) {
  if (x->left != nullptr) x->left->parent = x;
  if (x->right != nullptr) x->right->parent = x;
  x->subtreeSize = treeSize(x->left) + treeSize(x->right) + 1;
}

StoreRecord* build(StoreRecord* const* records, std::size_t n) {
  if (n == 0) return nullptr;
  std::size_t half = n / 2;
  StoreRecord* root = records[half];
  root->left = build(records, half);
  root->right = build(records + half + 1, n - half - 1);
  root->parent = nullptr;
  adopt(root);
  return root;
}

StoreRecord* rotateLeft(StoreRecord* x) {
  StoreRecord* r = x->right;
  x->right = r->left;
  adopt(x);
  r->left = x;
  adopt(r);
  return r;
}

StoreRecord* rotateRight(StoreRecord* x) {
  StoreRecord* l = x->left;
  x->left = l->right;
  adopt(x);
  l->right = x;
  adopt(l);
  return l;
}

StoreRecord* insertBelow(StoreRecord* x, StoreRecord* record) {
  if (x == nullptr) {
    record->left = record->right = nullptr;
    record->subtreeSize = 1;
    return record;
  }
  int c = compareKeys(*record, *x);
  if (c == 0) reportCorruption(706);
  if (c < 0)
    x->left = insertBelow(x->left, record);
  else
    x->right = insertBelow(x->right, record);
  uint32_t l = treeSize(x->left);
  uint32_t r = treeSize(x->right);
  if (r > l && treeSize(x->right->right) >= l) {
    x = rotateLeft(x);
  } else if (l > r && treeSize(x->left->left) >= r) {
    x = rotateRight(x);
  } else {
    adopt(x);
  }
  return x;
}

// Puts `replacement` where `x` hangs; report 300 for a parent that does not know x.
void replaceInParent(StoreRecord*& root, StoreRecord* x, StoreRecord* replacement) {
  StoreRecord* parent = x->parent;
  if (parent == nullptr) {
    if (root != x) reportCorruption(300);
    root = replacement;
  } else if (parent->left == x) {
    parent->left = replacement;
  } else if (parent->right == x) {
    parent->right = replacement;
  } else {
    reportCorruption(300);
  }
  if (replacement != nullptr) replacement->parent = parent;
}

void refreshSizesUpFrom(StoreRecord* x) {
  for (; x != nullptr; x = x->parent) x->subtreeSize = treeSize(x->left) + treeSize(x->right) + 1;
}

}  // namespace

StoreRecord* buildBalancedTree(const std::vector<StoreRecord*>& records) {
  return build(records.data(), records.size());
}

void freeTree(StoreRecord* root) {
  // Iterative so that no tree shape can exhaust the stack.
  while (root != nullptr) {
    if (root->left != nullptr) {
      StoreRecord* l = root->left;
      root->left = l->right;
      l->right = root;
      root = l;
    } else {
      StoreRecord* next = root->right;
      freeStoreRecord(root);
      root = next;
    }
  }
}

void treeInsert(StoreRecord*& root, StoreRecord* record) {
  root = insertBelow(root, record);
  root->parent = nullptr;
}

void treeUnlink(StoreRecord*& root, StoreRecord* x) {
  StoreRecord* fixFrom = nullptr;
  if (x->left == nullptr || x->right == nullptr) {
    StoreRecord* only = x->left != nullptr ? x->left : x->right;
    fixFrom = x->parent;
    replaceInParent(root, x, only);
  } else {
    bool usePredecessor = treeSize(x->left) > treeSize(x->right);
    StoreRecord* n = usePredecessor ? treeLast(x->left) : treeFirst(x->right);
    fixFrom = n->parent == x ? n : n->parent;
    replaceInParent(root, n, usePredecessor ? n->left : n->right);
    n->left = x->left;
    n->right = x->right;
    replaceInParent(root, x, n);
    if (n->left != nullptr) n->left->parent = n;
    if (n->right != nullptr) n->right->parent = n;
  }
  refreshSizesUpFrom(fixFrom);
  x->left = x->right = x->parent = nullptr;
}

void treeRemove(StoreRecord*& root, StoreRecord* record) {
  StoreRecord* x = root;
  while (x != nullptr) {
    int c = compareKeys(*record, *x);
    if (c == 0) break;
    x = c < 0 ? x->left : x->right;
  }
  if (x != record) reportCorruption(780);
  treeUnlink(root, x);
}

void treeSplitAtRoot(StoreRecord*& root, StoreRecord*& other) {
  StoreRecord* r = root;
  StoreRecord* left = r->left;
  other = r->right;
  root = left;
  if (root != nullptr) root->parent = nullptr;
  if (other != nullptr) other->parent = nullptr;
  r->left = r->right = r->parent = nullptr;
  if (treeSize(root) < treeSize(other))
    treeInsert(root, r);
  else
    treeInsert(other, r);
}

StoreRecord* treeFirst(StoreRecord* x) {
  if (x == nullptr) return nullptr;
  while (x->left != nullptr) x = x->left;
  return x;
}

StoreRecord* treeLast(StoreRecord* x) {
  if (x == nullptr) return nullptr;
  while (x->right != nullptr) x = x->right;
  return x;
}

StoreRecord* treeSuccessor(StoreRecord* x) {
  if (x->right != nullptr) return treeFirst(x->right);
  while (x->parent != nullptr && x->parent->right == x) x = x->parent;
  return x->parent;
}

StoreRecord* treePredecessor(StoreRecord* x) {
  if (x->left != nullptr) return treeLast(x->left);
  while (x->parent != nullptr && x->parent->left == x) x = x->parent;
  return x->parent;
}

StoreRecord* treeLastAtMost(StoreRecord* x, const uint8_t* key, uint32_t keyLength) {
  StoreRecord* best = nullptr;
  while (x != nullptr) {
    if (compareKeys(x->bytes(), x->keyLength, key, keyLength) <= 0) {
      best = x;
      x = x->right;
    } else {
      x = x->left;
    }
  }
  return best;
}

StoreRecord* treeLastBelow(StoreRecord* x, const uint8_t* key, uint32_t keyLength) {
  StoreRecord* best = nullptr;
  while (x != nullptr) {
    if (compareKeys(x->bytes(), x->keyLength, key, keyLength) < 0) {
      best = x;
      x = x->right;
    } else {
      x = x->left;
    }
  }
  return best;
}

StoreRecord* treeFirstAbove(StoreRecord* x, const uint8_t* key, uint32_t keyLength) {
  StoreRecord* best = nullptr;
  while (x != nullptr) {
    if (compareKeys(x->bytes(), x->keyLength, key, keyLength) > 0) {
      best = x;
      x = x->left;
    } else {
      x = x->right;
    }
  }
  return best;
}

void treeCollect(StoreRecord* root, std::vector<StoreRecord*>& out) {
  for (StoreRecord* x = treeFirst(root); x != nullptr; x = treeSuccessor(x)) out.push_back(x);
}

}  // namespace kestrand
