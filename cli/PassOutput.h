#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include "cli/HeadlessRequest.h"
#include "cli/HeadlessScan.h"
#include "log/LogFormatter.h"

// Each pass of a headless read as the bytes standard output receives for it,
// in the chosen form: text (a line a register: name, value as the data field
// shows it with control characters escaped, unit class, and "(cut short)"
// after a block read only in part),
// csv (the log file's header and records) or json (an object a pass, each
// value in its own type). Whole lines only, so that a reader sees whole
// passes.
class PassOutput {
 public:
  explicit PassOutput(OutputFormat format);

  QByteArray Render(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue);

 private:
  QString Text(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) const;
  QString Csv(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) const;
  QString Json(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) const;

  OutputFormat format_;
  LogFormatter log_;
  int passesRendered_ = 0;
};
