#include "runtime/typed_clear.h"

#include <cstring>
#include <limits>

namespace kestrand::runtime {

namespace {
template <typename T>
void store(uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

template <typename T>
void storeExtreme(uint8_t* at, int32_t value) {
  if (value == 0) {
    store<T>(at, T{});
  } else if constexpr (std::numeric_limits<T>::is_integer) {
    store<T>(at, value > 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min());
  } else {
    store<T>(at, value > 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::lowest());
  }
}

template <typename T8, typename T16, typename T32, typename T64>
bool clearBySize(uint8_t* at, std::size_t size, int32_t value) {
  switch (size) {
    case 1: storeExtreme<T8>(at, value); return true;
    case 2: storeExtreme<T16>(at, value); return true;
    case 4: storeExtreme<T32>(at, value); return true;
    case 8: storeExtreme<T64>(at, value); return true;
    default: return false;
  }
}

bool clearReal(uint8_t* at, std::size_t size, int32_t value) {
  if (size == sizeof(float)) {
    storeExtreme<float>(at, value);
    return true;
  }
  if (size == sizeof(double)) {
    storeExtreme<double>(at, value);
    return true;
  }
  return false;
}

// All nines, with the sign nibble clear (highest) or set (lowest).
void clearDecimal(uint8_t* at, std::size_t size, int32_t value) {
  if (value == 0 || size == 0) {
    std::memset(at, 0, size);
    return;
  }
  std::memset(at, 0x99, size);
  at[0] = value > 0 ? 0x09 : 0xF9;
}

void clearText(uint8_t* at, std::size_t size, int32_t value) {
  std::memset(at, value == 0 ? ' ' : value > 0 ? 0xFF : 0x00, size);
}

void clearCText(uint8_t* at, std::size_t size, int32_t value) {
  std::memset(at, value > 0 ? 0xFF : 0x00, size);
  if (size != 0) at[size - 1] = 0;
}

void clearPascalText(uint8_t* at, std::size_t size, int32_t value) {
  std::memset(at, value > 0 ? 0xFF : 0x00, size);
  if (size != 0) at[0] = value > 0 ? static_cast<uint8_t>(size - 1 > 255 ? 255 : size - 1) : 0;
}

void clearOne(ValueKind kind, uint8_t* at, std::size_t size, int32_t value) {
  bool done = true;
  switch (kind) {
    case ValueKind::unsignedInteger:
      done = clearBySize<uint8_t, uint16_t, uint32_t, uint64_t>(at, size, value);
      break;
    case ValueKind::signedInteger:
      done = clearBySize<int8_t, int16_t, int32_t, int64_t>(at, size, value);
      break;
    case ValueKind::real:
      done = clearReal(at, size, value);
      break;
    case ValueKind::bcdDecimal:
      clearDecimal(at, size, value);
      break;
    case ValueKind::text:
      clearText(at, size, value);
      break;
    case ValueKind::cText:
      clearCText(at, size, value);
      break;
    case ValueKind::pascalText:
      clearPascalText(at, size, value);
      break;
    case ValueKind::raw:
      done = false;
      break;
  }
  if (!done) std::memset(at, 0, size);
}
}  // namespace

void clearValues(ValueKind kind, uint8_t* at, std::size_t size, std::size_t count, int32_t value) {
  for (std::size_t i = 0; i < count; ++i) clearOne(kind, at + i * size, size, value);
}

}  // namespace kestrand::runtime
