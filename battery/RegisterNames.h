#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The registers by name, as a person types them on the command line.

// The register row whose check box caption is this name, in any letter case.
std::optional<int> RowNamed(const QString& name);

// Every register, one a line in table order: its name, command code, unit
// class, and whether it can be written.
QString RegisterListText();

// The name the person most likely meant by a name that is none of these:
// one it begins or abbreviates, else the one a few letters away.
std::optional<QString> ClosestName(const QString& typed, const QStringList& names);
