#include "chart/LogReader.h"

#include <QRegularExpression>
#include <algorithm>

#include "chart/ChartRegisters.h"
#include "chart/ChartUnits.h"
#include "log/LogFormatter.h"

namespace {

constexpr qint64 kChunkBytes = 1 << 20;
// Binary data shows in the first bytes of a file: they are looked at before
// any line is taken.
constexpr qsizetype kSniffBytes = 64 * 1024;

bool HoldsBinary(QByteArrayView bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
  });
}

// Registers that read 0 from no pack that answers: a 0 in their column is
// the placeholder of a register given up.
bool NeverReadsZero(int row) {
  static const std::array<bool, kChartRowCount> rows = [] {
    std::array<bool, kChartRowCount> never{};
    for (int r = 0; r < kRegisterRowCount; ++r) {
      const QLatin1String name(RegisterTable()[r].registerName);
      never[r] = name == QLatin1String("Temperature") || name == QLatin1String("Voltage") ||
                 name == QLatin1String("FullChargeCapacity") ||
                 name == QLatin1String("DesignCapacity") || name == QLatin1String("DesignVoltage");
    }
    return never;
  }();
  return rows[row];
}

// A date and time as a spreadsheet writes one back: digits cut short, the
// year first, seconds or hours' leading zero dropped.
bool SpreadsheetStampAt(const QString& line) {
  static const QRegularExpression stamp(QStringLiteral(
      "^\\d{1,4}[-/.]\\d{1,2}[-/.]\\d{1,4}[ T]\\d{1,2}:\\d{2}(:\\d{2})?( ?[AP]M)?[,;]"));
  static const QRegularExpression logShape(
      QStringLiteral("^\\d{2}\\D\\d{2}\\D\\d{4} \\d{2}\\D\\d{2}\\D\\d{2},"));
  return stamp.match(line).hasMatch() && !logShape.match(line).hasMatch();
}

bool IsCharted(int row) {
  return AxisOf(QString::fromLatin1(ChartRegister(row).unitClass), CapacityMode::Unknown)
      .has_value();
}

bool ReadsNonZero(QStringView text) {
  const std::optional<double> number = AxisValue(ChartAxis::Count, text);
  return number && *number != 0;
}

const ChartReading* ReadingOf(const ChartPass& pass, int row) {
  for (const ChartReading& reading : pass.readings) {
    if (reading.row == row) return &reading;
  }
  return nullptr;
}

}  // namespace

LogReader::LogReader(PassFeed& feed, LineReport report) : feed_(feed), report_(std::move(report)) {}

bool LogReader::HoldsEmptyField(QIODevice& device) {
  if (device.isSequential()) return false;
  const qint64 start = device.pos();
  QByteArray chunk(kChunkBytes, Qt::Uninitialized);
  char before = 0;
  bool found = false;
  for (qint64 size; !found && (size = device.read(chunk.data(), kChunkBytes)) > 0;) {
    const QByteArrayView bytes(chunk.constData(), size);
    for (qsizetype at = bytes.indexOf(','); at >= 0 && !found; at = bytes.indexOf(',', at + 1)) {
      const char next = at + 1 < size ? bytes[at + 1] : 0;
      found = next == ',' || next == '\r' || next == '\n';
    }
    found = found || (before == ',' && (bytes[0] == ',' || bytes[0] == '\r' || bytes[0] == '\n'));
    before = bytes.back();
  }
  device.seek(start);
  return found;
}

