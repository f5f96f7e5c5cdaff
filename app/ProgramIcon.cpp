#include "ProgramIcon.h"

#include <QPainter>
#include <numeric>

namespace {

constexpr int kPictureSize = 32;

// Each output pixel is the average of one block x block square of the source,
// taken in premultiplied colour so that transparent pixels add no colour.
QImage AverageBlocks(const QImage& source, int block) {
  const int size = source.width() / block;
  QImage result(size, size, QImage::Format_ARGB32_Premultiplied);
  const int count = block * block;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      int sum[4] = {0, 0, 0, 0};
      for (int dy = 0; dy < block; ++dy) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y * block + dy));
        for (int dx = 0; dx < block; ++dx) {
          const QRgb pixel = line[x * block + dx];
          sum[0] += qAlpha(pixel);
          sum[1] += qRed(pixel);
          sum[2] += qGreen(pixel);
          sum[3] += qBlue(pixel);
        }
      }
      const auto mean = [count](int total) { return (total + count / 2) / count; };
      result.setPixel(x, y, qRgba(mean(sum[1]), mean(sum[2]), mean(sum[3]), mean(sum[0])));
    }
  }
  return result;
}

// Each source pixel becomes a factor x factor square of its own colour.
QImage EnlargeBlocks(const QImage& source, int factor) {
  QImage result(source.width() * factor, source.height() * factor, source.format());
  for (int y = 0; y < result.height(); ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(y / factor));
    auto* to = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x) to[x] = from[x / factor];
  }
  return result;
}

}  // namespace

QImage ProgramIconImage() {
  QImage icon(kPictureSize, kPictureSize, QImage::Format_ARGB32_Premultiplied);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  // Battery body with its terminal cap.
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::darkGreen);
  painter.drawRect(3, 9, 22, 14);
  painter.setBrush(Qt::darkGray);
  painter.drawRect(25, 13, 3, 6);
  // Charge level.
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::green);
  painter.drawRect(5, 11, 13, 11);
  // The two bus lines, clock and data, leaving the pack.
  painter.setPen(QPen(Qt::yellow, 1));
  painter.drawLine(8, 3, 8, 8);
  painter.drawLine(8, 3, 30, 3);
  painter.setPen(QPen(Qt::cyan, 1));
  painter.drawLine(14, 6, 14, 8);
  painter.drawLine(14, 6, 30, 6);
  // Plus sign.
  painter.setPen(QPen(Qt::white, 2));
  painter.drawLine(9, 16, 15, 16);
  painter.drawLine(12, 13, 12, 19);
  painter.end();
  return icon;
}

QPixmap ProgramIcon() {
  return QPixmap::fromImage(ProgramIconImage());
}

QImage ProgramIconImage(int size) {
  if (size <= 0) return {};
  const int common = std::lcm(kPictureSize, size);
  const QImage blocks = EnlargeBlocks(ProgramIconImage(), common / kPictureSize);
  return common == size ? blocks : AverageBlocks(blocks, common / size);
}

QIcon ProgramWindowIcon() {
  QIcon icon;
  for (const int size : kProgramIconSizes) {
    icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
  }
  return icon;
}
