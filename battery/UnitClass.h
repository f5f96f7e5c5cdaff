#pragma once

#include <QLatin1String>
#include <QString>

// A row's unit class is the caption of its unit label. Every decision about a
// row (transaction kind, display form, write parsing) compares that caption
// exactly, case-sensitively, with one of these texts.
namespace unit_class {
inline constexpr QLatin1String kHex{"#H"};
inline constexpr QLatin1String kDecimal{"#D"};
inline constexpr QLatin1String kMillivolts{"mv"};
inline constexpr QLatin1String kSignedMilliamps{"+/-ma"};
inline constexpr QLatin1String kMilliamps{"ma"};
inline constexpr QLatin1String kPercent{"%"};
inline constexpr QLatin1String kMinutes{"min"};
inline constexpr QLatin1String kCapacity{"maH 10mwH"};
inline constexpr QLatin1String kSignedRate{"+/-ma 10mw"};
inline constexpr QLatin1String kTenthKelvin{"0.1 degK"};
inline constexpr QLatin1String kTrueFalse{"T/F"};
inline constexpr QLatin1String kString{"string"};
inline constexpr QLatin1String kBlock{"block"};
}  // namespace unit_class

enum class TransactionKind { Word, String, Block };

// "string" and "block" rows are read by a counted block read; every other
// unit class is a word.
TransactionKind TransactionKindForUnitClass(const QString& unitClass);

// The hint that a unit label of this class carries; empty for an unknown class.
QString UnitClassHint(const QString& unitClass);

// Number of distinct unit classes a row can carry.
inline constexpr int kUnitClassCount = 13;
