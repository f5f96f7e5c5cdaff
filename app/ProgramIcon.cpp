#include "app/ProgramIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <algorithm>
#include <numeric>

namespace {

constexpr int kPictureSize = 32;

// How much of a picture pixel's span falls inside an output pixel's span,
// both measured on the grid of their least common multiple.
int Overlap(int first, int last, int otherFirst, int otherLast) {
  return std::max(0, std::min(last, otherLast) - std::max(first, otherFirst));
}

// The picture at `size` pixels: each output pixel is the average, weighted by
// area, of the picture pixels it covers, taken in premultiplied colour so
// that transparent pixels add no colour. On the grid of the least common
// multiple of both sizes every picture pixel is a square of `enlarge` cells
// and every output pixel a square of `block` cells; a whole multiple of the
// picture's size thus repeats each pixel, and a smaller size averages.
QImage Rescaled(const QImage& picture, int size) {
  const int common = std::lcm(kPictureSize, size);
  const int enlarge = common / kPictureSize;
  const int block = common / size;
  const int count = block * block;
  QImage result(size, size, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < size; ++y) {
    const int top = y * block;
    auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
    if (block == 1) {
      const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y / enlarge));
      for (int x = 0; x < size; ++x) out[x] = line[x / enlarge];
      continue;
    }
    for (int x = 0; x < size; ++x) {
      const int left = x * block;
      int sum[4] = {0, 0, 0, 0};
      for (int py = top / enlarge; py * enlarge < top + block; ++py) {
        const int height = Overlap(top, top + block, py * enlarge, (py + 1) * enlarge);
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(py));
        for (int px = left / enlarge; px * enlarge < left + block; ++px) {
          const int weight = height * Overlap(left, left + block, px * enlarge, (px + 1) * enlarge);
          const QRgb pixel = line[px];
          sum[0] += weight * qAlpha(pixel);
          sum[1] += weight * qRed(pixel);
          sum[2] += weight * qGreen(pixel);
          sum[3] += weight * qBlue(pixel);
        }
      }
      const auto mean = [count](int total) { return (total + count / 2) / count; };
      out[x] = qRgba(mean(sum[1]), mean(sum[2]), mean(sum[3]), mean(sum[0]));
    }
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
  return Rescaled(ProgramIconImage(), size);
}

namespace {

// Draws the picture at the size asked for and keeps none: eight sizes kept
// for the whole run would hold a third of a megabyte that the title bar reads
// once.
class ProgramIconEngine : public QIconEngine {
 public:
  QPixmap pixmap(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
    return QPixmap::fromImage(ProgramIconImage(std::min(size.width(), size.height())));
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
  }

  QList<QSize> availableSizes(QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
    QList<QSize> sizes;
    for (const int size : kProgramIconSizes) sizes.append(QSize(size, size));
    return sizes;
  }

  QSize actualSize(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
    const int side = std::min(size.width(), size.height());
    return {side, side};
  }

  QIconEngine* clone() const override { return new ProgramIconEngine; }
};

}  // namespace

QIcon ProgramWindowIcon() {
  return QIcon(new ProgramIconEngine);
}
