#pragma once

#include <QChart>
#include <QGraphicsScene>
#include <QSize>
#include <QString>
#include <optional>

// A chart drawn off the screen, to be written to a file.
class ChartPicture {
 public:
  enum class Format { Png, Svg, Pdf };

  explicit ChartPicture(QSize size);

  QChart& Chart() { return *chart_; }

  // The format a file's extension names: .png, .svg or .pdf, in any case.
  static std::optional<Format> FormatOf(const QString& path);

  // Writes the picture in the format its extension names; the reason when
  // it could not. An existing file is replaced only once the new one is whole.
  std::optional<QString> Write(const QString& path);

 private:
  QByteArray Encode(Format format);

  QSize size_;
  QGraphicsScene scene_;
  QChart* chart_;  // the scene's
};
