#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>
#include <variant>
#include <vector>

// The lines of a log file taken apart: the header line and the records, as
// the log's formatter writes them.

// A record's time stamp, "mm/dd/yyyy hh:mm:ss" with the separators of the
// locale it was written under. The time is the wall-clock date and time,
// held as UTC so that no time zone shifts it.
struct LogTimeStamp {
  QDateTime time;
  QChar dateSeparator;
  QChar timeSeparator;
};

inline constexpr int kTimeStampLength = 19;

// The time stamp at the start of this text; none when it does not start with one.
std::optional<LogTimeStamp> TimeStampAt(QStringView text);

// A header column: the register row it names, and whether its value takes
// one field (a word), a quoted text that may hold commas, or the rest of the
// record (the data block, one field a byte).
struct HeaderColumn {
  enum class Kind { Word, Text, Block };
  int row = 0;
  Kind kind = Kind::Word;
};

// The header line's columns, or why this line is not one that Pelmor writes.
std::variant<std::vector<HeaderColumn>, QString> ParseHeaderLine(QStringView line);

// Where the header begins in a line: 0 for a header line, more when a header
// was written at the end of a record; none when the line holds no header.
std::optional<qsizetype> HeaderStartIn(QStringView line);

// A record's fields after its time stamp, one per header column in order.
struct RecordFields {
  std::vector<QStringView> values;  // one a column, from the first; fewer when cut short
  int extraFields = 0;              // fields beyond what the columns take
  bool openText = false;            // a quoted text runs to the end of the line
};

// `fields` is the record after its time stamp, starting with the comma.
RecordFields AssignFields(QStringView fields, const std::vector<HeaderColumn>& columns);
