// docs/telegraf-pelmor.conf read with json_v2's documented rules (Telegraf
// itself is not in Debian 12), applied to passes a bench published to a real
// broker: each field found by its register's name, numbers where the store
// wants numbers, a failed register left out rather than failing the point.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <map>

#include "tests/publish/BrokerRig.h"
#include "tests/support/TestProcessEnvironment.h"

namespace {

// One [[...json_v2.tag]] or [[...json_v2.field]] table: path, rename, type, optional.
struct Query {
  bool tag = false;
  std::map<QString, QString> keys;
};

struct Json2Block {
  std::map<QString, QString> keys;  // measurement_name, timestamp_path, ...
  std::vector<Query> queries;
};

// The TOML the example uses: tables, and key = "text" | 'text' | word.
Json2Block ReadExample(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  static const QRegularExpression assignment(
      R"re(^\s*(\w+)\s*=\s*(?:"([^"]*)"|'([^']*)'|(\S+))\s*$)re");
  Json2Block block;
  std::map<QString, QString>* table = nullptr;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith("[[")) {
      const bool tag = trimmed.endsWith("json_v2.tag]]");
      if (tag || trimmed.endsWith("json_v2.field]]")) {
        block.queries.push_back({tag, {}});
        table = &block.queries.back().keys;
      } else {
        table = trimmed.endsWith("json_v2]]") ? &block.keys : nullptr;
      }
      continue;
    }
    const QRegularExpressionMatch match = assignment.match(line);
    if (table && match.hasMatch()) {
      (*table)[match.captured(1)] = match.captured(2) + match.captured(3) + match.captured(4);
    }
  }
  return block;
}

// GJSON as the example uses it: a key, or array.#(key=="text").key, the
// first element that matches.
QJsonValue Find(const QJsonObject& object, const QString& path) {
  static const QRegularExpression query(R"raw(^(\w+)\.#\((\w+)=="([^"]*)"\)\.(\w+)$)raw");
  const QRegularExpressionMatch match = query.match(path);
  if (!match.hasMatch()) return object.value(path);
  for (const QJsonValue& element : object.value(match.captured(1)).toArray()) {
    if (element[match.captured(2)].toString() == match.captured(3)) {
      return element[match.captured(4)];
    }
  }
  return QJsonValue::Undefined;
}

// The register's value, looked for in a loop rather than by json_v2's rules.
QJsonValue Register(const QJsonObject& pass, const QString& name, const QString& key = "value") {
  for (const QJsonValue& row : pass["registers"].toArray()) {
    if (row["name"] == name) return row[key];
  }
  return QJsonValue::Undefined;
}

struct Metric {
  QString name;
  qint64 time = 0;
  std::map<QString, QString> tags;
  std::map<QString, QJsonValue> fields;
  QStringList errors;  // what makes Telegraf refuse the message
};

Metric Parse(const Json2Block& block, const QJsonObject& message) {
  Metric metric{block.keys.at("measurement_name"), 0, {}, {}, {}};
  EXPECT_EQ(block.keys.at("timestamp_format"), "unix_ms");
  metric.time = Find(message, block.keys.at("timestamp_path")).toInteger();
  for (const Query& query : block.queries) {
    const QString path = query.keys.at("path");
    const QString name = query.keys.count("rename") ? query.keys.at("rename") : path;
    const QJsonValue value = Find(message, path);
    if (value.isUndefined() || value.isNull()) {
      if (!query.keys.count("optional") || query.keys.at("optional") != "true") {
        metric.errors << "no " + path;
      }
      continue;
    }
    if (query.tag) {
      metric.tags[name] = value.toString();
      continue;
    }
    const QString type = query.keys.at("type");
    const bool number = type == "float" || type == "int" || type == "uint";
    if (number != value.isDouble()) metric.errors << name + " is no " + type;
    metric.fields[name] = value;
  }
  return metric;
}

}  // namespace

TEST(TelegrafExample, FieldsAreFoundByRegisterNameAndFailedRegistersLeftOut) {
  const Json2Block example = ReadExample(PELMOR_DOCS "/telegraf-pelmor.conf");
  const TestBroker broker;
  TestSubscriber subscriber(broker.Port(), "lab/+/pass");
  // Two benches that read different registers, in a different order.
  const std::map<QString, QStringList> benches{
      {"a", {"Voltage", "Current", "Temperature", "RelStateOfCharge"}},
      {"b", {"BatteryMode", "RemainingCapacity", "Temperature", "Voltage"}}};
  for (const auto& [station, registers] : benches) {
    const PelmorRun bench =
        RunPelmorToEnd(QStringList{"read", "--emulated", "--station", station, "--mqtt",
                                   QStringLiteral("mqtt://127.0.0.1:%1/lab").arg(broker.Port())} +
                       registers);
    ASSERT_EQ(bench.status, 0) << bench.err.toStdString();
  }
  ASSERT_TRUE(WaitFor([&] {
    return subscriber.Passes("lab/a/pass").size() == 1 &&
           subscriber.Passes("lab/b/pass").size() == 1;
  }));
  const QJsonObject first = subscriber.Passes("lab/a/pass").front();
  const QJsonObject second = subscriber.Passes("lab/b/pass").front();
  const Metric metric = Parse(example, first);
  EXPECT_EQ(metric.errors, QStringList());
  EXPECT_EQ(metric.name, "pelmor");
  EXPECT_EQ(metric.time, first["ts"].toInteger());
  EXPECT_EQ(metric.tags.at("station"), "a");
  EXPECT_EQ(metric.fields.at("Voltage"), Register(first, "Voltage"));
  EXPECT_EQ(metric.fields.at("Current"), Register(first, "Current"));
  EXPECT_EQ(metric.fields.at("seq").toInt(), 1);
  EXPECT_EQ(metric.fields.count("RemainingCapacity"), 0u);
  const Metric other = Parse(example, second);
  EXPECT_EQ(other.errors, QStringList());
  EXPECT_EQ(other.fields.at("Voltage"), Register(second, "Voltage"));
  EXPECT_EQ(other.fields.at("RemainingCapacity"), Register(second, "RemainingCapacity"));
  EXPECT_EQ(other.fields.at("RemainingCapacityUnit"),
            Register(second, "RemainingCapacity", "unit"));

  QJsonObject failed = first;
  QJsonArray registers = failed["registers"].toArray();
  for (QJsonValueRef row : registers) {
    if (row.toObject()["name"] == "Voltage") {
      row = QJsonObject{{"name", "Voltage"}, {"class", "mv"}, {"ok", false}, {"fault", "NACK"}};
    }
  }
  failed["registers"] = registers;
  const Metric withFailure = Parse(example, failed);
  EXPECT_EQ(withFailure.errors, QStringList());
  EXPECT_EQ(withFailure.fields.count("Voltage"), 0u);
  EXPECT_EQ(withFailure.fields.count("Current"), 1u);
}
