#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

#include "battery/UnitClass.h"

// Reads a fuzzer's bytes as the program's inputs.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  // One of the thirteen unit classes, or a text that is none of them.
  QString UnitClass() {
    static const std::array<QString, kUnitClassCount + 1> classes{
        unit_class::kHex,        unit_class::kDecimal,
        unit_class::kMillivolts, unit_class::kSignedMilliamps,
        unit_class::kMilliamps,  unit_class::kPercent,
        unit_class::kMinutes,    unit_class::kCapacity,
        unit_class::kSignedRate, unit_class::kTenthKelvin,
        unit_class::kTrueFalse,  unit_class::kString,
        unit_class::kBlock,      QStringLiteral("mV")};
    return classes[Byte() % classes.size()];
  }
  // The rest of the bytes as typed text: one character a byte, as the
  // window's 8-bit fields hold it.
  QString Text() {
    const QString text =
        QString::fromLatin1(reinterpret_cast<const char*>(data_), static_cast<qsizetype>(size_));
    size_ = 0;
    return text;
  }
  const std::uint8_t* Rest() const { return data_; }
  std::size_t RestSize() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// A broken property ends the run with the input that broke it.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)
