#include "driver/operation_state.h"

#include "driver/operation_rules.h"
#include "filelayer/operation_code.h"

namespace kestrand {

namespace {
bool mayRunDuringBuild(int32_t code) {
  return code == opClose || code == opName || code == opGetProperty || code == opBuildEvent ||
         code == opGetPropertyKey;
}

bool takesPositionText(int32_t code) {
  return code == opResetFile || code == opResetKey || code == opRegetFile || code == opRegetKey;
}

bool isBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

ErrorCode missingAnswer(OptionFlags missing, OptionFlags state) {
  if (missing & kFlagOpen) return 37;        // File Not Open
  if (missing & kFlagIndexBuilt) return 46;  // Key File Must Be Rebuilt
  if ((state & kFlagOpen) == 0) return 0;    // the handler opens the table itself
  if (missing & (kFlagCurrentRecord | kFlagSequence)) return 33;  // Record Not Available
  if (missing & kFlagExclusive) return 63;   // Exclusive Access Required
  if (missing & kFlagWritable) return 5;     // Access Denied
  return -1;
}

ErrorCode presentAnswer(OptionFlags present) {
  if (present & kFlagOpen) return 52;    // File Already Open
  if (present & kFlagLogout) return 56;  // LOGOUT Already Active
  return present != 0 ? -1 : 0;
}

// A request bit turns into its "current record" bit for the operations that consume
// it (reads); any other successful operation ends the current record's mark.
OptionFlags carryRequest(OptionFlags state, uint32_t clearMask, OptionFlags request, OptionFlags mark) {
  if ((clearMask & request) != 0 && (state & request) != 0) return state | mark;
  return state & ~mark;
}
}  // namespace

ErrorCode checkOperation(DriverContext& ctx, const KeyDescriptor* key, int32_t code, std::string_view text1) {
  if (takesKeyArgument(code) && (key == nullptr || key->context != &ctx)) return 38;  // Invalid Key File
  ctx.postActions = 0;
  if (code < 0 || code > kLastOperationCode) return 80;

  const OperationRule& rule = operationRule(code);
  const OptionFlags state = ctx.optionFlags;
  OptionFlags missing = rule.required & ~state & ~kFlagIndexBuilt;
  if (missing == 0 && key != nullptr && key->isDynamic() && !key->built && (rule.required & kFlagIndexBuilt)) {
    missing = kFlagIndexBuilt;
  }
  if (missing == 0 && (state & kFlagBuildRunning) && !mayRunDuringBuild(code)) return 92;  // BUILD In Progress

  ErrorCode answer = missing != 0 ? missingAnswer(missing, state) : presentAnswer(rule.forbidden & state);
  if (answer == 0 && missing == 0 && takesPositionText(code) && isBlank(text1)) answer = 35;  // Record Not Found
  return answer;
}

void applyOperation(DriverContext& ctx, KeyDescriptor* key, int32_t code, ErrorCode error) {
  if (code < 0 || code > kLastOperationCode) return;
  const OperationRule& rule = operationRule(code);
  OptionFlags state = ctx.optionFlags;
  if (error != 0) {
    uint32_t lost = rule.clearOnFailure;
    if (error == 43) lost &= ~kFlagSequence;  // Record Is Already Held: the sequence survives
    state &= ~lost;
    state &= ~(kFlagWatchRequested | kFlagWatched);
  } else {
    state = carryRequest(state, rule.clear, kFlagWatchRequested, kFlagWatched);
    if ((rule.clear & kFlagOpen) && (state & kFlagOpen)) state = 0;  // CLOSE resets the word
    state = carryRequest(state, rule.clear, kFlagHoldRequested, kFlagHeld);
    state |= rule.set & ~kFlagIndexBuilt;
    state &= ~(rule.clear & ~kFlagIndexBuilt);
    if (key != nullptr && key->isDynamic()) {
      if (rule.set & kFlagIndexBuilt) key->built = true;
      if (rule.clear & kFlagIndexBuilt) key->built = false;
    }
    ctx.postActions |= rule.postActions;
  }
  ctx.optionFlags = state;
}

}  // namespace kestrand