LogReader::Result LogReader::Read(QIODevice& device) {
  result_.emptyMarksFailure = HoldsEmptyField(device);
  QByteArray chunk(kChunkBytes, Qt::Uninitialized);
  QByteArray carry;  // the start of a line that goes on in the next chunk
  bool overlong = false;
  bool sniffed = false;
  for (;;) {
    const qint64 size = device.read(chunk.data(), kChunkBytes);
    if (size < 0) {
      result_.readError = device.errorString();
      return result_;
    }
    if (size == 0) break;
    const QByteArrayView bytes(chunk.constData(), size);
    if (!sniffed) {
      sniffed = true;
      if (HoldsBinary(bytes.first(std::min<qsizetype>(size, kSniffBytes)))) {
        result_.refusal = QStringLiteral("it holds binary data");
        return result_;
      }
    }
    for (qsizetype at = 0; at < size;) {
      const qsizetype end = bytes.indexOf('\n', at);
      const QByteArrayView piece = bytes.sliced(at, (end < 0 ? size : end) - at);
      if (!overlong && carry.size() + piece.size() <= kLongestLine + 1) {
        carry.append(piece);
      } else {
        overlong = true;
        carry.clear();
      }
      if (end < 0) break;
      std::optional<QString> refusal = HandleLine(carry, true, overlong);
      if (refusal) {
        result_.refusal = std::move(refusal);
        return result_;
      }
      carry.clear();
      overlong = false;
      at = end + 1;
    }
  }
  if (!carry.isEmpty() || overlong) {
    std::optional<QString> refusal = HandleLine(carry, false, overlong);
    if (refusal) {
      result_.refusal = std::move(refusal);
      return result_;
    }
  }
  if (pending_) {
    TakeGivenUpZeros(*pending_, nullptr);
    Feed(*pending_);
    pending_.reset();
  }
  if (!columns_ && anyLineSeen_) {
    result_.refusal =
        QStringLiteral("it has no header line (%1,...)").arg(LogFormatter::HeaderStart());
  }
  return result_;
}

std::optional<QString> LogReader::HandleLine(QByteArrayView bytes, bool ended, bool overlong) {
  ++lineNumber_;
  ++result_.lines;
  if (bytes.endsWith('\r')) bytes.chop(1);
  if (bytes.isEmpty() && !overlong) return std::nullopt;
  const bool first = !anyLineSeen_;
  anyLineSeen_ = true;
  if (overlong) {
    if (first) return QStringLiteral("its first line is longer than any line of a log");
    Problem(QStringLiteral("longer than any record; skipped"));
    return std::nullopt;
  }
  QString text = QString::fromLatin1(bytes);

  if (const std::optional<qsizetype> header = HeaderStartIn(text)) {
    if (*header > 0) {
      if (TimeStampAt(text.first(*header))) {
        HandleRecord(text, *header, true);
        Problem(QStringLiteral("a header begins after the record on this line"));
      } else {
        Problem(QStringLiteral("what comes before the header on this line is no record"));
      }
    }
    const QStringView headerText = QStringView(text).sliced(*header);
    const auto parsed = ParseHeaderLine(headerText);
    if (const QString* why = std::get_if<QString>(&parsed)) {
      if (first && headerText.contains(QLatin1Char(';'))) {
        return QStringLiteral(
            "its fields are parted by \";\" where a log has \",\": a spreadsheet saved it");
      }
      if (first) return QStringLiteral("its header line is not one Pelmor writes: %1").arg(*why);
      Problem(QStringLiteral("a header line that Pelmor does not write (%1); the records after "
                             "it are read by the header before")
                  .arg(*why));
      return std::nullopt;
    }
    if (columns_) {
      Problem(QStringLiteral("a second header line: the records after it follow its columns"));
    }
    columns_ = std::get<std::vector<HeaderColumn>>(parsed);
    return std::nullopt;
  }
  if (TimeStampAt(text)) {
    const qsizetype length = text.size();
    HandleRecord(std::move(text), length, ended);
    return std::nullopt;
  }
  if (first) {
    return QStringLiteral(
               "its first line is neither the log's header (%1,Register(unit),...) "
               "nor a record")
        .arg(LogFormatter::HeaderStart());
  }
  if (SpreadsheetStampAt(text)) {
    ++result_.spreadsheetStamps;
    Problem(QStringLiteral("its time stamp \"%1\" was rewritten, as a spreadsheet saves it; "
                           "a log's reads mm/dd/yyyy hh:mm:ss; skipped")
                .arg(text.section(QLatin1Char(','), 0, 0)));
    return std::nullopt;
  }
  Problem(
      QStringLiteral("not a record: it does not begin with a time stamp "
                     "(mm/dd/yyyy hh:mm:ss); skipped"));
  return std::nullopt;
}

