#pragma once

#include <QString>
#include <cstdint>

// The status-line text of a non-zero adapter return code.
QString ReturnCodeText(std::int32_t code);

// "<<" + text + ">>", the framing of every status-line message.
QString StatusText(const QString& text);
