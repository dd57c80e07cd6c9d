// Opening a table for a DriverContext: finding its data file through the registry and
// the table by name, checking or reading its stored definition, and preparing the
// cursors and images the record layer works with. The same routine creates a table
// (create bit in the mode word) and prepares one for removal.
#pragma once

#include <cstdint>

#include "driver/driver_context.h"

namespace kestrand {

// The removal flag (CREATE, REMOVE, RENAME) starts a write access at once and erases
// the table's name and locale records once found. Every call that got past the name
// split leaves the table open (flag kStateTableOpen), also on failure: the caller's
// closeTable releases what it holds.
ErrorCode openTable(DriverContext& ctx, uint32_t mode, bool removal);

// The saved and compare images, and per key and memo their store and cursor.
void prepareTableState(DriverContext& ctx);

// Points the data and key cursors at the table's CountersRecord items; with reset the
// definition is written first and zeroed counters are inserted.
void resetTableCounters(DriverContext& ctx, bool reset);

}  // namespace kestrand
