#pragma once

#include <QString>
#include <ostream>

// Lets GoogleTest show QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

// Lets a QString follow an assertion with <<.
inline std::ostream& operator<<(std::ostream& out, const QString& text) {
  return out << text.toStdString();
}
