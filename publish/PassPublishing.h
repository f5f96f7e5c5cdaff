#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

#include "publish/Publisher.h"
#include "scan/PassRecorder.h"

// Where a pass was read: the bench's station, the adapter's port and the
// battery's address byte, as the broker's subscribers see them.
struct PassPlace {
  QString station;
  int port = 0;
  QString address;
};

// A pass as it goes to the broker: the object `pelmor read --format json`
// prints with the place added, and each register read with its value.
struct PassMessage {
  QJsonObject pass;
  std::vector<std::pair<QString, QJsonValue>> latest;
};
PassMessage MessageOf(const QDateTime& start, const std::vector<RowRecord>& rows,
                      const RegisterCatalogue& catalogue, const PassPlace& place);

// Publishes every read pass of a running scan as it ends, from its typed
// events; the place is asked for as each pass ends, so that it names the port
// and the address selected at that moment.
class ScanPublishing : public PassRecorder {
 public:
  ScanPublishing(Publisher& publisher, const RegisterCatalogue& catalogue,
                 std::function<PassPlace()> place);

  void PassStarted(const QDateTime& start) override;
  void TransactionIssued(const RowTransaction& transaction) override;
  void PassEnded(const QDateTime& start) override;

 private:
  Publisher& publisher_;
  const RegisterCatalogue& catalogue_;
  const std::function<PassPlace()> place_;
  bool reading_ = false;  // the pass reads, rather than writes
};
