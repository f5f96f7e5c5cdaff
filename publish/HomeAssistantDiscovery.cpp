#include "publish/HomeAssistantDiscovery.h"

#include <QRegularExpression>

namespace {

const QString kDiscoveryPrefix = QStringLiteral("homeassistant");

// The sensor classes whose units the registers carry.
struct SensorKind {
  const char* unit;
  const char* deviceClass;  // none for a unit without a class (Ah)
};
constexpr SensorKind kSensorKinds[] = {
    {"V", "voltage"}, {"A", "current"},    {"\u00B0C", "temperature"},
    {"%", "battery"}, {"min", "duration"}, {"Wh", "energy_storage"},
    {"W", "power"},   {"Ah", nullptr},
};

// Home Assistant's ids take letters, digits, _ and - only.
QString IdPart(const QString& text) {
  static const QRegularExpression others(QStringLiteral("[^A-Za-z0-9_-]+"));
  return QString(text).replace(others, QStringLiteral("_"));
}

QString PackText(const QJsonObject& pack, const QString& key) {
  const QJsonValue value = pack.value(key);
  return value.isDouble() ? QString::number(value.toInteger()) : value.toString();
}

QJsonObject Device(const DiscoverySource& source, const QString& deviceId) {
  const QString model = PackText(source.pack, QStringLiteral("device"));
  const QString serial = PackText(source.pack, QStringLiteral("serial"));
  QJsonObject device{
      {QStringLiteral("identifiers"), QJsonArray{deviceId}},
      {QStringLiteral("name"),
       model.isEmpty() ? source.station : QStringLiteral("%1 %2").arg(source.station, model)},
      {QStringLiteral("sw_version"), QStringLiteral("pelmor " PELMOR_VERSION)}};
  if (const QString maker = PackText(source.pack, QStringLiteral("maker")); !maker.isEmpty()) {
    device[QStringLiteral("manufacturer")] = maker;
  }
  if (!model.isEmpty()) device[QStringLiteral("model")] = model;
  if (!serial.isEmpty()) device[QStringLiteral("serial_number")] = serial;
  return device;
}

}  // namespace

std::vector<DiscoveryMessage> DiscoveryMessages(const DiscoverySource& source) {
  const QString node = QStringLiteral("pelmor_") + IdPart(source.station);
  QString deviceId = node;
  for (const QString& key :
       {QStringLiteral("maker"), QStringLiteral("device"), QStringLiteral("serial")}) {
    if (source.pack.contains(key)) deviceId += '_' + IdPart(PackText(source.pack, key));
  }
  const QJsonObject device = Device(source, deviceId);
  std::vector<DiscoveryMessage> messages;
  for (const QJsonValue& entry : source.registers) {
    const QJsonObject row = entry.toObject();
    const QString name = row.value(QStringLiteral("name")).toString();
    const bool number = row.contains(QStringLiteral("value"));
    if (!number && !row.contains(QStringLiteral("text"))) continue;
    const QString key = number ? QStringLiteral("value") : QStringLiteral("text");
    QJsonObject config{
        {QStringLiteral("name"), name},
        {QStringLiteral("unique_id"), deviceId + '_' + IdPart(name)},
        {QStringLiteral("state_topic"), source.stationTopic + '/' + name},
        {QStringLiteral("value_template"),
         QStringLiteral("{{ value_json.%1 if value_json.ok else none }}").arg(key)},
        {QStringLiteral("availability_topic"), source.stationTopic + QStringLiteral("/status")},
        {QStringLiteral("payload_available"), QStringLiteral("online")},
        {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
        {QStringLiteral("device"), device}};
    const QString unit = row.value(QStringLiteral("unit")).toString();
    if (!unit.isEmpty()) {
      config[QStringLiteral("unit_of_measurement")] = unit;
      config[QStringLiteral("state_class")] = QStringLiteral("measurement");
      // A percentage is a battery's charge only for the states of charge.
      const bool charge =
          unit != QLatin1String("%") || name.endsWith(QLatin1String("StateOfCharge"));
      for (const SensorKind& kind : kSensorKinds) {
        if (charge && unit == QString::fromUtf8(kind.unit) && kind.deviceClass) {
          config[QStringLiteral("device_class")] = QString::fromLatin1(kind.deviceClass);
        }
      }
    } else if (name == QLatin1String("CycleCount")) {
      config[QStringLiteral("state_class")] = QStringLiteral("total_increasing");
    }
    messages.push_back({QStringLiteral("%1/sensor/%2/%3/config")
                            .arg(kDiscoveryPrefix, node, IdPart(name))
                            .toUtf8(),
                        config});
  }
  return messages;
}
