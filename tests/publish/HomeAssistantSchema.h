// What Home Assistant's documentation asks of an MQTT discovery message for a
// sensor ("MQTT Discovery" and "MQTT Sensor" in its integration docs, and the
// sensor device classes of "Sensor"), as tables: the topic's form, the keys
// that must be there, the keys it knows, and the units each device class takes.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>
#include <map>

// <discovery_prefix>/<component>/[<node_id>/]<object_id>/config, ids of
// letters, digits, _ and -.
inline const QRegularExpression kDiscoveryTopic(
    "^homeassistant/sensor/([a-zA-Z0-9_-]+/)?[a-zA-Z0-9_-]+/config$");

// A sensor needs its state topic; one tied to a device needs a unique id.
inline const QStringList kRequiredSensorKeys{"state_topic", "unique_id", "device"};

inline const QStringList kKnownSensorKeys{"availability",
                                          "availability_mode",
                                          "availability_template",
                                          "availability_topic",
                                          "device",
                                          "device_class",
                                          "enabled_by_default",
                                          "encoding",
                                          "entity_category",
                                          "expire_after",
                                          "force_update",
                                          "icon",
                                          "json_attributes_template",
                                          "json_attributes_topic",
                                          "last_reset_value_template",
                                          "name",
                                          "object_id",
                                          "payload_available",
                                          "payload_not_available",
                                          "platform",
                                          "qos",
                                          "state_class",
                                          "state_topic",
                                          "suggested_display_precision",
                                          "unique_id",
                                          "unit_of_measurement",
                                          "value_template"};

inline const QStringList kKnownDeviceKeys{"configuration_url", "connections",  "hw_version",
                                          "identifiers",       "manufacturer", "model",
                                          "model_id",          "name",         "serial_number",
                                          "suggested_area",    "sw_version",   "via_device"};

inline const QStringList kStateClasses{"measurement", "total", "total_increasing"};

// The device classes these sensors can carry, with the units each accepts.
inline const std::map<QString, QStringList> kDeviceClassUnits{
    {"voltage", {"V", "mV", "µV", "kV", "MV"}},
    {"current", {"A", "mA"}},
    {"temperature", {"°C", "°F", "K"}},
    {"battery", {"%"}},
    {"duration", {"d", "h", "min", "s", "ms"}},
    {"power", {"W", "kW", "MW", "GW", "TW", "mW"}},
    {"energy_storage", {"Wh", "kWh", "MWh", "GWh", "TWh", "mWh", "J", "kJ", "MJ", "GJ"}},
};

// What the message does wrong, one line each; empty when nothing.
inline QStringList HomeAssistantSensorFaults(const QString& topic, const QJsonObject& config) {
  QStringList faults;
  if (!kDiscoveryTopic.match(topic).hasMatch()) faults << "topic " + topic;
  for (const QString& key : kRequiredSensorKeys) {
    if (!config.contains(key)) faults << "no " + key;
  }
  for (auto it = config.begin(); it != config.end(); ++it) {
    if (!kKnownSensorKeys.contains(it.key())) faults << "unknown key " + it.key();
  }
  const QJsonObject device = config["device"].toObject();
  for (auto it = device.begin(); it != device.end(); ++it) {
    if (!kKnownDeviceKeys.contains(it.key())) faults << "unknown device key " + it.key();
  }
  const QJsonArray identifiers = device["identifiers"].toArray();
  if (identifiers.isEmpty() || !identifiers[0].isString()) faults << "device without identifiers";
  for (const QString key : {"state_topic", "availability_topic", "value_template", "name"}) {
    if (config.contains(key) && !config[key].isString()) faults << key + " not a string";
  }
  if (config.contains("state_class") && !kStateClasses.contains(config["state_class"].toString())) {
    faults << "state_class " + config["state_class"].toString();
  }
  if (config.contains("device_class")) {
    const auto units = kDeviceClassUnits.find(config["device_class"].toString());
    if (units == kDeviceClassUnits.end()) {
      faults << "device_class " + config["device_class"].toString();
    } else if (!units->second.contains(config["unit_of_measurement"].toString())) {
      faults << "unit " + config["unit_of_measurement"].toString() + " for " + units->first;
    }
  }
  return faults;
}
