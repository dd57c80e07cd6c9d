#include "driver/activity_log.h"

namespace kestrand {

// The profile settings and the log file arrive with the activity log itself; until
// then every context starts with the log off and nothing is written.
void readActivityLogSettings(DriverContext& ctx) {
  ctx.profileFlag = 0;
  ctx.detailsFlag = 0;
  ctx.logFileName.clear();
}

void logOperation(const DriverContext&, const KeyDescriptor*, std::string_view, int32_t, ErrorCode, uint32_t) {}

}  // namespace kestrand
