#include "platform/ProgramLogging.h"

#include <QLoggingCategory>

void SetUpProgramLogging(bool verbose) {
  qSetMessagePattern(QStringLiteral(
      "%{if-debug}%{category}: %{endif}%{if-info}pelmor: %{endif}%{if-warning}pelmor: %{endif}"
      "%{if-critical}pelmor: %{endif}%{if-fatal}pelmor: %{endif}%{message}"));
  if (verbose) QLoggingCategory::setFilterRules(QStringLiteral("pelmor.*.debug=true"));
}
