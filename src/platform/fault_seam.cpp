#include "platform/fault_seam.h"

#include <unistd.h>

namespace kestrand::platform {

namespace fault_detail {
bool gArmed = false;
}  // namespace fault_detail

namespace {
FaultPlan gPlan;
FaultCounts gCounts;

void crashNow() { ::_exit(kFaultCrashExitCode); }

void countStep() {
  ++gCounts.steps;
  if (gCounts.steps == gPlan.crashAfterStep) crashNow();
}
}  // namespace

void armFaults(const FaultPlan& plan) {
  gPlan = plan;
  gCounts = FaultCounts{};
  fault_detail::gArmed = true;
}

void disarmFaults() {
  fault_detail::gArmed = false;
  gPlan = FaultPlan{};
}

FaultCounts faultCounts() { return gCounts; }

namespace fault_detail {

Injected onRead() {
  ++gCounts.reads;
  return gCounts.reads == gPlan.failRead ? Injected::fail : Injected::none;
}

Injected onWrite() {
  uint64_t n = ++gCounts.writes;
  if (gPlan.failWrite != 0 && (n == gPlan.failWrite || (gPlan.failLaterWrites && n > gPlan.failWrite))) {
    return Injected::fail;
  }
  return n == gPlan.shortWrite ? Injected::shortWrite : Injected::none;
}

// The write was counted by onWrite; a failed write counts as a step too (the disk may
// hold part of it).
void afterWrite() {
  if (gCounts.writes == gPlan.crashAfterWrite) crashNow();
  countStep();
}

void afterFlush() {
  ++gCounts.flushes;
  if (gCounts.flushes == gPlan.crashAfterFlush) crashNow();
  countStep();
}

void afterTruncate() { countStep(); }

}  // namespace fault_detail

}  // namespace kestrand::platform
