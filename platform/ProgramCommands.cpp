#include "platform/ProgramCommands.h"

#include <QStringList>

QString ProgramCommandList() {
  QStringList commands;
  for (const ProgramCommand& command : kProgramCommands) {
    commands << QStringLiteral("pelmor ") + QString::fromLatin1(command.name);
  }
  return commands.join(QStringLiteral(", "));
}
