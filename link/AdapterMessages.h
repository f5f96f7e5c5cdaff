#pragma once

#include <QEvent>
#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>

#include "link/adapter/AdapterLibrary.h"

// The adapter's event, handed from whatever thread the library reports on to
// the event loop as one application event (message number 1024 of the
// adapter's protocol), its code in the first parameter.
class AdapterMessage : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1024);

  explicit AdapterMessage(std::int32_t firstParameter)
      : QEvent(kType), firstParameter_(firstParameter) {}

  std::int32_t FirstParameter() const { return firstParameter_; }

 private:
  std::int32_t firstParameter_;
};

// The callback the library is given at open: it posts each event code to the
// application, to be seen by the application-wide message hook. Safe to call
// from any thread.
AdapterEventCallback PostToApplication();

// The event code that the library's callback parameter carries: its low 16
// bits.
inline std::uint16_t AdapterEventCode(std::int32_t firstParameter) {
  return static_cast<std::uint16_t>(firstParameter & 0xFFFF);
}

// The event code an application event carries when it is an adapter message.
std::optional<std::uint16_t> AdapterEventCode(const QEvent* event);

// Sees every event the application takes from its queue, from its creation
// to its destruction, and shows each to the handler. It never marks an event
// as handled.
class ApplicationMessageHook : public QObject {
 public:
  explicit ApplicationMessageHook(std::function<void(QEvent*)> handler);
  ~ApplicationMessageHook() override;
  ApplicationMessageHook(const ApplicationMessageHook&) = delete;
  ApplicationMessageHook& operator=(const ApplicationMessageHook&) = delete;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(QEvent*)> handler_;
};
