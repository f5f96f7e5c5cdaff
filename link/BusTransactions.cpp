#include "BusTransactions.h"

#include "ReturnCodeText.h"
#include "ValueCodec.h"

namespace {

QString Hex(std::uint8_t byte) {
  return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

BusTransactions::BusTransactions(ScanState& state, Ports ports) : state_(state), ports_(ports) {}

std::optional<std::uint8_t> BusTransactions::AddressByte() {
  const std::optional<int> entry = ports_.settings.SelectedAddressEntry();
  if (!entry) {
    ports_.errors.ShowError(QString::fromLatin1(kNoAddressSelected));
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(*entry * 2);
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
  // The prefix belongs to the row's first attempt only, not to a re-issue of
  // an attempt whose outcome never came.
  const bool firstAttempt = state_.retryCounter == kAttemptsPerRow && state_.pendingRow != row;
  if (firstAttempt && !ports_.log.LogPrefix(row == state_.recordStartRow, state_.scanStartTime)) {
    return;
  }
  ports_.catalogue.SetDataText(row, QString());
  const std::optional<std::uint8_t> address = AddressByte();
  if (!address) return;
  const std::uint8_t command = ports_.catalogue.CommandCode(row);
  const int receiveLength =
      ports_.catalogue.TransactionKindOf(row) == TransactionKind::Word ? 2 : 0;
  const std::int32_t code = ports_.adapter.I2CMasterTxRx(*address, &command, 1, receiveLength, 1);
  if (code != return_code::kAccepted) {
    ports_.status.ShowStatus(StatusText(ReturnCodeText(code)));
    return;
  }
  Accepted(QStringLiteral("<<Master Tx/Rx Msg [START][x") + Hex(*address) +
           QStringLiteral("+W][x") + Hex(command) + QStringLiteral("][STOP]>>"));
}

void BusTransactions::WriteTransaction() {
  const int row = state_.rowIndex;
  const std::optional<std::uint8_t> address = AddressByte();
  if (!address) return;
  const WriteWord word =
      EncodeWrite(ports_.catalogue.UnitClass(row), ports_.catalogue.DataText(row));
  const std::uint8_t data[3] = {ports_.catalogue.CommandCode(row), word.low, word.high};
  const std::int32_t code = ports_.adapter.I2CMasterTx(*address, data, 3, 1);
  if (code != return_code::kAccepted) {
    ports_.status.ShowStatus(StatusText(ReturnCodeText(code)));
    return;
  }
  Accepted(QStringLiteral("<<Master Tx Msg [START][x") + Hex(*address) + QStringLiteral("+W]") +
           QStringLiteral("[x") + Hex(data[0]) + QStringLiteral("]") + QStringLiteral("[x") +
           Hex(data[1]) + QStringLiteral("]") + QStringLiteral("[x") + Hex(data[2]) +
           QStringLiteral("][STOP]>>"));
}
