#pragma once

#include <QIODevice>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "battery/RegisterTable.h"
#include "chart/ChartPass.h"
#include "chart/ChartRegisters.h"
#include "chart/LogLines.h"

// Reads a log file back, the window's or `pelmor read --format csv`'s, and
// hands its records to a feed as passes, one at a time: the file is streamed
// and never held whole.
//
// Files come back edited, cut off and mixed up. A line that cannot be taken
// as written (a record cut off or with too many or too few fields, a second
// header, a time stamp in other separators than the file's, a line that is no
// record) is reported with its number and what is wrong with it, and the
// reading goes on with what it can take. A file that is no log at all (binary
// data, or a first line that is neither the log's header nor a record) is
// refused before anything reaches the feed.
class LogReader {
 public:
  // A line's problem: its number, from 1, and what is wrong with it.
  using LineReport = std::function<void(qint64 line, const QString& problem)>;

  struct Result {
    std::optional<QString> refusal;    // why the file is not taken for a log
    std::optional<QString> readError;  // the system's error text when reading failed
    qint64 lines = 0;
    qint64 records = 0;       // handed to the feed
    qint64 problemLines = 0;  // reported
    // The last record has no line end yet: the log is still open and its
    // pass still being written. It is left out, as a record to come.
    bool stillOpen = false;
    // Records whose time stamps a spreadsheet rewrote ("12/7/2026 9:51"):
    // the file was saved by one, and those lines are not taken.
    qint64 spreadsheetStamps = 0;
    // The log leaves the field of a row given up empty, so each 0 in it is a
    // reading. Logs written before held "0" there instead: in a log with no
    // empty field zeros are ambiguous, and a 0 is taken for a row given up
    // only where the readings around it make that likely.
    bool emptyMarksFailure = false;
    bool zeroPlaceholdersSeen = false;  // a 0 where no pack that answers reads 0
    // Zeros of a log with no empty field that may be placeholders: where no
    // pack that answers reads 0, in the same pass, or alone between readings.
    qint64 ambiguousZeros = 0;
    qint64 zerosTakenForFailures = 0;  // of these, drawn as gaps
  };

  LogReader(PassFeed& feed, LineReport report);

  Result Read(QIODevice& device);

  // Whether the file leaves some field empty, as a log does where a row was
  // given up. The device is read from where it stands and put back there;
  // false for a device that cannot be read twice.
  static bool HoldsEmptyField(QIODevice& device);

  // No record is longer than this; a longer line is not one.
  static constexpr qsizetype kLongestLine = 4096;

 private:
  struct Record {
    QString line;  // the readings' texts refer to it
    qint64 number = 0;
    ChartPass pass;
  };

  // A refusal, when the line shows the file is not a log.
  std::optional<QString> HandleLine(QByteArrayView bytes, bool ended, bool overlong);
  void HandleRecord(QString line, qsizetype length, bool ended);
  void Problem(const QString& text);
  void TakeGivenUpZeros(Record& record, const Record* next);
  void Feed(Record& record);

  PassFeed& feed_;
  LineReport report_;
  Result result_;
  qint64 lineNumber_ = 0;
  qint64 lastProblemLine_ = 0;
  bool anyLineSeen_ = false;
  std::optional<std::vector<HeaderColumn>> columns_;
  std::optional<std::pair<QChar, QChar>> separators_;
  std::optional<Record> pending_;
  std::array<bool, kChartRowCount> lastReadNonZero_{};
};
