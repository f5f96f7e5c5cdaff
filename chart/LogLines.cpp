#include "chart/LogLines.h"

#include <algorithm>
#include <map>

#include "battery/UnitClass.h"
#include "chart/ChartRegisters.h"
#include "log/LogFormatter.h"

namespace {

int TwoDigits(QStringView text, qsizetype at) {
  const QChar tens = text[at];
  const QChar ones = text[at + 1];
  if (!tens.isDigit() || !ones.isDigit() || tens.unicode() > '9' || ones.unicode() > '9') {
    return -1;
  }
  return (tens.unicode() - '0') * 10 + (ones.unicode() - '0');
}

bool IsSeparator(QChar c) {
  return !c.isDigit() && c != QLatin1Char(',') && !c.isSpace();
}

// Each header column as the log's formatter writes it, ",Voltage(mv)", and its row.
const std::map<QString, int>& ColumnRows() {
  static const std::map<QString, int> rows = [] {
    std::map<QString, int> byText;
    for (int row = 0; row < kChartRowCount; ++row) {
      if (!IsChartRow(row)) continue;
      const RegisterDefinition& def = ChartRegister(row);
      byText[LogFormatter::HeaderColumn(
          {QString::fromLatin1(def.registerName), QString::fromLatin1(def.unitClass)})] = row;
    }
    return byText;
  }();
  return rows;
}

HeaderColumn::Kind KindOf(int row) {
  const QLatin1String unitClass(ChartRegister(row).unitClass);
  if (unitClass == unit_class::kString) return HeaderColumn::Kind::Text;
  if (unitClass == unit_class::kBlock) return HeaderColumn::Kind::Block;
  return HeaderColumn::Kind::Word;
}

}  // namespace

std::optional<LogTimeStamp> TimeStampAt(QStringView text) {
  if (text.size() < kTimeStampLength) return std::nullopt;
  if (text.size() > kTimeStampLength && text[kTimeStampLength] != QLatin1Char(',')) {
    return std::nullopt;
  }
  const QChar dateSeparator = text[2];
  const QChar timeSeparator = text[13];
  if (!IsSeparator(dateSeparator) || text[5] != dateSeparator || text[10] != QLatin1Char(' ') ||
      !IsSeparator(timeSeparator) || text[16] != timeSeparator) {
    return std::nullopt;
  }
  const int month = TwoDigits(text, 0);
  const int day = TwoDigits(text, 3);
  const int century = TwoDigits(text, 6);
  const int yearInCentury = TwoDigits(text, 8);
  const int hour = TwoDigits(text, 11);
  const int minute = TwoDigits(text, 14);
  const int second = TwoDigits(text, 17);
  if (month < 0 || day < 0 || century < 0 || yearInCentury < 0 || hour < 0 || minute < 0 ||
      second < 0) {
    return std::nullopt;
  }
  const QDate date(century * 100 + yearInCentury, month, day);
  const QTime clock(hour, minute, second);
  if (!date.isValid() || !clock.isValid()) return std::nullopt;
  return LogTimeStamp{QDateTime(date, clock, Qt::UTC), dateSeparator, timeSeparator};
}

std::optional<qsizetype> HeaderStartIn(QStringView line) {
  const qsizetype at = line.indexOf(LogFormatter::HeaderStart());
  if (at < 0) return std::nullopt;
  return at;
}

std::variant<std::vector<HeaderColumn>, QString> ParseHeaderLine(QStringView line) {
  const QString start = LogFormatter::HeaderStart();
  if (!line.startsWith(start)) {
    return QStringLiteral("it does not begin with \"%1\"").arg(start);
  }
  std::vector<HeaderColumn> columns;
  QStringView rest = line.sliced(start.size());
  if (rest.isEmpty()) return QStringLiteral("it names no register");
  while (!rest.isEmpty()) {
    qsizetype end = rest.indexOf(LogFormatter::FieldSeparator(), 1);
    if (end < 0) end = rest.size();
    const QStringView column = rest.first(end);
    const auto row = ColumnRows().find(column.toString());
    if (row == ColumnRows().end()) {
      return QStringLiteral(
                 "its column %1 \"%2\" is not a register and its unit, as in "
                 "Voltage(mv)")
          .arg(columns.size() + 2)
          .arg(column.sliced(1));
    }
    // The window's registers come in its table's order, the command line's
    // others after them, each once.
    const bool outOfOrder =
        !columns.empty() &&
        (row->second < kRegisterRowCount
             ? row->second <= columns.back().row
             : std::any_of(columns.begin(), columns.end(),
                           [&](const HeaderColumn& c) { return c.row == row->second; }));
    if (outOfOrder) {
      return QStringLiteral("its columns are not in the register table's order");
    }
    columns.push_back({row->second, KindOf(row->second)});
    rest = rest.sliced(end);
  }
  return columns;
}

RecordFields AssignFields(QStringView fields, const std::vector<HeaderColumn>& columns) {
  std::vector<QStringView> split;
  for (qsizetype at = 0; at < fields.size();) {
    qsizetype next = fields.indexOf(QLatin1Char(','), at + 1);
    if (next < 0) next = fields.size();
    split.push_back(fields.sliced(at + 1, next - at - 1));
    at = next;
  }

  RecordFields result;
  std::size_t next = 0;
  for (const HeaderColumn& column : columns) {
    if (next >= split.size()) break;
    switch (column.kind) {
      case HeaderColumn::Kind::Word:
        result.values.push_back(split[next++]);
        break;
      case HeaderColumn::Kind::Text: {
        // A text in quotes may hold commas, and quotes doubled: it runs to the
        // field that ends in a quote of its own, after any doubled ones.
        const QStringView first = split[next];
        std::size_t last = next;
        if (first.startsWith(QLatin1Char('"'))) {
          const auto closes = [](QStringView field, bool opening) {
            if (opening) field = field.sliced(1);
            qsizetype quotes = 0;
            while (quotes < field.size() && field[field.size() - 1 - quotes] == QLatin1Char('"')) {
              ++quotes;
            }
            return quotes % 2 == 1;
          };
          while (last < split.size() && !closes(split[last], last == next)) ++last;
          if (last == split.size()) {
            result.openText = true;
            next = split.size();
            return result;
          }
        }
        const QChar* begin = first.data();
        const QChar* end = split[last].data() + split[last].size();
        result.values.push_back(QStringView(begin, end));
        next = last + 1;
        break;
      }
      case HeaderColumn::Kind::Block: {
        const QChar* begin = split[next].data();
        result.values.push_back(QStringView(begin, fields.data() + fields.size()));
        next = split.size();
        break;
      }
    }
  }
  result.extraFields = static_cast<int>(split.size() - next);
  return result;
}
