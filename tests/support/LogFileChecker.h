#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <optional>

#include "battery/RegisterTable.h"
#include "battery/UnitClass.h"
#include "log/LogFormatter.h"
#include "tests/support/MarkerValues.h"

// Reads a scan log written against a battery answering marker values and
// checks each line as it is completed in the file: one header line naming
// columns in row order, and records whose every field, in row order, is its own
// register's value or a given-up row's placeholder. A field glued to the one
// before it, or one in the wrong column, matches no register's value there.
class LogFileChecker {
 public:
  explicit LogFileChecker(QString path) : path_(std::move(path)) {}

  // The log file was created anew.
  void Restart() {
    checkedBytes_ = 0;
    lineNumber_ = 0;
    headerSeen_ = false;
  }

  // Checks the lines completed since the last call; `closed` checks the last
  // line too. Answers what is wrong, or nothing.
  std::optional<QString> CheckNewLines(bool closed) {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;  // not created yet
    if (file.size() == checkedBytes_) return std::nullopt;
    if (file.size() < checkedBytes_) return QStringLiteral("the log file shrank");
    file.seek(checkedBytes_);
    QString fresh = QString::fromLatin1(file.readAll());
    const QString lineEnd = LogFormatter::LineEnd();
    if (closed && !fresh.endsWith(lineEnd))
      return QStringLiteral("the closed log lacks its line end");
    const qsizetype end = fresh.lastIndexOf(lineEnd);
    if (end < 0) return std::nullopt;
    for (const QString& line : fresh.left(end).split(lineEnd)) {
      if (auto fault = CheckLine(line)) return fault;
      ++lineNumber_;
    }
    checkedBytes_ += end + lineEnd.size();
    return std::nullopt;
  }

  int Records() const { return records_; }

 private:
  std::optional<QString> Fault(const QString& line, const char* what) const {
    return QStringLiteral("log line %1 \"%2\": %3")
        .arg(lineNumber_)
        .arg(line, QString::fromLatin1(what));
  }

  std::optional<QString> CheckLine(const QString& line) {
    if (line.isEmpty()) {
      // The first line is empty when the file begins with a record.
      if (lineNumber_ == 0) return std::nullopt;
      return Fault(line, "an empty line inside the log");
    }
    if (line.startsWith(LogFormatter::HeaderStart())) {
      // Records of passes that ran when the log opened may come before it.
      if (headerSeen_) return Fault(line, "a second header");
      headerSeen_ = true;
      return CheckHeader(line);
    }
    static const QRegularExpression stamp(
        QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d"));
    if (stamp.match(line).hasMatch()) {
      ++records_;
      const QString fields = line.mid(19);
      if (fields.isEmpty()) return std::nullopt;
      if (!fields.startsWith(QLatin1Char(','))) return Fault(line, "a field glued to the stamp");
      return CheckFields(line, fields.mid(1).split(QLatin1Char(',')));
    }
    // A log opened while a pass was under way takes the rest of that pass on
    // its first line, with no time stamp; its first field may have lost its
    // separator to the time before the log opened.
    if (lineNumber_ != 0) return Fault(line, "a record without its time stamp");
    return CheckFields(
        line, (line.startsWith(QLatin1Char(',')) ? line.mid(1) : line).split(QLatin1Char(',')));
  }

  std::optional<QString> CheckHeader(const QString& line) const {
    int lastRow = -1;
    QString rest = line.mid(LogFormatter::HeaderStart().size());
    while (!rest.isEmpty()) {
      int row = lastRow + 1;
      for (; row < kRegisterRowCount; ++row) {
        const RegisterDefinition& def = RegisterTable()[row];
        const QString column = LogFormatter::HeaderColumn(
            {QString::fromLatin1(def.registerName), QString::fromLatin1(def.unitClass)});
        if (rest.startsWith(column) &&
            (rest.size() == column.size() || rest[column.size()] == QLatin1Char(','))) {
          rest = rest.mid(column.size());
          break;
        }
      }
      if (row == kRegisterRowCount) return Fault(line, "a header column out of row order");
      lastRow = row;
    }
    return std::nullopt;
  }

  // Gives each field the first row after the last one that it can belong to.
  std::optional<QString> CheckFields(const QString& line, const QStringList& fields) const {
    int lastRow = -1;
    for (qsizetype i = 0; i < fields.size();) {
      int row = lastRow + 1;
      qsizetype taken = 1;
      for (; row < kRegisterRowCount; ++row) {
        taken = FieldsOfRow(row, fields, i);
        if (taken > 0) break;
      }
      if (row == kRegisterRowCount) return Fault(line, "a field in no column after the last");
      lastRow = row;
      i += taken;
    }
    return std::nullopt;
  }

  // How many fields from `at` the row's value or placeholder takes; 0 when
  // they are not the row's.
  static qsizetype FieldsOfRow(int row, const QStringList& fields, qsizetype at) {
    // A row whose separator went out and whose value never came: the pass
    // stopped there, or the row was unticked between its attempts.
    if (fields[at].isEmpty()) return 1;
    const RegisterDefinition& def = RegisterTable()[row];
    const QString unitClass = QString::fromLatin1(def.unitClass);
    if (fields[at] == LogFormatter::FailurePlaceholder(unitClass)) return 1;
    const QStringList value = MarkerText(row).split(QLatin1Char(','));
    if (fields.mid(at, value.size()) == value) return value.size();
    return 0;
  }

  QString path_;
  qint64 checkedBytes_ = 0;
  int lineNumber_ = 0;
  bool headerSeen_ = false;
  int records_ = 0;
};
