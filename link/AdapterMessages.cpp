#include "link/AdapterMessages.h"

#include <QCoreApplication>

AdapterEventCallback PostToApplication() {
  return [](std::int32_t code) {
    QCoreApplication::postEvent(QCoreApplication::instance(), new AdapterMessage(code));
  };
}

std::optional<std::uint16_t> AdapterEventCode(const QEvent* event) {
  if (event->type() != AdapterMessage::kType) return std::nullopt;
  return AdapterEventCode(static_cast<const AdapterMessage*>(event)->FirstParameter());
}

ApplicationMessageHook::ApplicationMessageHook(std::function<void(QEvent*)> handler)
    : handler_(std::move(handler)) {
  QCoreApplication::instance()->installEventFilter(this);
}

// Adapter messages still queued have no one left to take them.
ApplicationMessageHook::~ApplicationMessageHook() {
  QCoreApplication::instance()->removeEventFilter(this);
  QCoreApplication::removePostedEvents(QCoreApplication::instance(), AdapterMessage::kType);
}

bool ApplicationMessageHook::eventFilter(QObject* watched, QEvent* event) {
  handler_(event);
  return QObject::eventFilter(watched, event);
}
