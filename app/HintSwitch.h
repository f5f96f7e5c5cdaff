#pragma once

#include <QObject>

// The application-wide switch for tool tips. While it is off, no control of
// any window shows its hint; the hints themselves stay stored on the controls.
class HintSwitch : public QObject {
 public:
  explicit HintSwitch(QObject* parent = nullptr);

  bool IsOn() const { return on_; }
  void Toggle() { on_ = !on_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool on_ = true;
};
