#pragma once

#include <QJsonObject>
#include <QTextStream>

#include "HeadlessRequest.h"
#include "HeadlessScan.h"
#include "LogFormatter.h"

// Prints each pass of a headless read on standard output in the chosen form:
// text (a line a register: name, value as the data field shows it, unit
// class), csv (the log file's header and records) or json (an object a pass).
class PassOutput {
 public:
  PassOutput(OutputFormat format, QTextStream& out);

  void Print(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue);

  // The object that json prints for a pass.
  static QJsonObject JsonObject(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue);

 private:
  void PrintText(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue);
  void PrintCsv(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue);
  void PrintJson(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue);

  OutputFormat format_;
  QTextStream& out_;
  LogFormatter log_;
  int passesPrinted_ = 0;
};
