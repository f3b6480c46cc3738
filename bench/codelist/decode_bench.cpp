// Decoding the codes of a 100,000-row list, against reading the same rows' hex into bytes,
// and building the code view of one row:
//   codelist_decode_bench [benchmark flags]
// The rows are remotes' buttons as the simulated unit renders them (NEC, AEHA, SIRC, with
// jitter and noise) and one in four random bytes, which decode as nothing known.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "commands/code_list.h"
#include "commands/code_view.h"
#include "core/formats/capture_exchange.h"
#include "core/signal/decode.h"
#include "signal_render.h"

namespace {

using brisvel::signal::Protocol;

constexpr std::size_t kRows = 100'000;

brisvel::unit::Code CodeOfRow(std::size_t row, std::mt19937& random) {
  brisvel::unit_sim::SignalRecipe recipe;
  recipe.seed = static_cast<unsigned>(row);
  recipe.jitter_samples = 1;
  recipe.noise_samples = static_cast<int>(row % 3);
  const auto byte = [&] { return static_cast<std::uint8_t>(random()); };
  switch (row % 4) {
    case 0:
      recipe.fields = {byte(), byte()};
      recipe.repeats = 2;
      break;
    case 1:  // the first data byte's low nibble is the maker code's parity, 0 for 0x2002
      recipe.protocol = Protocol::Aeha;
      recipe.fields = {0x20, 0x02, static_cast<std::uint8_t>(byte() & 0xF0), byte(), byte()};
      break;
    case 2:  // a 7-bit command and a 5-bit address
      recipe.protocol = Protocol::Sirc;
      recipe.fields = {static_cast<std::uint8_t>(byte() & 0x7F), static_cast<std::uint8_t>(byte() & 0x1F)};
      recipe.repeats = 2;
      break;
    default: {
      brisvel::unit::Code code;
      for (auto& b : code) b = byte();
      return code;
    }
  }
  return brisvel::unit_sim::Render(recipe);
}

const brisvel::CodeList& List() {
  static const brisvel::CodeList list = [] {
    std::mt19937 random(1);
    std::vector<brisvel::CodeEntry> entries;
    entries.reserve(kRows);
    for (std::size_t row = 0; row < kRows; ++row) {
      entries.push_back({"row " + std::to_string(row), brisvel::HexText(CodeOfRow(row, random))});
    }
    brisvel::CodeList built;
    built.replaceAll(std::move(entries));
    return built;
  }();
  return list;
}

// The baseline: what any use of the rows' codes costs before decoding them.
void BM_HexOfEveryRow(benchmark::State& state) {
  const brisvel::CodeList& list = List();
  for (auto _ : state) {
    for (const brisvel::CodeEntry& entry : list.entries()) {
      auto code = brisvel::CodeOfHexText(*entry.data);
      benchmark::DoNotOptimize(code);
    }
  }
  state.counters["rows"] = static_cast<double>(list.size());
}

void BM_DecodeEveryRow(benchmark::State& state) {
  const brisvel::CodeList& list = List();
  std::size_t known = 0;
  for (auto _ : state) {
    known = 0;
    for (const brisvel::CodeEntry& entry : list.entries()) {
      const auto decoded = brisvel::signal::Decode(*brisvel::CodeOfHexText(*entry.data));
      const std::string summary = brisvel::signal::SummaryOf(decoded);
      known += !decoded.frames.empty();
      benchmark::DoNotOptimize(summary.data());
    }
  }
  state.counters["known"] = static_cast<double>(known);
}

// An NEC row with repeat codes: the most levels and runs of the rows.
void BM_CodeViewOfRow(benchmark::State& state) {
  const brisvel::CodeList& list = List();
  for (auto _ : state) {
    const brisvel::CodeView view = brisvel::ViewOfRow(list, 0);
    benchmark::DoNotOptimize(view.picture.levels.data());
  }
}

}  // namespace

BENCHMARK(BM_HexOfEveryRow)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_DecodeEveryRow)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_CodeViewOfRow)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK_MAIN();
