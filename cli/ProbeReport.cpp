#include "cli/ProbeReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "battery/HexText.h"
#include "cli/TerminalText.h"

namespace {

QString Address(std::uint8_t address) {
  return QStringLiteral("0x") + HexText(address, 2);
}

QJsonObject SweepObject(const SweepFacts& sweep) {
  QJsonArray acknowledged;
  for (const std::uint8_t address : sweep.acknowledged) acknowledged.append(Address(address));
  QJsonArray held;
  for (const auto& [address, driver] : sweep.held) {
    held.append(QJsonObject{{QStringLiteral("address"), Address(address)},
                            {QStringLiteral("driver"), QString::fromStdString(driver)}});
  }
  return {{QStringLiteral("done"), sweep.done},
          {QStringLiteral("acknowledged"), acknowledged},
          {QStringLiteral("held"), held},
          {QStringLiteral("touched"), sweep.touched},
          {QStringLiteral("timeouts"), sweep.timeouts},
          {QStringLiteral("busErrors"), sweep.busErrors},
          {QStringLiteral("cutShort"), sweep.cutShort},
          {QStringLiteral("seconds"), sweep.seconds}};
}

QJsonObject ClockObject(const BusClock& clock) {
  QJsonArray remedies;
  for (const std::string& remedy : clock.remedies) remedies.append(QString::fromStdString(remedy));
  return {{QStringLiteral("hertz"), clock.hertz ? QJsonValue(*clock.hertz) : QJsonValue()},
          {QStringLiteral("source"), QString::fromStdString(clock.source)},
          {QStringLiteral("remedies"), remedies}};
}

QJsonArray RegistersArray(const ProbeFacts& facts) {
  QJsonArray registers;
  for (const RegisterFacts& reg : facts.registers) {
    QJsonArray readings;
    for (const RowRecord& reading : reg.readings) {
      QJsonObject object{{QStringLiteral("value"), reading.text},
                         {QStringLiteral("ok"), reading.ok}};
      if (reading.replied && reading.fit != ReplyFit::Complete) {
        object[QStringLiteral("reply")] = ReplyFitWords(reading.fit);
      }
      readings.append(object);
    }
    registers.append(QJsonObject{{QStringLiteral("name"), reg.name},
                                 {QStringLiteral("unit"), reg.unitClass},
                                 {QStringLiteral("readings"), readings}});
  }
  return registers;
}

}  // namespace

void PrintProbeText(QTextStream& out, const std::vector<ProbeStep>& steps,
                    const ProbeConclusion& conclusion) {
  qsizetype nameWidth = 0;
  for (const ProbeStep& step : steps) nameWidth = std::max(nameWidth, step.name.size());
  const QString indent(6 + nameWidth + 2, QLatin1Char(' '));
  // The steps quote the pack's own strings: they reach the terminal escaped.
  for (const ProbeStep& step : steps) {
    out << VerdictWord(step.verdict).leftJustified(6) << step.name.leftJustified(nameWidth) << "  "
        << TerminalText(step.text) << '\n';
    for (const QString& detail : step.details) out << indent << TerminalText(detail) << '\n';
  }
  out << '\n' << "Conclusion: " << TerminalText(conclusion.text) << '\n';
  out.flush();
}

void PrintProbeJson(QTextStream& out, const ProbeFacts& facts, const std::vector<ProbeStep>& steps,
                    const ProbeConclusion& conclusion) {
  QJsonArray stepArray;
  for (const ProbeStep& step : steps) {
    stepArray.append(
        QJsonObject{{QStringLiteral("step"), step.name},
                    {QStringLiteral("verdict"), VerdictWord(step.verdict)},
                    {QStringLiteral("text"), step.text},
                    {QStringLiteral("details"), QJsonArray::fromStringList(step.details)}});
  }
  QJsonObject object{{QStringLiteral("address"), Address(facts.address)},
                     {QStringLiteral("steps"), stepArray},
                     {QStringLiteral("sweep"), SweepObject(facts.sweep)},
                     {QStringLiteral("registers"), RegistersArray(facts)},
                     {QStringLiteral("conclusion"),
                      QJsonObject{{QStringLiteral("kind"), KindName(conclusion.kind)},
                                  {QStringLiteral("text"), conclusion.text}}},
                     {QStringLiteral("exitStatus"), conclusion.exitStatus}};
  if (facts.chosen) object.insert(QStringLiteral("port"), facts.chosen->port);
  if (facts.clock) object.insert(QStringLiteral("clock"), ClockObject(*facts.clock));
  if (facts.readAt) object.insert(QStringLiteral("readAt"), Address(*facts.readAt));
  if (facts.holder) {
    object.insert(
        QStringLiteral("holder"),
        QJsonObject{{QStringLiteral("driver"), QString::fromStdString(facts.holder->driver)}});
  }
  out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
  out.flush();
}
