#include "cli/pulse_text.h"

#include <algorithm>
#include <vector>

namespace brisvel::cli {
namespace {

constexpr int kColumns = 96;
constexpr int kColumnUs = 2000;

// The drawing's geometry: a pixel for every 200 µs, the level above the scale.
constexpr int kUsPerPixel = 200;
constexpr int kMarkY = 10;
constexpr int kSpaceY = 50;
constexpr int kScaleY = 60;
constexpr int kTickLength = 4;
constexpr int kLabelledTickLength = 8;
constexpr int kLabelY = 82;
constexpr int kHeight = 90;

std::string X(int us) { return std::to_string(us / kUsPerPixel) + (us % kUsPerPixel ? ".5" : ""); }

std::string Points(const signal::Picture& picture) {
  std::string points;
  for (const signal::Level& level : picture.levels) {
    const std::string y = std::to_string(level.mark ? kMarkY : kSpaceY);
    points += X(level.start_us) + "," + y + " " + X(level.end_us) + "," + y + " ";
  }
  if (!points.empty()) points.pop_back();
  return points;
}

// Labels at the picture's edges are anchored inward so they stay whole.
std::string Anchor(const signal::Tick& tick, int length_us) {
  if (tick.at_us == 0) return "start";
  if (tick.at_us >= length_us) return "end";
  return "middle";
}

std::string Scale(const signal::Picture& picture) {
  std::string scale;
  for (const signal::Tick& tick : picture.ticks) {
    const int bottom = kScaleY + (tick.label.empty() ? kTickLength : kLabelledTickLength);
    scale += "<line x1=\"" + X(tick.at_us) + "\" y1=\"" + std::to_string(kScaleY) + "\" x2=\"" + X(tick.at_us) +
             "\" y2=\"" + std::to_string(bottom) + "\" stroke=\"gray\"/>\n";
    if (tick.label.empty()) continue;
    scale += "<text x=\"" + X(tick.at_us) + "\" y=\"" + std::to_string(kLabelY) + "\" text-anchor=\"" +
             Anchor(tick, picture.length_us) + "\">" + tick.label + "</text>\n";
  }
  return scale;
}

}  // namespace

std::string PulseLine(const signal::Picture& picture) {
  std::vector<bool> marked(kColumns, false);
  for (const signal::Level& level : picture.levels) {
    if (!level.mark || level.end_us <= level.start_us) continue;
    const int last = std::min(kColumns - 1, (level.end_us - 1) / kColumnUs);
    for (int column = level.start_us / kColumnUs; column <= last; ++column) marked[column] = true;
  }
  std::string line;
  for (bool mark : marked) line += mark ? "█" : "▁";
  return line;
}

std::string PulseSvg(const signal::Picture& picture) {
  const std::string width = X(picture.length_us);
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + width + "\" height=\"" + std::to_string(kHeight) +
         "\" viewBox=\"0 0 " + width + " " + std::to_string(kHeight) + "\">\n" +
         "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n" +
         "<polyline fill=\"none\" stroke=\"black\" points=\"" + Points(picture) + "\"/>\n" +
         "<g font-family=\"sans-serif\" font-size=\"10\">\n" + Scale(picture) + "</g>\n</svg>\n";
}

}  // namespace brisvel::cli
