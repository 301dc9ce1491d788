#ifndef LOGVANE_TESTS_SUPPORT_MIDPOINT_H_
#define LOGVANE_TESTS_SUPPORT_MIDPOINT_H_

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace logvane {

/// The exact decimal spelling of the midpoint between low (finite,
/// positive) and the next double, "d.ddd...e-308": the hardest text to round.
/// Worked out in integers, as no floating type need hold its 54 bits.
inline std::string midpoint(double low) {
  const auto bits = std::bit_cast<std::uint64_t>(low);
  const auto biased = static_cast<int>(bits >> 52);
  std::uint64_t significand = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased != 0) significand |= std::uint64_t{1} << 52;
  // low is significand * 2^power; the midpoint is (2 significand + 1) *
  // 2^(power - 1), that is odd * 5^fives / 10^fives or odd * 2^twos.
  const int power = (biased != 0 ? biased : 1) - 1075;
  const int twos = power - 1 > 0 ? power - 1 : 0;
  const int fives = power - 1 < 0 ? 1 - power : 0;
  // Base 10^9 limbs, least significant first.
  constexpr std::uint32_t LIMB = 1'000'000'000;
  std::vector<std::uint32_t> limbs;
  for (std::uint64_t odd = 2 * significand + 1; odd != 0; odd /= LIMB) {
    limbs.push_back(static_cast<std::uint32_t>(odd % LIMB));
  }
  const auto multiply = [&limbs](std::uint32_t factor, int times) {
    for (; times > 0; --times) {
      std::uint64_t carry = 0;
      for (std::uint32_t& limb : limbs) {
        carry += std::uint64_t{limb} * factor;
        limb = static_cast<std::uint32_t>(carry % LIMB);
        carry /= LIMB;
      }
      if (carry != 0) limbs.push_back(static_cast<std::uint32_t>(carry));
    }
  };
  multiply(2, twos);
  multiply(5, fives);
  std::string digits = std::to_string(limbs.back());
  for (auto limb = limbs.rbegin() + 1; limb != limbs.rend(); ++limb) {
    const std::string part = std::to_string(*limb);
    digits += std::string(9 - part.size(), '0') + part;
  }
  const int exponent = static_cast<int>(digits.size()) - 1 - fives;
  const std::size_t last = digits.find_last_not_of('0');
  const std::string magnitude = std::to_string(std::abs(exponent));
  return digits.substr(0, 1) + "." + digits.substr(1, last) + "e" +
         (exponent < 0 ? "-" : "+") +
         (magnitude.size() < 2 ? "0" : "") + magnitude;
}

}  // namespace logvane

#endif  // LOGVANE_TESTS_SUPPORT_MIDPOINT_H_
