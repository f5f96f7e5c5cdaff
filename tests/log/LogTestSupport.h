#pragma once

#include <QFile>
#include <QStringList>

#include "log/LogPorts.h"

// The File menu's two items, the title and the error box as plain fields.
struct FakeLogWindow : LogWindow {
  static constexpr const char* kStandardTitle = "Dalvern Corp. -  Pelmor";
  bool open = false;
  QString title = kStandardTitle;
  QStringList errors;
  bool LogFileOpen() const override { return open; }
  void SetLogFileOpen(bool value) override { open = value; }
  QString StandardTitle() const override { return kStandardTitle; }
  void SetTitle(const QString& text) override { title = text; }
  void ShowError(const QString& text) override { errors << text; }
};

inline QByteArray FileContent(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
