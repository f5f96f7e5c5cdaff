#pragma once

#include <QString>

// A text from the bus as a terminal may show it: control characters (0x00 to
// 0x1F, 0x7F, and C1 0x80 to 0x9F) as visible escapes such as \x1b, and the
// backslash as \\, so that a pack's own strings can neither move the cursor,
// recolour, retitle nor reach the clipboard, and an escape shown can be told
// from the same letters sent. Every other character is kept.
QString TerminalText(const QString& text);
