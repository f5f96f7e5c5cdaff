#include "battery/RegisterTable.h"

namespace {

constexpr const char* kManufacturerContentHint = "Content determined by Battery Manufacturer";

// In scan order. Command codes follow the row index up to SerialNumber (0x1C);
// the four text and block registers sit at 0x20 to 0x23, and 0x1D to 0x1F have
// no row. Row 27's caption is "ManufactureDate" while its controls carry the
// stem "ManufacturerDate".
constexpr std::array<RegisterDefinition, kRegisterRowCount> kTable{{
    {0x00, "ManufacturerAccess", "ManufacturerAccess", "#H", "0000", true,
     kManufacturerContentHint},
    {0x01, "RemainCapacityAlarm", "RemainCapacityAlarm", "maH 10mwH", "0", true,
     "When the RemainingCapacity falls below this value, battery sends AlarmWarning to SMBus "
     "Host with the REMAINING_CAPACITY_ALARM bit set."},
    {0x02, "RemainTimeAlarm", "RemainTimeAlarm", "min", "10", true,
     "When the AverageTimeToEmpty falls below this value, battery sends AlarmWarning to SMBus "
     "Host with the REMAINING_TIME_ALARM bit set."},
    {0x03, "BatteryMode", "BatteryMode", "#H", "0000", true,
     "Controls battery operating modes and reporting capabilities."},
    {0x04, "AtRate", "AtRate", "+/-ma 10mw", "0", true,
     "Sets charge or discharge rate for AtRateTimeToFull, AtRateTimeToEmpty, and AtRateOK "
     "functions.  Specified in milliamp if BatteryMode.CAPACITY_MODE bit = 0, else "
     "10milliwatts."},
    {0x05, "AtRateTimeToFull", "AtRateTimeToFull", "min", "", false,
     "Predicted remaining time to full charge at AtRate value."},
    {0x06, "AtRateTimeToEmpty", "AtRateTimeToEmpty", "min", "", false,
     "Predicted remaining operating time at AtRate value."},
    {0x07, "AtRateOK", "AtRateOK", "T/F", "", false,
     "Indicates if battery can deliver the current AtRate value for 10 seconds."},
    {0x08, "Temperature", "Temperature", "0.1 degK", "", false,
     "Cell-pack's internal temperature in 0.1 degrees Kelvin."},
    {0x09, "Voltage", "Voltage", "mv", "", false, "Cell-pack voltage in millivolts."},
    {0x0A, "Current", "Current", "+/-ma", "", false,
     "Current being supplied (or accepted) through battery's terminals in milliamps."},
    {0x0B, "AverageCurrent", "AverageCurrent", "+/-ma", "", false,
     "One-minute rolling average current being supplied (or accepted) through battery's "
     "terminals in milliamps."},
    {0x0C, "MaxError", "MaxError", "%", "", false,
     "Expected margin of error (%) in the state of charge calculations."},
    {0x0D, "RelStateOfCharge", "RelStateOfCharge", "%", "", false,
     "Predicted remaining battery capacity as a percentage of FullChargeCapacity."},
    {0x0E, "AbsStateOfCharge", "AbsStateOfCharge", "%", "", false,
     "Predicted remaining battery capacity as a percentage of DesignCapacity."},
    {0x0F, "RemainingCapacity", "RemainingCapacity", "maH 10mwH", "", false,
     "Predicted remaining battery capacity in milliamp Hours if BatteryMode.CAPACITY_MODE bit "
     "= 0, else in 10milliwatt Hours."},
    {0x10, "FullChargeCapacity", "FullChargeCapacity", "maH 10mwH", "", false,
     "Predicted pack capacity when fully charged in milliamp Hours if BatteryMode.CAPACITY_MODE "
     "bit = 0, else in 10milliwatt Hours."},
    {0x11, "RunTimeToEmpty", "RunTimeToEmpty", "min", "", false,
     "Predicted remaining battery life at the present rate of discharge in minutes."},
    {0x12, "AveTimeToEmpty", "AveTimeToEmpty", "min", "", false,
     "One-minute rolling average of the predicted remaining battery life in minutes."},
    {0x13, "AveTimeToFull", "AveTimeToFull", "min", "", false,
     "One-minute rolling average of the predicted remaining time to full charge in minutes."},
    {0x14, "ChargingCurrent", "ChargingCurrent", "ma", "", false,
     "Desired charging rate in milliamps."},
    {0x15, "ChargingVoltage", "ChargingVoltage", "mv", "", false,
     "Desired charging voltage in millivolts."},
    {0x16, "BatteryStatus", "BatteryStatus", "#H", "", false, "Battery status word (flags)."},
    {0x17, "CycleCount", "CycleCount", "#D", "", false,
     "Number of charge/discharge cycles the battery has experienced."},
    {0x18, "DesignCapacity", "DesignCapacity", "maH 10mwH", "", false,
     "Theoretical capacity of a new pack in milliamp Hours if BatteryMode.CAPACITY_MODE bit = "
     "0, else in 10milliwatt Hours."},
    {0x19, "DesignVoltage", "DesignVoltage", "mv", "", false,
     "Theoretical voltage of a new pack in millivolts."},
    {0x1A, "SpecificationInfo", "SpecificationInfo", "#H", "", false,
     "Smart Battery specification version supported, voltage and current scaling information."},
    {0x1B, "ManufactureDate", "ManufacturerDate", "#H", "", false,
     "Date the cell pack was manufactured"},
    {0x1C, "SerialNumber", "SerialNumber", "#D", "", false, "Battery serial number."},
    {0x20, "ManufacturerName", "ManufacturerName", "string", "", false,
     "Battery's manufacturer's name."},
    {0x21, "DeviceName", "DeviceName", "string", "", false, "Battery's name."},
    {0x22, "DeviceChemistry", "DeviceChemistry", "string", "", false, "Battery's chemistry."},
    {0x23, "ManufacturerData", "ManufacturerData", "block", "", false, kManufacturerContentHint},
}};

}  // namespace

const std::array<RegisterDefinition, kRegisterRowCount>& RegisterTable() {
  return kTable;
}
