#include "core/signal/decode.h"

#include <gtest/gtest.h>

#include <optional>

#include "signal_render.h"

namespace brisvel::signal {
namespace {

using unit_sim::SignalRecipe;
constexpr auto kLsb = BitOrder::LeastSignificantFirst;
constexpr auto kMsb = BitOrder::MostSignificantFirst;

struct SignalCase {
  const char* label;
  SignalRecipe recipe;
  std::string summary;
  std::optional<BitOrder> order;  // absent where no order reads better
};

class SignalDecodeTest : public testing::TestWithParam<SignalCase> {};

TEST_P(SignalDecodeTest, NamesTheRenderedFrame) {
  const Decoded decoded = Decode(unit_sim::Render(GetParam().recipe));
  EXPECT_EQ(SummaryOf(decoded), GetParam().summary);
  EXPECT_EQ(decoded.order, GetParam().order.value_or(decoded.order));
}

SignalRecipe Recipe(Protocol protocol, std::vector<std::uint8_t> fields, int repeats, BitOrder order,
                    int sirc_bits = 12, int start_us = 5000) {
  return {protocol, std::move(fields), sirc_bits, repeats, start_us, 1, 0, 7, order};
}

INSTANTIATE_TEST_SUITE_P(
    Signal, SignalDecodeTest,
    testing::Values(
        SignalCase{"nec", Recipe(Protocol::Nec, {0x04, 0x08}, 1, kLsb), "NEC  address 0x04  command 0x08  ×2", kLsb},
        SignalCase{"nec_16bit_address", Recipe(Protocol::Nec, {0x01, 0x04, 0x08}, 1, kMsb),
                   "NEC  address 0x0401  command 0x08  ×2", kMsb},
        SignalCase{"nec_broken_command_check", Recipe(Protocol::Nec, {0x04, 0xFB, 0x08, 0x09}, 0, kLsb), "unknown",
                   kLsb},
        SignalCase{"aeha_2_bytes", Recipe(Protocol::Aeha, {0x20, 0x02, 0x80, 0x00}, 1, kLsb),
                   "AEHA  maker 0x2002  data 80 00  ×2", kLsb},
        SignalCase{"aeha_6_bytes", Recipe(Protocol::Aeha, {0x12, 0x34, 0x84, 0xFF, 0x00, 0x5A, 0xA5, 0x01}, 0, kMsb),
                   "AEHA  maker 0x1234  data 84 ff 00 5a a5 01", kMsb},
        SignalCase{"aeha_broken_parity", Recipe(Protocol::Aeha, {0x20, 0x02, 0x81, 0x00}, 0, kLsb), "unknown", kLsb},
        SignalCase{"sirc12", Recipe(Protocol::Sirc, {0x01, 0x15}, 2, kLsb), "SIRC-12  address 0x01  command 0x15  ×3",
                   kLsb},
        SignalCase{"sirc15", Recipe(Protocol::Sirc, {0xA4, 0x7F}, 2, kMsb, 15),
                   "SIRC-15  address 0xa4  command 0x7f  ×3", kMsb},
        SignalCase{"sirc20", Recipe(Protocol::Sirc, {0x1F, 0x00, 0x3A}, 1, kLsb, 20),
                   "SIRC-20  address 0x1f  command 0x00  extended 0x3a  ×2", kLsb},
        SignalCase{"cut_off_in_a_mark", Recipe(Protocol::Sirc, {0x01, 0x15}, 4, kLsb, 12, 10000),
                   "SIRC-12  address 0x01  command 0x15  ×4  (cut off at 192 ms)", kLsb},
        SignalCase{"cut_off_in_a_space", Recipe(Protocol::Nec, {0x04, 0x08}, 0, kMsb, 12, 150000),
                   "unknown  (cut off at 192 ms)", kMsb},
        SignalCase{"random_payload", SignalRecipe{.fields = {0x04, 0x08}, .start_us = kCodeUs, .noise_samples = 600, .seed = 5}, "unknown",
                   std::nullopt}),
    [](const auto& p) { return std::string(p.param.label); });

}  // namespace
}  // namespace brisvel::signal
