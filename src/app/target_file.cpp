#include "app/target_file.h"

#include <algorithm>
#include <string>

#include "driver/driver_entry.h"
#include "filelayer/call_driver.h"
#include "filelayer/operation_code.h"
#include "runtime/clip.h"

namespace kestrand {

namespace {
// The driver serving targetFile.
constexpr DriverEntry kTargetDriver = kestrandDriverEntry;

constexpr std::array<char, kTargetNameLength> blankName() {
  std::array<char, kTargetNameLength> name{};
  name.fill(' ');
  return name;
}

bool firstCall = true;
}  // namespace

constinit std::array<char, kTargetNameLength> targetName = blankName();
constinit std::array<char, kTargetOwnerSize> targetOwner{};

constinit FileControlBlock targetFile{
    .driver = kTargetDriver,
    .name = {targetName.data(), static_cast<int32_t>(kTargetNameLength)},
    .driverOptions = {},
    .owner = {targetOwner.data(), kTextNulTerminated},
    .attributes = kAttrEncrypt,
};

ErrorCode removeNamedTable(std::string_view name, std::string_view password) {
  if (firstCall) {
    firstCall = false;
    targetName.fill(' ');
  }
  if (runtime::CLIP(name).empty()) return 0;

  const std::string owner = runtime::CLIP(password);
  const std::size_t ownerLength = std::min(owner.size(), kTargetOwnerSize - 1);
  std::copy_n(owner.data(), ownerLength, targetOwner.data());
  targetOwner[ownerLength] = '\0';

  targetName.fill(' ');
  std::copy_n(name.data(), std::min(name.size(), kTargetNameLength), targetName.data());

  callDriver(opRemove, targetFile);
  return errorCode();
}

}  // namespace kestrand
