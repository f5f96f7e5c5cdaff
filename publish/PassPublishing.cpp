#include "publish/PassPublishing.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "battery/ValueCodec.h"
#include "publish/HomeAssistantDiscovery.h"

namespace {

const QString kPackKeys[][2] = {{QStringLiteral("ManufacturerName"), QStringLiteral("maker")},
                                {QStringLiteral("DeviceName"), QStringLiteral("device")},
                                {QStringLiteral("SerialNumber"), QStringLiteral("serial")}};

QJsonObject AdapterJson(const AdapterIdentity& adapter) {
  QJsonObject object;
  if (!adapter.kind.isEmpty()) object[QStringLiteral("kind")] = adapter.kind;
  if (!adapter.device.isEmpty()) object[QStringLiteral("device")] = adapter.device;
  if (!adapter.name.isEmpty()) object[QStringLiteral("name")] = adapter.name;
  if (adapter.bus >= 0) object[QStringLiteral("bus")] = adapter.bus;
  return object;
}

}  // namespace

AdapterIdentity AdapterIdentityOf(const QString& kind, const QString& device, const QString& name) {
  const QString busPrefix = QStringLiteral("/dev/i2c-");
  bool numbered = false;
  const int bus = device.startsWith(busPrefix) ? device.mid(busPrefix.size()).toInt(&numbered) : 0;
  return {kind, device, name, numbered ? bus : -1};
}

void PassComposer::Remember(const std::vector<RowRecord>& rows) {
  for (const RowRecord& row : rows) {
    if (!row.ok) {
      capacityUnits_ = CapacityUnits::Unknown;
      pack_ = {};
      break;
    }
  }
  for (const RowRecord& row : rows) {
    if (!row.ok) continue;
    const QString name = catalogue_.RegisterName(row.row);
    const std::optional<int> number = ReplyNumber(catalogue_.UnitClass(row.row), row.reply);
    if (name == QLatin1String("BatteryMode") && number) capacityUnits_ = CapacityUnitsOf(*number);
    for (const auto& [registerName, key] : kPackKeys) {
      if (name != registerName) continue;
      pack_[key] = number ? QJsonValue(*number) : QJsonValue(ReplyString(row.reply));
    }
  }
}

PassMessage PassComposer::Compose(const QDateTime& start, const std::vector<RowRecord>& rows,
                                  const PassPlace& place) {
  Remember(rows);
  PassMessage message;
  QJsonArray registers;
  for (const RowRecord& row : rows) {
    const QJsonObject json = RegisterJson(row, catalogue_, capacityUnits_);
    registers.append(json);
    message.latest.emplace_back(json[QStringLiteral("name")].toString(),
                                RegisterState(json, start));
  }
  message.pass = {{QStringLiteral("v"), 2},
                  {QStringLiteral("station"), place.station},
                  {QStringLiteral("start"), Rfc3339(start)},
                  {QStringLiteral("ts"), start.toMSecsSinceEpoch()},
                  {QStringLiteral("port"), place.port},
                  {QStringLiteral("address"), place.address},
                  {QStringLiteral("adapter"), AdapterJson(place.adapter)},
                  {QStringLiteral("registers"), registers}};
  if (!pack_.isEmpty()) message.pass[QStringLiteral("pack")] = pack_;
  return message;
}

void PassPublishing::Publish(const QDateTime& start, const std::vector<RowRecord>& rows,
                             const PassPlace& place) {
  PassMessage message = composer_.Compose(start, rows, place);
  if (publisher_.Settings().discovery) Announce(message.pass);
  publisher_.PublishPass(std::move(message.pass), message.latest);
}

// Told again only when the registers read or the pack change.
void PassPublishing::Announce(const QJsonObject& pass) {
  const QString station = pass[QStringLiteral("station")].toString();
  const std::vector<DiscoveryMessage> messages = DiscoveryMessages(
      {station, publisher_.StationTopic(), pass[QStringLiteral("pack")].toObject(),
       pass[QStringLiteral("registers")].toArray()});
  QByteArray all;
  for (const DiscoveryMessage& message : messages) {
    all += message.topic + QJsonDocument(message.config).toJson(QJsonDocument::Compact);
  }
  if (all == announced_) return;
  announced_ = all;
  for (const DiscoveryMessage& message : messages) {
    publisher_.Announce(message.topic,
                        QJsonDocument(message.config).toJson(QJsonDocument::Compact));
  }
}

ScanPublishing::ScanPublishing(Publisher& publisher, const RegisterCatalogue& catalogue,
                               std::function<PassPlace()> place)
    : PassRecorder(catalogue), publishing_(publisher, catalogue), place_(std::move(place)) {}

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
  publishing_.Publish(start, rows, place_());
  Clear();
}
