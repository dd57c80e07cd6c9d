// Slots for pages: every page of size class k (k units of 256 bytes) lies in region k,
// regions lie in the file in order of size, free space exists only between regions.
//
// Invariants (of the in-memory header, between any two calls here):
//   1. start[0] = end[0] = 0 and start[1] = 0: region 1 begins at page 0.
//   2. end[k] <= start[k+1]: regions never overlap and lie in increasing order.
//   3. end[k] - start[k] is a multiple of k, and every slot in it holds a tree page of
//      class k: regions have no holes.
//   4. Every placed page is named by exactly one parent separator (or is the root).
#pragma once

#include <cstdint>

#include "store/data_file.h"

namespace kestrand {

// The class of placed page n (0 for a temporary page); report 1735 when n lies in no region.
int sizeClass(DataFile& dataFile, int32_t n);
// A fresh slot of class k, sliding regions as needed.
int32_t allocPage(DataFile& dataFile, int k);
// Gives the slot of placed page n back (the region's last page fills the hole).
void freeSlot(DataFile& dataFile, int32_t n);
// Renumbers a page and repoints its parent (or the header's root).
void movePage(DataFile& dataFile, int32_t from, int32_t to);
// Gives page n a slot of class k; k = 0 takes it out of the file under a temporary number.
void placePage(DataFile& dataFile, int32_t n, int k);
// Closes the gaps between regions 1..59.
void compactRegions(DataFile& dataFile);
// Cuts the file after its used part. Report 1143 when the access lock is not obtained.
void truncateToUsed(DataFile& dataFile);

// The next table or record number, big-endian, as it lies in the header; numbers run
// from 1 to 0xFDFFFFFF. Reports 1163 (read mode), 1164 (no access lock), 1173 (exhausted).
std::array<uint8_t, 4> nextNumber(DataFile& dataFile);
// Overwrites the last issued number; does not mark the data file modified.
void setLastNumber(DataFile& dataFile, const std::array<uint8_t, 4>& number);

}  // namespace kestrand
