#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

#include "battery/RegisterTable.h"

// Registers beyond the window's 33 that many packs answer and none has to:
// whether a pack has one, and what it holds, is up to the pack's maker. The
// command line reads them, by name or by number, as rows after the 33.

// CellVoltage4 to CellVoltage1 (0x3C to 0x3F, mv) and StateOfHealth (0x4F, %).
std::span<const RegisterDefinition> OptionalRegisters();

// The row for a register asked for by its number: a word, shown in
// hexadecimal, named by the number as "0x3C".
RegisterDefinition NumberedRegister(std::uint8_t code);

// The command code a text such as "0x3C" names: "0x" and one or two
// hexadecimal digits, in either case.
std::optional<std::uint8_t> RegisterNumber(const QString& text);
