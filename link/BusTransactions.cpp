#include "BusTransactions.h"

#include <utility>

#include "HexText.h"
#include "ReturnCodeText.h"
#include "ValueCodec.h"

BusTransactions::BusTransactions(ScanState& state, Ports ports) : state_(state), ports_(ports) {}

std::optional<std::uint8_t> BusTransactions::AddressByte() {
  const std::optional<int> entry = ports_.settings.SelectedAddressEntry();
  if (!entry) {
    ports_.errors.ShowError(QString::fromLatin1(kNoAddressSelected));
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(*entry * 2);
}

// A refused call shows its code and arms nothing; the scan rests on the row.
bool BusTransactions::Refused(std::int32_t code) {
  if (code == return_code::kAccepted) return false;
  ports_.status.ShowStatus(StatusText(ReturnCodeText(code)));
  return true;
}

// Every accepted transaction is guarded: if neither its outcome nor a fault
// stops the timer first, the next tick issues the same row again.
void BusTransactions::Accepted(const QString& statusText) {
  ports_.timer1.Arm(kGuardMs);
  state_.TransactionAccepted();
  ports_.status.ShowStatus(statusText);
}

void BusTransactions::ReadTransaction() {
  const int row = state_.rowIndex;
  // The prefix belongs to the row's first attempt only; the pass's first
  // read begins the record, whichever row it is.
  if (state_.IsFirstAttempt()) {
    const bool beginsRecord = !std::exchange(state_.recordBegun, true);
    if (!ports_.log.LogPrefix(beginsRecord, state_.scanStartTime)) return;
  }
  ports_.catalogue.SetDataText(row, QString());
  const std::optional<std::uint8_t> address = AddressByte();
  if (!address) return;
  const std::uint8_t command = ports_.catalogue.CommandCode(row);
  const int receiveLength =
      ports_.catalogue.TransactionKindOf(row) == TransactionKind::Word ? 2 : 0;
  const std::int32_t code = ports_.adapter.I2CMasterTxRx(*address, &command, 1, receiveLength, 1);
  if (Refused(code)) return;
  Accepted(QStringLiteral("<<Master Tx/Rx Msg [START][x") + HexText(*address, 2) +
           QStringLiteral("+W][x") + HexText(command, 2) + QStringLiteral("][STOP]>>"));
}

void BusTransactions::WriteTransaction() {
  const int row = state_.rowIndex;
  const std::optional<std::uint8_t> address = AddressByte();
  if (!address) return;
  if (state_.IsFirstAttempt()) firstAttemptText_ = ports_.catalogue.DataText(row);
  const WriteWord word = EncodeWrite(ports_.catalogue.UnitClass(row), firstAttemptText_);
  const std::uint8_t data[3] = {ports_.catalogue.CommandCode(row), word.low, word.high};
  const std::int32_t code = ports_.adapter.I2CMasterTx(*address, data, 3, 1);
  if (Refused(code)) return;
  QString text =
      QStringLiteral("<<Master Tx Msg [START][x") + HexText(*address, 2) + QStringLiteral("+W]");
  for (std::uint8_t byte : data) text += QStringLiteral("[x") + HexText(byte, 2) + QLatin1Char(']');
  Accepted(text + QStringLiteral("[STOP]>>"));
}
