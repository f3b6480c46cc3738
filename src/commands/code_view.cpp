#include "commands/code_view.h"

#include "core/formats/capture_exchange.h"
#include "core/formats/sjis.h"
#include "core/signal/decode.h"

namespace brisvel {

CodeView ViewOfRow(const CodeList& list, std::size_t row) {
  const CodeEntry& entry = list.at(row);
  CodeView view{sjis::ToUtf8(entry.name), "", "", {}};
  const std::optional<unit::Code> code = CodeOfHexText(entry.data.value_or(""));
  if (!code) {
    view.summary = "no code: the data is not 480 hexadecimal digits";
    return view;
  }
  const signal::Decoded decoded = signal::Decode(*code);
  view.summary = signal::SummaryOf(decoded);
  view.details = decoded.order == signal::BitOrder::LeastSignificantFirst
                     ? "bit order: least significant bit first\n"
                     : "bit order: most significant bit first\n";
  if (decoded.cut_off) view.details += "the code was still sending when the unit stopped recording at 192 ms\n";
  if (decoded.unknown_runs && !decoded.frames.empty())
    view.details += "some runs are no part of a named frame (noise, or a format not known here)\n";
  view.details += "\n" + signal::RunListOf(decoded);
  view.picture = signal::PictureOf(decoded);
  return view;
}

}  // namespace brisvel
