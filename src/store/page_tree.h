// The records of one loaded page in memory: a binary search tree by key order in which
// every record counts the records of its subtree, kept roughly balanced by rotations on
// insertion (none on removal). The tree owns its records.
//
// Invariants kept by every operation here:
//   1. In-order traversal yields strictly ascending keys.
//   2. x.subtreeSize = size(x.left) + size(x.right) + 1; the empty subtree has size 0.
//   3. x.left.parent = x.right.parent = x; the root's parent is null.
#pragma once

#include <cstdint>
#include <vector>

#include "store/store_record.h"

namespace kestrand {

inline uint32_t treeSize(const StoreRecord* x) { return x != nullptr ? x->subtreeSize : 0; }

// A perfectly balanced tree of `records` (ascending): of n, the first n/2 go left.
StoreRecord* buildBalancedTree(const std::vector<StoreRecord*>& records);
// Frees every record of the tree.
void freeTree(StoreRecord* root);

// Hangs `record` into the tree, rebalancing on the way back up. Report 706 on an equal
// key, before anything is changed. The tree owns the record only when this returns.
void treeInsert(StoreRecord*& root, StoreRecord* record);
// Removes `record` (found by key, then by identity; report 780 when it is not there).
void treeRemove(StoreRecord*& root, StoreRecord* record);
// Removes `record` through its own links; report 300 when a parent has it as neither child.
void treeUnlink(StoreRecord*& root, StoreRecord* record);
// Splits at the root record r: `root` keeps r's left subtree, `other` gets the right one,
// and r joins whichever of the two is smaller (`other` when equal).
void treeSplitAtRoot(StoreRecord*& root, StoreRecord*& other);

StoreRecord* treeFirst(StoreRecord* root);
StoreRecord* treeLast(StoreRecord* root);
StoreRecord* treeSuccessor(StoreRecord* x);
StoreRecord* treePredecessor(StoreRecord* x);
// Last record <= key, last record < key, first record > key; null when there is none.
StoreRecord* treeLastAtMost(StoreRecord* root, const uint8_t* key, uint32_t keyLength);
StoreRecord* treeLastBelow(StoreRecord* root, const uint8_t* key, uint32_t keyLength);
StoreRecord* treeFirstAbove(StoreRecord* root, const uint8_t* key, uint32_t keyLength);

// The records in key order.
void treeCollect(StoreRecord* root, std::vector<StoreRecord*>& out);

}  // namespace kestrand
