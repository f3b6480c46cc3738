#pragma once
// A code's pulse picture as text: one line of block characters, and an SVG drawing.
#include <string>

#include "core/signal/picture.h"

namespace brisvel::cli {

// 96 columns of 2 ms: "█" where the column holds any mark, "▁" elsewhere.
std::string PulseLine(const signal::Picture& picture);

// The picture as a standalone SVG document: the levels as one polyline over the scale.
std::string PulseSvg(const signal::Picture& picture);

}  // namespace brisvel::cli
