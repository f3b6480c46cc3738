#include "app/form_style.h"

#include <QPainter>
#include <QPixmap>

namespace brisvel {

QFont FormFont() {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP"),
                    QStringLiteral("IPAPGothic"), QStringLiteral("VL PGothic")});
  font.setPixelSize(12);
  return font;
}

void PaintFormIcon(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(30, 30, 40), 1.5));
  painter.setBrush(QColor(70, 80, 100));
  painter.drawRoundedRect(QRectF(9.5, 3.5, 13, 26), 4, 4);
  painter.setBrush(QColor(230, 60, 50));
  painter.drawEllipse(QRectF(13, 6, 6, 6));
  painter.setBrush(QColor(210, 215, 225));
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 2; ++col) painter.drawRect(QRectF(12.5 + col * 4.5, 15 + row * 4.5, 2.5, 2.5));
  }
}

QIcon FormIcon() {
  QPixmap pixmap(kFormIconSize, kFormIconSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  PaintFormIcon(painter);
  return QIcon(pixmap);
}

}  // namespace brisvel
