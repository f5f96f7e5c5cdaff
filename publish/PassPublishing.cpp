#include "publish/PassPublishing.h"

PassMessage MessageOf(const QDateTime& start, const std::vector<RowRecord>& rows,
                      const RegisterCatalogue& catalogue, const PassPlace& place) {
  PassMessage message{PassJson(start, rows, catalogue), {}};
  message.pass.insert(QStringLiteral("station"), place.station);
  message.pass.insert(QStringLiteral("port"), place.port);
  message.pass.insert(QStringLiteral("address"), place.address);
  for (const RowRecord& row : rows) {
    if (!row.ok) continue;
    message.latest.emplace_back(catalogue.RegisterName(row.row),
                                RowJson(row, catalogue).value(QStringLiteral("value")));
  }
  return message;
}

ScanPublishing::ScanPublishing(Publisher& publisher, const RegisterCatalogue& catalogue,
                               std::function<PassPlace()> place)
    : PassRecorder(catalogue),
      publisher_(publisher),
      catalogue_(catalogue),
      place_(std::move(place)) {}

void ScanPublishing::PassStarted(const QDateTime&) {
  Clear();
  reading_ = false;
}

void ScanPublishing::TransactionIssued(const RowTransaction& transaction) {
  reading_ = transaction.read;
}

// A write pass is no reading to publish.
void ScanPublishing::PassEnded(const QDateTime& start) {
  const std::vector<RowRecord> rows = Rows();
  if (rows.empty() || !reading_) return;
  const PassMessage message = MessageOf(start, rows, catalogue_, place_());
  publisher_.PublishPass(message.pass, message.latest);
  Clear();
}
