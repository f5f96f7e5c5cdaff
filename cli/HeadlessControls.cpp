#include "HeadlessControls.h"

#include <cstdio>

#include "ScanSequencer.h"

namespace {

void PrintError(const QString& text) {
  QTextStream(stderr) << text << '\n';
}

}  // namespace

HeadlessControls::HeadlessControls(QString comPortEntry, int addressEntry, bool echoStatus)
    : comPortEntry_(std::move(comPortEntry)),
      addressEntry_(addressEntry),
      echoStatus_(echoStatus),
      buttonCaption_(QString::fromLatin1(ScanSequencer::kReadCaption)),
      selectCaption_(QString::fromLatin1(ScanSequencer::kDeselectAllCaption)) {}

void HeadlessControls::SetButtonCaption(const QString& caption) {
  buttonCaption_ = caption;
  if (onCaptionChanged_) onCaptionChanged_();
}

void HeadlessControls::ShowWarning(const QString& title, const QString& text) {
  lastMessage_ = text;
  PrintError(QStringLiteral("pelmor: %1: %2").arg(title, text));
}

void HeadlessControls::ShowStatus(const QString& text) {
  lastStatus_ = text;
  if (echoStatus_) PrintError(text);
}

void HeadlessControls::ShowError(const QString& text) {
  lastMessage_ = text;
  PrintError(QStringLiteral("pelmor: Error: %1").arg(text));
}
