#include "platform/ExitStatusHelp.h"

#include <QStringList>

namespace {

constexpr qsizetype kLineWidth = 79;

// Breaks the text into lines that fit after the indent, at blanks.
QStringList Wrapped(const QString& text, qsizetype width) {
  QStringList lines;
  QString line;
  for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
      lines << line;
      line.clear();
    }
    line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
  }
  if (!line.isEmpty()) lines << line;
  return lines;
}

}  // namespace

QString ExitStatusHelp(std::span<const ExitStatusMeaning> statuses) {
  qsizetype statusWidth = 0;
  for (const ExitStatusMeaning& entry : statuses) {
    statusWidth = std::max(statusWidth, QString::number(entry.status).size());
  }
  const qsizetype indent = 2 + statusWidth + 2;
  QString help = QStringLiteral("Exit status:\n");
  for (const ExitStatusMeaning& entry : statuses) {
    const QStringList lines = Wrapped(QString::fromUtf8(entry.meaning), kLineWidth - indent);
    help += QStringLiteral("  ") + QString::number(entry.status).leftJustified(statusWidth + 2) +
            lines.join(QLatin1Char('\n') + QString(indent, QLatin1Char(' '))) + QLatin1Char('\n');
  }
  return help;
}
