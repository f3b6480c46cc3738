#include "commands/code_view.h"

#include "core/formats/capture_exchange.h"
#include "core/formats/sjis.h"
#include "core/signal/decode.h"

namespace brisvel {

CodeView ViewOfRow(const CodeList& list, std::size_t row) {
  const CodeEntry& entry = list.at(row);
  CodeView view{sjis::ToUtf8(entry.name), "no code: the data is not 480 hexadecimal digits", "", {}};
  const std::optional<unit::Code> code = entry.data ? CodeOfHexText(*entry.data) : std::nullopt;
  if (!code) return view;
  const signal::Decoded decoded = signal::Decode(*code);
  view.summary = signal::SummaryOf(decoded);
  view.details = decoded.order == signal::BitOrder::LeastSignificantFirst
                     ? "bit order: least significant bit first\n"
                     : "bit order: most significant bit first\n";
  if (decoded.cut_off) view.details += "cut off: still sending at the end of the 192 ms\n";
  view.details += "\n" + signal::RunListOf(decoded);
  view.picture = signal::PictureOf(decoded);
  return view;
}

}  // namespace brisvel
