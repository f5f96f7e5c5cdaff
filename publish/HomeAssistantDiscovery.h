#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <vector>

// Home Assistant's MQTT discovery: one sensor for each register a pass read
// as a number or text, grouped under one device for the station and its
// pack, reading the register's retained state and available while the
// station's status says "online".
struct DiscoveryMessage {
  QByteArray topic;  // homeassistant/sensor/<node>/<register>/config
  QJsonObject config;
};

struct DiscoverySource {
  QString station;
  QString stationTopic;  // <prefix>/<station>: where its status and registers are
  QJsonObject pack;      // maker, device, serial, as the pass gives them; may be empty
  QJsonArray registers;  // as the pass gives them
};

std::vector<DiscoveryMessage> DiscoveryMessages(const DiscoverySource& source);
