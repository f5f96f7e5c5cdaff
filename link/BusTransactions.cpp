#include "link/BusTransactions.h"

#include <utility>

#include "battery/ValueCodec.h"
#include "link/AddressList.h"

BusTransactions::BusTransactions(ScanState& state, Ports ports, const ScanPolicy& policy)
    : state_(state), ports_(ports), policy_(policy) {}

std::optional<std::uint8_t> BusTransactions::AddressByte() {
  const std::optional<int> entry = ports_.settings.SelectedAddressEntry();
  if (!entry) {
    ports_.errors.ShowError(QString::fromLatin1(kNoAddressSelected));
    ports_.events.ScanHalted({ScanHalt::Reason::NoAddressSelected, state_.rowIndex});
    return std::nullopt;
  }
  return AddressByteOf(address_list::AddressOf(*entry)).value;
}

// A refused call arms nothing; the scan rests on the row.
bool BusTransactions::Refused(std::int32_t code) {
  if (code == return_code::kAccepted) return false;
  ports_.events.ScanHalted({ScanHalt::Reason::TransactionRefused, state_.rowIndex, code});
  return true;
}

// Every accepted transaction is guarded: if neither its outcome nor a fault
// stops the timer first, the next tick issues the same row again.
void BusTransactions::Accepted(RowTransaction transaction) {
  transaction.firstAttempt = state_.IsFirstAttempt();
  ports_.timer1.Arm(policy_.guardMs);
  state_.TransactionAccepted();
  ports_.events.TransactionIssued(transaction);
}

void BusTransactions::ReadTransaction() {
  const int row = state_.rowIndex;
  // The prefix belongs to the row's first attempt only; the pass's first
  // read begins the record, whichever row it is.
  if (state_.IsFirstAttempt()) {
    const bool beginsRecord = !std::exchange(state_.recordBegun, true);
    if (!ports_.log.LogPrefix(beginsRecord, state_.scanStartTime)) {
      // A tick still due (a repeated pass begun before it) would write the
      // prefix again.
      ports_.timer1.Stop();
      ports_.events.ScanHalted({ScanHalt::Reason::LogWriteFailed, row});
      return;
    }
  }
  ports_.catalogue.SetDataText(row, QString());
  const std::optional<std::uint8_t> address = AddressByte();
  if (!address) return;
  const std::uint8_t command = ports_.catalogue.CommandCode(row);
  const int receiveLength =
      ports_.catalogue.TransactionKindOf(row) == TransactionKind::Word ? 2 : 0;
  const std::int32_t code = ports_.adapter.I2CMasterTxRx(*address, &command, 1, receiveLength, 1);
  if (Refused(code)) return;
  Accepted({row, true, *address, {command}});
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
  Accepted({row, false, *address, {data[0], data[1], data[2]}});
}
