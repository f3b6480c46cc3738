#pragma once
#include <QFont>
#include <QIcon>
#include <QPainter>

namespace brisvel {

// The windows' UI font: MS P Gothic at 12 pixels where installed, else a Japanese font
// that Debian ships (Noto Sans CJK JP from fonts-noto-cjk).
QFont FormFont();

inline constexpr int kFormIconSize = 32;

// The 32 x 32 window icon: a small remote control, drawn rather than shipped as a file.
QIcon FormIcon();

// Draws the icon into the box (0, 0)-(32, 32) of the painter's coordinates; scaling the
// painter gives the installed icon's other sizes and its SVG from the same drawing.
void PaintFormIcon(QPainter& painter);

}  // namespace brisvel
