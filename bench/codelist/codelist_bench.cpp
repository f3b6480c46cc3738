// Load and save of one code-list file given on the command line:
//   codelist_bench [benchmark flags] <file.csv>
// Saves go to a file beside it and include the fsync of the file and of its folder.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "core/formats/code_list_file.h"

namespace {

std::filesystem::path g_file;

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;  // large blocks are mmapped and counted apart
}

void SetSizeCounters(benchmark::State& state, double file_bytes) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file_bytes));
}

void BM_LoadFile(benchmark::State& state) {
  const double file_bytes = static_cast<double>(std::filesystem::file_size(g_file));
  size_t rows = 0;
  for (auto _ : state) {
    auto loaded = std::make_unique<brisvel::LoadedCodeList>(brisvel::LoadCodeListFile(g_file));
    rows = loaded->entries.size();
    // Freeing the list is not part of loading it (the Python baseline leaves it out too).
    state.PauseTiming();
    loaded.reset();
    state.ResumeTiming();
  }
  const size_t before = HeapInUse();
  const brisvel::LoadedCodeList kept = brisvel::LoadCodeListFile(g_file);
  state.counters["heap_per_file_byte"] = static_cast<double>(HeapInUse() - before) / file_bytes;
  state.counters["rows"] = static_cast<double>(rows);
  SetSizeCounters(state, file_bytes);
}

void BM_SaveFile(benchmark::State& state) {
  const brisvel::LoadedCodeList loaded = brisvel::LoadCodeListFile(g_file);
  const std::filesystem::path saved = g_file.parent_path() / "saved-by-bench.csv";
  for (auto _ : state) brisvel::SaveCodeListFile(saved, loaded.entries);
  state.counters["same_bytes"] = ReadBytes(saved) == ReadBytes(g_file);
  std::filesystem::remove(saved);
  SetSizeCounters(state, static_cast<double>(std::filesystem::file_size(g_file)));
}

// The in-memory halves, to tell the parsing and formatting from the file system's share.
void BM_Parse(benchmark::State& state) {
  const std::string bytes = ReadBytes(g_file);
  for (auto _ : state) {
    auto loaded = std::make_unique<brisvel::LoadedCodeList>(brisvel::ParseCodeList(bytes));
    state.PauseTiming();
    loaded.reset();
    state.ResumeTiming();
  }
  SetSizeCounters(state, static_cast<double>(bytes.size()));
}

void BM_Format(benchmark::State& state) {
  const brisvel::LoadedCodeList loaded = brisvel::LoadCodeListFile(g_file);
  size_t size = 0;
  for (auto _ : state) {
    const std::string bytes = brisvel::FormatCodeList(loaded.entries);
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  SetSizeCounters(state, static_cast<double>(size));
}

BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Format)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s [benchmark flags] <code-list.csv>\n", argv[0]);
    return 2;
  }
  g_file = std::filesystem::absolute(argv[1]);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
