#pragma once
// A code's pulse picture, the one model every front end draws (a painter, GDI, SVG, block
// characters): the capture's span as a level over time, with a millisecond scale.
#include <string>
#include <vector>

namespace brisvel::signal {

// One stretch of the line at one level: carrier present (a mark) or not (a space).
struct Level {
  int start_us = 0;
  int end_us = 0;
  bool mark = false;
};

// A point of the scale; a labelled one says where it is ("20 ms"), the others have no text.
struct Tick {
  int at_us = 0;
  std::string label;
};

struct Picture {
  int length_us = 0;          // the capture's span; 0 when the row holds no code
  std::vector<Level> levels;  // consecutive, from 0 to length_us
  std::vector<Tick> ticks;
};

}  // namespace brisvel::signal
