#pragma once

#include <QString>
#include <QTextStream>
#include <functional>
#include <optional>

#include "LinkPorts.h"
#include "ScanPorts.h"

// The window's scan controls, status line, link settings and message boxes
// as plain state for the headless command line. Status texts go to standard
// error when asked for; warnings and errors always do.
class HeadlessControls : public ScanControls,
                         public StatusLine,
                         public LinkSettings,
                         public ErrorReporter {
 public:
  HeadlessControls(QString comPortEntry, int addressEntry, bool echoStatus);

  // Called whenever the Read Data button's caption changes.
  void OnCaptionChanged(std::function<void()> handler) { onCaptionChanged_ = std::move(handler); }
  void SetTabIndex(int index) { tabIndex_ = index; }
  const QString& LastStatus() const { return lastStatus_; }
  // The last warning or error shown; empty when none.
  const QString& LastMessage() const { return lastMessage_; }

  QString ButtonCaption() const override { return buttonCaption_; }
  void SetButtonCaption(const QString& caption) override;
  QString SelectCaption() const override { return selectCaption_; }
  void SetSelectCaption(const QString& caption) override { selectCaption_ = caption; }
  int TabIndex() const override { return tabIndex_; }
  // The command line repeats passes itself; the window's auto-repeat is never ticked.
  bool AutoRepeatTicked() const override { return false; }
  void SetAutoRepeatCaption(const QString&) override {}
  RepeatInterval MarkedRepeatInterval() const override { return RepeatInterval::Continuous; }
  void MarkRepeatInterval(RepeatInterval) override {}
  void ShowWarning(const QString& title, const QString& text) override;

  void ShowStatus(const QString& text) override;

  std::optional<QString> SelectedComPortEntry() const override { return comPortEntry_; }
  std::optional<int> SelectedAddressEntry() const override { return addressEntry_; }

  void ShowError(const QString& text) override;

 private:
  QString comPortEntry_;
  int addressEntry_;
  bool echoStatus_;
  QString buttonCaption_;
  QString selectCaption_;
  int tabIndex_ = 0;
  QString lastStatus_;
  QString lastMessage_;
  std::function<void()> onCaptionChanged_;
};
