// Fault injection in the platform file services, for tests only. Off by default: each
// service then pays one predictable branch on a plain flag and nothing else.
//
// While a plan is armed, every service call of every OsFile in the process is
// counted from 1 on:
//   reads       OsFile::readAt calls
//   writes      OsFile::writeAt calls
//   flushes     OsFile::flush calls
//   steps       writes, flushes and truncations together, in the order they happen:
//               the points at which a crash can leave a different file behind
// A crash ends the process with _exit(kFaultCrashExitCode) right after the service
// has done its work: no destructors, no buffered output, no flush, as if the power
// of the process had been cut (what reached the kernel stays, as after a real crash
// of the process).
#pragma once

#include <cstdint>

namespace kestrand::platform {

inline constexpr int kFaultCrashExitCode = 86;

struct FaultPlan {
  uint64_t failWrite = 0;        // the n-th write fails with ENOSPC, writing nothing
  bool failLaterWrites = false;  // ... and so does every write after it (a full disk)
  uint64_t shortWrite = 0;       // the n-th write stores only the first half of its bytes
                                 // and reports that count without an error
  uint64_t failRead = 0;         // the n-th read fails with EIO
  uint64_t crashAfterWrite = 0;  // _exit right after the n-th write
  uint64_t crashAfterFlush = 0;  // _exit right after the n-th flush
  uint64_t crashAfterStep = 0;   // _exit right after the n-th step
};

struct FaultCounts {
  uint64_t reads = 0;
  uint64_t writes = 0;
  uint64_t flushes = 0;
  uint64_t steps = 0;
};

// Arms a plan and restarts the counts at 0. An empty plan only counts, which is how a
// test first measures how many writes and flushes an operation does.
void armFaults(const FaultPlan& plan);
// Back to the default: no faults, no counting. The counts keep their last values.
void disarmFaults();
FaultCounts faultCounts();

// RAII arming for a test's scope.
class ScopedFaults {
 public:
  explicit ScopedFaults(const FaultPlan& plan) { armFaults(plan); }
  ~ScopedFaults() { disarmFaults(); }
  ScopedFaults(const ScopedFaults&) = delete;
  ScopedFaults& operator=(const ScopedFaults&) = delete;
};

namespace fault_detail {
extern bool gArmed;

// What a service is to do instead of its normal work.
enum class Injected { none, fail, shortWrite };

Injected onRead();
Injected onWrite();
// Called after a write, flush or truncation did its work: counts and may crash.
void afterWrite();
void afterFlush();
void afterTruncate();
}  // namespace fault_detail

// The hooks the services call; free when nothing is armed.
inline fault_detail::Injected faultOnRead() {
  if (!fault_detail::gArmed) [[likely]] return fault_detail::Injected::none;
  return fault_detail::onRead();
}
inline fault_detail::Injected faultOnWrite() {
  if (!fault_detail::gArmed) [[likely]] return fault_detail::Injected::none;
  return fault_detail::onWrite();
}
inline void faultAfterWrite() {
  if (fault_detail::gArmed) [[unlikely]] fault_detail::afterWrite();
}
inline void faultAfterFlush() {
  if (fault_detail::gArmed) [[unlikely]] fault_detail::afterFlush();
}
inline void faultAfterTruncate() {
  if (fault_detail::gArmed) [[unlikely]] fault_detail::afterTruncate();
}

}  // namespace kestrand::platform
