#include "log/LogFormatter.h"

#include <optional>

#include "battery/UnitClass.h"

namespace {

// The first character of a date or time format that separates two of its
// fields, if it is one that can stand inside a log field: a printable
// character that the file's Latin-1 bytes can hold (not, for instance, the
// right-to-left mark that Arabic formats put beside their separators), and
// neither a comma nor a double quote.
std::optional<QChar> FieldSeparatorOf(const QString& format) {
  for (const QChar c : format) {
    if (c.isLetter() || c.isSpace() || c == QLatin1Char('\'')) continue;
    if (c == QLatin1Char(',') || c == QLatin1Char('"')) return std::nullopt;
    if (c.unicode() > 0xFF || !c.isPrint()) return std::nullopt;
    return c;
  }
  return std::nullopt;
}

void AppendTwoDigits(QString& text, int value) {
  text += QLatin1Char(static_cast<char>('0' + value / 10));
  text += QLatin1Char(static_cast<char>('0' + value % 10));
}

}  // namespace

LogFormatter::Separators LogFormatter::RegionalSeparators(const QLocale& locale) {
  Separators separators;
  separators.date =
      FieldSeparatorOf(locale.dateFormat(QLocale::ShortFormat)).value_or(separators.date);
  separators.time =
      FieldSeparatorOf(locale.timeFormat(QLocale::ShortFormat)).value_or(separators.time);
  return separators;
}

QString LogFormatter::HeaderColumn(const LogColumn& column) {
  return FieldSeparator() + column.registerName + QLatin1Char('(') + column.unitClass +
         QLatin1Char(')');
}

QString LogFormatter::ValueField(const QString& unitClass, const QString& valueText) {
  const QChar quote = QLatin1Char('"');
  const bool enclosed =
      valueText.size() >= 2 && valueText.front() == quote && valueText.back() == quote;
  if (unitClass != unit_class::kString || !enclosed) return valueText;
  QString inside = valueText.mid(1, valueText.size() - 2);
  if (!inside.contains(quote)) return valueText;
  return quote + inside.replace(quote, QStringLiteral("\"\"")) + quote;
}

QString LogFormatter::FailurePlaceholder(const QString& unitClass) {
  return unitClass == unit_class::kString ? QStringLiteral("\"\"") : QString();
}

QString LogFormatter::TimeStamp(const QDateTime& time) const {
  const QDate date = time.date();
  const QTime clock = time.time();
  QString text;
  text.reserve(19);
  AppendTwoDigits(text, date.month());
  text += separators_.date;
  AppendTwoDigits(text, date.day());
  text += separators_.date;
  text += QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
  text += QLatin1Char(' ');
  AppendTwoDigits(text, clock.hour());
  text += separators_.time;
  AppendTwoDigits(text, clock.minute());
  text += separators_.time;
  AppendTwoDigits(text, clock.second());
  return text;
}

QString LogFormatter::RecordStart(const QDateTime& scanStartTime) const {
  return LineEnd() + TimeStamp(scanStartTime);
}

QString LogFormatter::HeaderLine(const QList<LogColumn>& columns) {
  QString line = HeaderStart();
  for (const LogColumn& column : columns) line += HeaderColumn(column);
  return line;
}

QString LogFormatter::RecordLine(const QDateTime& scanStartTime,
                                 const QStringList& valueTexts) const {
  QString line = TimeStamp(scanStartTime);
  for (const QString& value : valueTexts) line += FieldSeparator() + value;
  return line;
}
