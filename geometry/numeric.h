// Integer and floating-point rules that every construction follows, so that the same
// triangle lands on the same pixels on every machine.
//
// Coordinates are 32-bit two's-complement values whose sums, differences and products
// wrap (computed through unsigned arithmetic, so far-off points of nearly parallel
// lines never overflow a signed type). Doubles come back to integers only through
// Truncate.
#pragma once

#include <cstdint>

inline int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Halving truncates toward zero; no 32-bit value overflows here.
inline int32_t Half(int32_t v) { return v / 2; }

// Truncation toward zero to a 32-bit offset: NaN, the infinities and values whose
// truncation leaves the signed 64-bit range give 0; otherwise the low 32 bits of the
// truncated value.
inline int32_t Truncate(double v) {
  if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(v))));
}
