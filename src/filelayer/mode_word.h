// The mode word of OPEN and SHARE: access in bits 0-1, sharing in bits 4-6; the
// table layer adds the creation bits.
#pragma once

#include <cstdint>

namespace kestrand::mode {

inline constexpr uint32_t kAccessMask = 0x03;
inline constexpr uint32_t kReadOnly = 0x00;
inline constexpr uint32_t kWriteOnly = 0x01;
inline constexpr uint32_t kReadWrite = 0x02;

inline constexpr uint32_t kShareMask = 0x70;
inline constexpr uint32_t kShareNone = 0x00;  // none given: handled like deny none
inline constexpr uint32_t kDenyAll = 0x10;
inline constexpr uint32_t kDenyWrite = 0x20;
inline constexpr uint32_t kDenyRead = 0x30;
inline constexpr uint32_t kDenyNone = 0x40;

inline constexpr uint32_t kCreate = 0x100;    // create the file when missing
inline constexpr uint32_t kTruncate = 0x200;  // with kCreate: always a new, empty file

// The words the table layer uses itself.
inline constexpr uint32_t kRemoveMode = kReadWrite | kDenyNone;           // 0x42
inline constexpr uint32_t kCreateMode = kCreate | kReadWrite | kDenyNone;  // 0x142
inline constexpr uint32_t kRebuildMode = kReadWrite | kDenyWrite;          // 0x22

}  // namespace kestrand::mode
