#include "report/DischargeCurvePicture.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kWidth = 1800;
constexpr int kHeight = 700;
constexpr int kLeft = 140;
constexpr int kBottom = 90;
constexpr int kTop = 30;
constexpr int kRight = 40;
constexpr int kTicks = 5;

// A tick step of 1, 2 or 5 times a power of ten that gives about kTicks ticks.
double TickStep(double span) {
  const double raw = span / kTicks;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= raw) return factor * power;
  }
  return 10 * power;
}

}  // namespace

QImage DischargeCurvePicture(const std::vector<QPointF>& curve) {
  if (curve.size() < 2) return {};
  const auto [xLow, xHigh] = std::minmax_element(
      curve.begin(), curve.end(), [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
  const auto [yLow, yHigh] = std::minmax_element(
      curve.begin(), curve.end(), [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
  const double xStep = TickStep(std::max(1.0, xHigh->x() - std::min(0.0, xLow->x())));
  const double x0 = std::floor(std::min(0.0, xLow->x()) / xStep) * xStep;
  const double x1 = std::ceil(xHigh->x() / xStep) * xStep;
  const double yStep = TickStep(std::max(0.1, yHigh->y() - yLow->y()));
  const double y0 = std::floor(yLow->y() / yStep) * yStep;
  const double y1 = std::max(y0 + yStep, std::ceil(yHigh->y() / yStep) * yStep);

  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font = painter.font();
  font.setPixelSize(34);
  painter.setFont(font);
  const QRectF plot(kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom);
  const auto at = [&](QPointF p) {
    return QPointF(plot.left() + (p.x() - x0) / (x1 - x0) * plot.width(),
                   plot.bottom() - (p.y() - y0) / (y1 - y0) * plot.height());
  };
  painter.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 1));
  for (double x = x0; x <= x1 + xStep / 2; x += xStep) {
    const QPointF p = at({x, y0});
    painter.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 1));
    painter.drawLine(p, at({x, y1}));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(p.x() - 80, p.y() + 6, 160, 32), Qt::AlignHCenter | Qt::AlignTop,
                     QString::number(x, 'f', 0));
  }
  for (double y = y0; y <= y1 + yStep / 2; y += yStep) {
    const QPointF p = at({x0, y});
    painter.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 1));
    painter.drawLine(p, at({x1, y}));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(p.x() - 130, p.y() - 16, 120, 32), Qt::AlignRight | Qt::AlignVCenter,
                     QString::number(y, 'f', yStep < 1 ? 1 : 0));
  }
  painter.setPen(Qt::black);
  painter.drawRect(plot);
  painter.drawText(QRectF(plot.left(), kHeight - 40, plot.width(), 36), Qt::AlignCenter,
                   QStringLiteral("Charge delivered (mAh)"));
  painter.save();
  painter.translate(24, plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-plot.height() / 2, -4, plot.height(), 36), Qt::AlignCenter,
                   QStringLiteral("Voltage (V)"));
  painter.restore();
  QPainterPath line(at(curve.front()));
  for (const QPointF& point : curve) line.lineTo(at(point));
  painter.setPen(QPen(QColor(0x1F, 0x5F, 0xAF), 4));
  painter.drawPath(line);
  return image;
}
