#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

#include "publish/Publisher.h"
#include "publish/RegisterValues.h"
#include "scan/PassRecorder.h"

// The adapter a pass was read through, as the port list knows it.
struct AdapterIdentity {
  QString kind;    // "USB", "emulated rig", ...
  QString device;  // "/dev/i2c-7", "COM1"
  QString name;    // as its driver names it
  int bus = -1;    // N of /dev/i2c-N; -1 where there is none
};

// The identity of an adapter the port list shows as `device` (a bus number
// read from "/dev/i2c-N").
AdapterIdentity AdapterIdentityOf(const QString& kind, const QString& device, const QString& name);

// Where a pass was read: the bench's station, the adapter's port and the
// battery's address byte, as the broker's subscribers see them.
struct PassPlace {
  QString station;
  int port = 0;
  QString address;
  AdapterIdentity adapter;
};

// A pass as it goes to the broker (version 2 of the message), and each
// register's retained state.
struct PassMessage {
  QJsonObject pass;
  std::vector<std::pair<QString, QJsonObject>> latest;
};

// Makes passes into messages. It remembers what a pass read of the pack
// (its identity, and BatteryMode's capacity mode, which decides whether a
// capacity is in Ah or Wh) for the passes that do not read it, until a pass
// has a row that fails: the pack may have been changed.
class PassComposer {
 public:
  explicit PassComposer(const RegisterCatalogue& catalogue) : catalogue_(catalogue) {}

  PassMessage Compose(const QDateTime& start, const std::vector<RowRecord>& rows,
                      const PassPlace& place);

 private:
  void Remember(const std::vector<RowRecord>& rows);

  const RegisterCatalogue& catalogue_;
  CapacityUnits capacityUnits_ = CapacityUnits::Unknown;
  QJsonObject pack_;
};

// Publishes passes as they are read, through a composer of its own.
class PassPublishing {
 public:
  PassPublishing(Publisher& publisher, const RegisterCatalogue& catalogue)
      : publisher_(publisher), composer_(catalogue) {}

  void Publish(const QDateTime& start, const std::vector<RowRecord>& rows, const PassPlace& place);

 private:
  void Announce(const QJsonObject& pass);

  Publisher& publisher_;
  PassComposer composer_;
  QByteArray announced_;  // the discovery last announced
};

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
  PassPublishing publishing_;
  const std::function<PassPlace()> place_;
  bool reading_ = false;  // the pass reads, rather than writes
};
