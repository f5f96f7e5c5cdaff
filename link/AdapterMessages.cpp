#include "AdapterMessages.h"

#include <QCoreApplication>

AdapterEventCallback PostToApplication() {
  return [](std::int32_t code) {
    QCoreApplication::postEvent(QCoreApplication::instance(), new AdapterMessage(code));
  };
}
