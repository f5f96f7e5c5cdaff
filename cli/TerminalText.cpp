#include "cli/TerminalText.h"

namespace {

bool IsControl(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

QString TerminalText(const QString& text) {
  QString shown;
  shown.reserve(text.size());
  for (const QChar c : text) {
    if (c == QLatin1Char('\\')) {
      shown += QStringLiteral("\\\\");
    } else if (IsControl(c.unicode())) {
      shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      shown += c;
    }
  }
  return shown;
}
