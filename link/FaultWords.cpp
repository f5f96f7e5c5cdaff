#include "link/FaultWords.h"

QString FaultWord(RowFault fault) {
  switch (fault) {
    case RowFault::BusError:
      return QStringLiteral("BUSERR");
    case RowFault::NoAcknowledge:
      return QStringLiteral("NACK");
    case RowFault::ArbitrationLoss:
      return QStringLiteral("ARBLOSS");
    case RowFault::BusTimeout:
      return QStringLiteral("TIMEOUT");
    case RowFault::AdapterBusy:
      return QStringLiteral("BUSY");
    case RowFault::ReplyRefused:
      break;
  }
  return QString();
}
