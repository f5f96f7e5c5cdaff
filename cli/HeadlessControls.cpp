#include "cli/HeadlessControls.h"

#include "platform/ProgramOutput.h"

namespace {

void PrintError(const QString& text) {
  StandardErr().Write(text + QLatin1Char('\n'));
}

}  // namespace

HeadlessControls::HeadlessControls(QString comPortEntry, int addressEntry)
    : comPortEntry_(std::move(comPortEntry)), addressEntry_(addressEntry) {}

void HeadlessControls::ShowWarning(const QString& title, const QString& text) {
  PrintError(QStringLiteral("pelmor: %1: %2").arg(title, text));
}

void HeadlessControls::ShowError(const QString& text) {
  PrintError(QStringLiteral("pelmor: Error: %1").arg(text));
}
