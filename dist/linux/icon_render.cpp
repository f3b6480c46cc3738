// Renders the window's icon into an icon-theme tree for installation: PNGs in the sizes
// desktops ask for and a scalable SVG, all from the same drawing as the window's icon; or
// into the .ico file the Windows executable carries.
//   brisvel-icon-render OUTPUT_FOLDER APP_ID
//   brisvel-icon-render --ico FILE
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>

#include "app/form_style.h"

namespace {

constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};
// What Windows asks for: the small and large icons at 100 % to 200 %, and Explorer's views.
constexpr int kWindowsSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

QString AppsFolder(const QString& root, const QString& size) {
  const QString folder = root + "/hicolor/" + size + "/apps";
  QDir().mkpath(folder);
  return folder;
}

QImage Render(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.scale(double(size) / brisvel::kFormIconSize, double(size) / brisvel::kFormIconSize);
  brisvel::PaintFormIcon(painter);
  return image;
}

bool RenderPng(const QString& root, const QString& id, int size) {
  const QString sized = QString::number(size);
  return Render(size).save(AppsFolder(root, sized + "x" + sized) + "/" + id + ".png");
}

// An icon file whose images are PNGs, as Windows reads them since Vista: a header, one
// directory entry per image, then the images.
bool RenderIco(const QString& file) {
  QList<QByteArray> images;
  for (int size : kWindowsSizes) {
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    if (!Render(size).save(&png, "PNG")) return false;
    images.append(png.data());
  }
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly)) return false;
  QDataStream stream(&out);
  stream.setByteOrder(QDataStream::LittleEndian);
  stream << quint16(0) << quint16(1) << quint16(images.size());
  quint32 offset = 6 + 16 * quint32(images.size());
  for (qsizetype i = 0; i < images.size(); ++i) {
    const quint8 side = kWindowsSizes[i] >= 256 ? 0 : quint8(kWindowsSizes[i]);  // 0 means 256
    stream << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32) << quint32(images[i].size()) << offset;
    offset += quint32(images[i].size());
  }
  for (const QByteArray& image : images) stream.writeRawData(image.constData(), int(image.size()));
  return stream.status() == QDataStream::Ok && out.flush();
}

void RenderSvg(const QString& root, const QString& id) {
  QSvgGenerator svg;
  svg.setFileName(AppsFolder(root, "scalable") + "/" + id + ".svg");
  svg.setSize({brisvel::kFormIconSize, brisvel::kFormIconSize});
  svg.setViewBox(QRect(0, 0, brisvel::kFormIconSize, brisvel::kFormIconSize));
  svg.setTitle("BrisvelRemo");
  QPainter painter(&svg);
  brisvel::PaintFormIcon(painter);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: brisvel-icon-render OUTPUT_FOLDER APP_ID | --ico FILE\n");
    return 2;
  }
  if (QString::fromLatin1(argv[1]) == "--ico") {
    if (RenderIco(QString::fromLocal8Bit(argv[2]))) return 0;
    std::fprintf(stderr, "brisvel-icon-render: cannot write %s\n", argv[2]);
    return 1;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  const QString id = QString::fromLocal8Bit(argv[2]);
  for (int size : kSizes) {
    if (!RenderPng(root, id, size)) {
      std::fprintf(stderr, "brisvel-icon-render: cannot write the %d pixel icon\n", size);
      return 1;
    }
  }
  RenderSvg(root, id);
  return 0;
}
