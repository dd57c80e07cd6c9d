// The operation state word of a driver context: what is open, current, set and
// requested. The state rules check operations against it and update it afterwards.
#pragma once

#include <cstdint>

namespace kestrand {

using OptionFlags = uint32_t;

inline constexpr OptionFlags kFlagOpen = 0x0001;
inline constexpr OptionFlags kFlagCurrentRecord = 0x0002;  // BYTES then answers the record length
inline constexpr OptionFlags kFlagLogout = 0x0004;
inline constexpr OptionFlags kFlagStream = 0x0008;
inline constexpr OptionFlags kFlagLocked = 0x0010;
inline constexpr OptionFlags kFlagSequence = 0x0020;  // a SET or RESET was done
inline constexpr OptionFlags kFlagWritable = 0x0040;  // opened with access bits not 0
inline constexpr OptionFlags kFlagExclusive = 0x0080;  // deny all, write or read; also LOCK
// Not kept in the word: the built mark of a dynamic index, kept in its KeyDescriptor.
inline constexpr OptionFlags kFlagIndexBuilt = 0x0100;
inline constexpr OptionFlags kFlagWatchRequested = 0x0200;
inline constexpr OptionFlags kFlagWatched = 0x0400;
inline constexpr OptionFlags kFlagHoldRequested = 0x0800;
inline constexpr OptionFlags kFlagHeld = 0x1000;
inline constexpr OptionFlags kFlagSequenceSet = 0x2000;  // set with kFlagSequence by SET and RESET
inline constexpr OptionFlags kFlagBuildRunning = 0x4000;  // a deferred BUILD is running
inline constexpr OptionFlags kFlagBuildDeferred = 0x8000;  // the next BUILD is deferred

// Post-actions: what the entry does after a successful operation.
inline constexpr uint32_t kPostClearError = 0x01;
inline constexpr uint32_t kPostRecordSequence = 0x04;  // last sequence operation (and position)
inline constexpr uint32_t kPostRecordOperation = 0x10;  // last record operation
inline constexpr uint32_t kPostDropResync = 0x20;  // drop the resynchronisation position

}  // namespace kestrand
