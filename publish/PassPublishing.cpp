#include "PassPublishing.h"

#include "AddressList.h"
#include "LinkControl.h"

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
                               const LinkSettings& settings, QString station)
    : PassRecorder(catalogue),
      publisher_(publisher),
      catalogue_(catalogue),
      settings_(settings),
      station_(std::move(station)) {}

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
  const std::optional<QString> port = settings_.SelectedComPortEntry();
  const std::optional<int> address = settings_.SelectedAddressEntry();
  const PassMessage message = MessageOf(start, rows, catalogue_,
                                        {station_, port ? LinkControl::ComPortNumber(*port) : 0,
                                         address ? address_list::EntryText(*address) : QString()});
  publisher_.PublishPass(message.pass, message.latest);
  Clear();
}
