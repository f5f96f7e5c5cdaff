#include "chart/ChartPicture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace {

// Screen pixels: an inch of 96.
constexpr int kPixelsPerInch = 96;

}  // namespace

ChartPicture::ChartPicture(QSize size) : size_(size), chart_(new QChart) {
  scene_.addItem(chart_);
  chart_->setGeometry(QRectF(QPointF(0, 0), size_));
}

std::optional<ChartPicture::Format> ChartPicture::FormatOf(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("png")) return Format::Png;
  if (suffix == QLatin1String("svg")) return Format::Svg;
  if (suffix == QLatin1String("pdf")) return Format::Pdf;
  return std::nullopt;
}

QByteArray ChartPicture::Encode(Format format) {
  // The chart lays itself out on the event loop; a picture is taken at once.
  chart_->layout()->activate();
  const QRectF area(QPointF(0, 0), size_);
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  switch (format) {
    case Format::Png: {
      QImage image(size_, QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      scene_.render(&painter, area, area);
      painter.end();
      QImageWriter(&buffer, "png").write(image);
      break;
    }
    case Format::Svg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(size_);
      svg.setViewBox(area);
      svg.setResolution(kPixelsPerInch);
      svg.setTitle(chart_->title());
      QPainter painter(&svg);
      // Opaque, as the PNG is: a viewer's dark background must not show through.
      painter.fillRect(area, Qt::white);
      scene_.render(&painter, area, area);
      break;
    }
    case Format::Pdf: {
      QPdfWriter pdf(&buffer);
      pdf.setResolution(kPixelsPerInch);
      pdf.setPageSize(QPageSize(QSizeF(size_) / kPixelsPerInch, QPageSize::Inch));
      pdf.setPageMargins(QMarginsF());
      pdf.setTitle(chart_->title());
      QPainter painter(&pdf);
      scene_.render(&painter, area, area);
      break;
    }
  }
  return buffer.data();
}

std::optional<QString> ChartPicture::Write(const QString& path) {
  const std::optional<Format> format = FormatOf(path);
  if (!format) return QStringLiteral("its name does not end in .png, .svg or .pdf");
  const QByteArray bytes = Encode(*format);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    return file.errorString();
  }
  return std::nullopt;
}
