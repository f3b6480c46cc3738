#pragma once
// The low 15 bits of the line-control flag word as a set.

#include <cstdint>
#include <initializer_list>

namespace brisvel::serial {

enum rsflow : unsigned {
  dfBinary,
  dfParity,
  dfOutxCtsFlow,
  dfOutxDsrFlow,
  dfDtrControl_b0,
  dfDtrControl_b1,
  dfDsrSensitivity,
  dfTXContinueOnXoff,
  dfOutX,
  dfInX,
  dfErrorChar,
  dfNull,
  dfRtsControl_b0,
  dfRtsControl_b1,
  dfAbortOnError,
};

class rsflowset {
 public:
  static constexpr uint32_t kMask = 0x7fff;

  constexpr rsflowset() = default;
  constexpr rsflowset(std::initializer_list<rsflow> elements) {
    for (rsflow e : elements) insert(e);
  }
  static constexpr rsflowset fromBits(uint32_t bits) {
    rsflowset s;
    s.bits_ = bits & kMask;
    return s;
  }

  constexpr bool contains(rsflow e) const { return (bits_ >> e) & 1u; }
  constexpr void insert(rsflow e) { bits_ |= (1u << e) & kMask; }
  constexpr void erase(rsflow e) { bits_ &= ~(1u << e); }
  constexpr uint32_t bits() const { return bits_; }
  constexpr bool operator==(const rsflowset&) const = default;

 private:
  uint32_t bits_ = 0;
};

}  // namespace brisvel::serial
