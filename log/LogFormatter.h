#pragma once

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

// One column of the header line: a row's check box caption and unit label.
struct LogColumn {
  QString registerName;
  QString unitClass;
};

// The date and time separators of the log's time stamp.
struct LogSeparators {
  QChar date = QLatin1Char('/');
  QChar time = QLatin1Char(':');
};

// The text of the log: a header line naming the columns, then one record per
// pass, the pass's time stamp followed by one comma-separated field a row.
// A value goes in as its data field shows it; only a string's own double
// quotes are doubled (ValueField). No file is involved here; the log file writes these texts piece
// by piece as the scan goes, and a caller without a file can build whole
// lines with HeaderLine and RecordLine.
class LogFormatter {
 public:
  using Separators = LogSeparators;

  explicit LogFormatter(Separators separators = {}) : separators_(separators) {}

  // The separators the locale writes its short dates and times with; "/" and
  // ":" where the locale has none that can stand in a field of the log.
  static Separators RegionalSeparators(const QLocale& locale);

  static QString LineEnd() { return QStringLiteral("\r\n"); }
  static QString FieldSeparator() { return QStringLiteral(","); }
  // The header line's first field.
  static QString HeaderStart() { return QStringLiteral("Date/Time"); }
  // A header column with its separator: ",Voltage(mv)".
  static QString HeaderColumn(const LogColumn& column);
  // A received value as its field: the data field's text, except that the
  // double quotes inside a string's enclosing pair are doubled, so that a CSV
  // reader takes the whole string as one field ("Kestrel ""Power"", Inc").
  // A string without quotes, and every other value, stays byte for byte.
  static QString ValueField(const QString& unitClass, const QString& valueText);
  // What stands in the field of a row given up: "" (an empty quoted text)
  // for a "string" row, nothing at all for every other, so that a failure is
  // never taken for a reading of 0 (a spreadsheet leaves an empty field a gap
  // too). Logs written before held "0" there.
  static QString FailurePlaceholder(const QString& unitClass);

  // "mm/dd/yyyy hh:mm:ss", hours 00 to 23, with this formatter's separators.
  QString TimeStamp(const QDateTime& time) const;
  // What begins a record: the line end that ends the line before, then the
  // time stamp of the pass's start.
  QString RecordStart(const QDateTime& scanStartTime) const;

  // Whole lines, without their line end.
  static QString HeaderLine(const QList<LogColumn>& columns);
  QString RecordLine(const QDateTime& scanStartTime, const QStringList& valueTexts) const;

  // The bytes a text takes in the file: one byte a character (Latin-1), as
  // the data fields hold them.
  static QByteArray FileBytes(const QString& text) { return text.toLatin1(); }

 private:
  Separators separators_;
};
