#include "scan/PassRecorder.h"

#include <QJsonArray>

std::vector<RowRecord> PassRecorder::Rows(const std::vector<int>& rows) const {
  std::vector<RowRecord> records;
  for (const int row : rows) {
    const auto found = rows_.find(row);
    records.push_back(found != rows_.end() ? found->second : NotReached(row));
  }
  return records;
}

std::vector<RowRecord> PassRecorder::Rows() const {
  std::vector<RowRecord> records;
  for (const auto& [row, record] : rows_) records.push_back(record);
  return records;
}

RowRecord PassRecorder::NotReached(int row) {
  RowRecord record;
  record.row = row;
  return record;
}

RowRecord PassRecorder::Reached(int row, bool ok) const {
  RowRecord record = NotReached(row);
  record.text = catalogue_.DataText(row);
  record.ok = ok;
  record.reached = true;
  return record;
}

void PassRecorder::RowRead(const RowReading& reading) {
  RowRecord& record = rows_[reading.row] = Reached(reading.row, reading.fit == ReplyFit::Complete);
  record.replied = true;
  record.fit = reading.fit;
  record.reply = reading.reply;
  record.length = reading.length;
}

void PassRecorder::RowWritten(int row) {
  rows_[row] = Reached(row, true);
}

void PassRecorder::RowFailed(const RowFailure& failure) {
  if (!failure.givenUp) return;
  RowRecord& record = rows_[failure.row] = Reached(failure.row, false);
  record.fault = failure.fault;
}

QJsonObject PassJson(const QDateTime& start, const std::vector<RowRecord>& rows,
                     const RegisterCatalogue& catalogue) {
  QJsonArray registers;
  for (const RowRecord& row : rows) registers.append(RowJson(row, catalogue));
  return {{QStringLiteral("start"), start.toString(Qt::ISODateWithMs)},
          {QStringLiteral("registers"), registers}};
}
