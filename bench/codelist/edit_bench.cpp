// Editing a large code list: each step of the history with its durable recovery-journal
// append, against a plain vector erase of the same rows as the baseline.
//   codelist_edit_bench [benchmark flags] <file.csv>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "commands/code_list.h"
#include "commands/recovery_journal.h"
#include "core/formats/code_list_file.h"

namespace {

namespace fs = std::filesystem;

fs::path g_file;

// The list as a loaded file leaves it, journalled into a scratch folder beside the file.
struct EditedList {
  EditedList() : journal(g_file.parent_path() / "edit-bench-state", list, [](const std::string& message) {
                   std::fprintf(stderr, "journal: %s\n", message.c_str());
                 }) {
    list.replaceAll(brisvel::LoadCodeListFile(g_file).entries);
    list.addObserver(&journal);
  }
  ~EditedList() { journal.discard(); }

  brisvel::CodeList list;
  brisvel::RecoveryJournal journal;
};

EditedList& List() {
  static EditedList list;
  return list;
}

// Times `step`; `restore` (untimed) puts the list back for the next iteration.
template <typename Step, typename Restore>
void Measure(benchmark::State& state, Step step, Restore restore) {
  brisvel::CodeList& list = List().list;
  for (auto _ : state) {
    step(list);
    state.PauseTiming();
    restore(list);
    state.ResumeTiming();
  }
  state.counters["rows"] = static_cast<double>(list.size());
}

void BM_BaselineVectorEraseFirst(benchmark::State& state) {
  auto rows = List().list.entries();
  for (auto _ : state) {
    brisvel::CodeEntry first = std::move(rows.front());
    rows.erase(rows.begin());
    state.PauseTiming();
    rows.insert(rows.begin(), std::move(first));
    state.ResumeTiming();
  }
}

void BM_DeleteFirstRow(benchmark::State& state) {
  Measure(state, [](auto& list) { list.remove(0); }, [](auto& list) { list.undo(); });
}

void BM_MoveRowDown(benchmark::State& state) {
  Measure(state, [](auto& list) { list.move(0, 1); }, [](auto& list) { list.undo(); });
}

void BM_UndoDeleteOfFirstRow(benchmark::State& state) {
  Measure(state, [](auto& list) { list.undo(); }, [](auto& list) { list.redo(); });
}

void BM_Capture(benchmark::State& state) {
  const brisvel::CodeEntry code{"new", std::string(480, 'A')};
  Measure(state, [&](auto& list) { list.append(code); }, [](auto& list) { list.undo(); });
}

// The first change after a Load or Save starts the journal with the rows it changes, so a
// restore never needs the file: the whole list is written and synced once.
void BM_FirstChangeAfterLoad(benchmark::State& state) {
  EditedList& edited = List();
  const auto identity = brisvel::FileIdentity::Of(g_file);
  Measure(state, [](auto& list) { list.remove(0); }, [&](auto& list) {
    list.undo();
    edited.journal.startFrom(g_file, identity);
  });
}

BENCHMARK(BM_BaselineVectorEraseFirst)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_DeleteFirstRow)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_MoveRowDown)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_UndoDeleteOfFirstRow)->Unit(benchmark::kMicrosecond)->UseRealTime()->Setup([](const benchmark::State&) {
  List().list.remove(0);
})->Teardown([](const benchmark::State&) { List().list.undo(); });
BENCHMARK(BM_Capture)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_FirstChangeAfterLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Setup([](const benchmark::State&) {
  List().journal.startFrom(g_file, brisvel::FileIdentity::Of(g_file));
});

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s [benchmark flags] <code-list.csv>\n", argv[0]);
    return 2;
  }
  g_file = fs::absolute(argv[1]);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
