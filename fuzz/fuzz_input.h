// Reads fixed-width values off the fuzzer's bytes; missing bytes read as zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  size_t Left() const { return size_ - pos_; }
  std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> out;
    while (n-- > 0 && pos_ < size_) out.push_back(data_[pos_++]);
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Stops the run with a finding when a promise is broken.
inline void Require(bool ok, const std::string& what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what.c_str());
    std::abort();
  }
}
