#pragma once

#include <QString>

#include "battery/RegisterTable.h"
#include "battery/ValueCodec.h"
#include "emulator/SmartBattery.h"

// The text a row shows once read from a battery answering with marker values:
// unique to each register, so a value in the wrong row shows up.
inline QString MarkerText(int row) {
  const RegisterDefinition& def = RegisterTable()[row];
  if (def.commandCode == 0x23) return QStringLiteral("52,32,33");
  if (def.commandCode >= 0x20) {
    return QStringLiteral("\"R%1\"").arg(def.commandCode, 2, 16).toUpper();
  }
  ReplyBuffer reply{};
  reply[0] = SmartBattery::MarkerWord(def.commandCode) & 0xFF;
  reply[1] = SmartBattery::MarkerWord(def.commandCode) >> 8;
  return DecodeReply(QString::fromLatin1(def.unitClass), reply);
}
