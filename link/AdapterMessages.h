#pragma once

#include <QEvent>
#include <cstdint>

#include "AdapterLibrary.h"

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
// application, to be seen by the main window's message hook. Safe to call
// from any thread.
AdapterEventCallback PostToApplication();
