// Any bytes load without a crash, and whatever they load saves and loads back to the same rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/formats/code_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const brisvel::LoadedCodeList first = brisvel::ParseCodeList(bytes);
  const brisvel::LoadedCodeList second = brisvel::ParseCodeList(brisvel::FormatCodeList(first.entries));
  if (second.entries != first.entries) std::abort();
  if (second.error && !first.error) std::abort();
  return 0;
}
