#pragma once
#include <QFont>
#include <QIcon>

namespace brisvel {

// The windows' UI font: MS P Gothic at 12 pixels where installed, else a Japanese font
// that Debian ships (Noto Sans CJK JP from fonts-noto-cjk).
QFont FormFont();

// The 32 x 32 window icon: a small remote control, drawn rather than shipped as a file.
QIcon FormIcon();

}  // namespace brisvel
