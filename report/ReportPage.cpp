#include "report/ReportPage.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>

namespace {

const QString kPictureName = QStringLiteral("picture.png");
constexpr int kPdfResolution = 300;
constexpr double kMarginMm = 15;
constexpr int kHtmlPictureWidth = 900;
// A picture's width on the page is in CSS pixels, 96 to the inch.
constexpr double kCssDpi = 96;

QByteArray PngOf(const QImage& picture) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  return png;
}

QString Failed(const QString& path, const QString& why) {
  return QStringLiteral("cannot write %1: %2").arg(path, why);
}

// The page drawn by hand rather than by QTextDocument::print, which numbers
// its pages and breaks them: the report is one page, shrunk to fit if it must.
void PrintPdf(const PackReport& report, const QImage& picture, QIODevice& device) {
  QPdfWriter writer(&device);
  writer.setResolution(kPdfResolution);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                   QPageLayout::Millimeter));
  writer.setTitle(QStringLiteral("Pack report %1").arg(report.packName));
  writer.setCreator(report.origin.program);
  QTextDocument document;
  document.documentLayout()->setPaintDevice(&writer);
  if (!picture.isNull()) {
    document.addResource(QTextDocument::ImageResource, QUrl(kPictureName), picture);
  }
  const QRectF page = writer.pageLayout().paintRectPixels(writer.resolution());
  document.setHtml(ReportHtml(report, picture.isNull() ? QString() : kPictureName,
                              static_cast<int>(page.width() * kCssDpi / kPdfResolution)));
  document.setTextWidth(page.width());
  const double shrink = std::min(1.0, page.height() / document.size().height());
  QPainter painter(&writer);
  painter.scale(shrink, shrink);
  document.drawContents(&painter);
}

}  // namespace

bool IsReportPageName(const QString& path) {
  return path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive) ||
         path.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive);
}

std::optional<QString> WriteReportPage(const PackReport& report, const QString& path,
                                       const QImage& picture) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return Failed(path, file.errorString());
  if (path.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive)) {
    const QString source = picture.isNull() ? QString()
                                            : QStringLiteral("data:image/png;base64,") +
                                                  QString::fromLatin1(PngOf(picture).toBase64());
    file.write(ReportHtml(report, source, kHtmlPictureWidth).toUtf8());
  } else {
    PrintPdf(report, picture, file);
  }
  if (file.error() != QFileDevice::NoError) return Failed(path, file.errorString());
  if (!file.commit()) return Failed(path, file.errorString());
  return std::nullopt;
}