void LogReader::HandleRecord(QString line, qsizetype length, bool ended) {
  if (!columns_) {
    Problem(QStringLiteral("a record before any header line: its columns are unknown; skipped"));
    return;
  }
  Record record{std::move(line), lineNumber_, {}};
  const QStringView text = QStringView(record.line).first(length);
  const LogTimeStamp stamp = *TimeStampAt(text);
  const std::pair separators{stamp.dateSeparator, stamp.timeSeparator};
  if (!separators_) {
    separators_ = separators;
  } else if (*separators_ != separators) {
    Problem(QStringLiteral("its time stamp has the separators %1 and %2 where the file's first "
                           "record has %3 and %4; read all the same")
                .arg(separators.first)
                .arg(separators.second)
                .arg(separators_->first)
                .arg(separators_->second));
  }

  RecordFields fields = AssignFields(text.sliced(kTimeStampLength), *columns_);
  if (fields.extraFields > 0) {
    Problem(QStringLiteral("%1 more fields than its header's columns take, so which is which "
                           "cannot be told; skipped")
                .arg(fields.extraFields));
    return;
  }
  if (!ended) {
    result_.stillOpen = true;
    return;
  }
  if (fields.openText) {
    Problem(QStringLiteral("a quoted text is not closed; the fields from it on are left out"));
  } else if (fields.values.size() < columns_->size()) {
    Problem(QStringLiteral("%1 of its header's %2 registers; the rest are missing")
                .arg(fields.values.size())
                .arg(columns_->size()));
  }

  record.pass.start = stamp.time;
  for (std::size_t i = 0; i < fields.values.size(); ++i) {
    const HeaderColumn& column = (*columns_)[i];
    if (column.kind != HeaderColumn::Kind::Word) continue;
    const QStringView value = fields.values[i];
    if (IsCharted(column.row) && !value.isEmpty() &&
        !AxisValue(ChartAxis::Count, value).has_value()) {
      Problem(QStringLiteral("%1 reads \"%2\", which is no number; left as a gap")
                  .arg(QLatin1String(ChartRegister(column.row).registerName), value));
    }
    record.pass.readings.push_back(
        {column.row, QString::fromRawData(value.data(), value.size()), value.isEmpty()});
  }
  if (pending_) {
    TakeGivenUpZeros(*pending_, &record);
    Feed(*pending_);
  }
  pending_ = std::move(record);
}

// Older logs wrote "0" for a register given up, as for a reading of 0. A 0
// where no pack that answers reads 0 can only be such a placeholder: the
// pack did not answer in that pass, and every 0 of the pass is taken for a
// register given up. Once a log has shown such placeholders, a 0 that stands
// alone between readings that are not 0 is taken for one too (a steady
// reading does not drop to 0 for one pass and come back). Until then a 0 is
// a reading, as a pulse test's rest is.
void LogReader::TakeGivenUpZeros(Record& record, const Record* next) {
  if (result_.emptyMarksFailure) return;
  const auto isZero = [](const ChartReading& r) { return r.text == QLatin1String("0"); };
  const bool unanswered =
      std::any_of(record.pass.readings.begin(), record.pass.readings.end(),
                  [&](const ChartReading& r) { return isZero(r) && NeverReadsZero(r.row); });
  result_.zeroPlaceholdersSeen = result_.zeroPlaceholdersSeen || unanswered;
  for (ChartReading& reading : record.pass.readings) {
    if (!isZero(reading) || !IsCharted(reading.row)) continue;
    const ChartReading* after = next ? ReadingOf(next->pass, reading.row) : nullptr;
    const bool alone = lastReadNonZero_[reading.row] && after && ReadsNonZero(after->text);
    if (unanswered || alone) ++result_.ambiguousZeros;
    reading.givenUp = unanswered || (result_.zeroPlaceholdersSeen && alone);
    if (reading.givenUp) ++result_.zerosTakenForFailures;
  }
  for (const ChartReading& reading : record.pass.readings) {
    if (reading.givenUp || !AxisValue(ChartAxis::Count, reading.text)) continue;
    lastReadNonZero_[reading.row] = ReadsNonZero(reading.text);
  }
}

void LogReader::Feed(Record& record) {
  feed_.AddPass(record.pass);
  ++result_.records;
}

void LogReader::Problem(const QString& text) {
  report_(lineNumber_, text);
  if (lastProblemLine_ != lineNumber_) {
    lastProblemLine_ = lineNumber_;
    ++result_.problemLines;
  }
}
