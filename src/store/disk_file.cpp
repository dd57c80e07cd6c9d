#include "store/disk_file.h"

#include "platform/clock.h"

namespace kestrand {

DiskFile::DiskFile() : readerSlot(platform::ticksSinceStart() % kReaderSlots) {}

}  // namespace kestrand
