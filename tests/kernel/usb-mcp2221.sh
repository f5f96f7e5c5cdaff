# The MCP2221A scenario, inside the test machine: two emulated MCP2221A
# gadgets are bound (see usb-guest.sh), the SMBus stub loaded beside them.
# Debian 12's hid-mcp2221 takes every input report during its probe as
# undelivered (it never starts the device's input), so each probe waits out
# six 4-second time-outs, while its i2c adapter is already listed: a read
# begun the moment it was plugged in (see usb_plug_mcp2221_pair) must wait
# that out and bring the value; the spare adapter is unplugged and plugged back
# while the first one is checked, so that only one of its probes is waited.
# The default mode's checks run before the spare comes back, which may take a
# lower bus number.
# Usage: sh usb-mcp2221.sh STUB_PORT
. /usb-gadget.sh
stub_port=$1
bus=$(usb_wait_bus mcp2221 40) && spare=$(usb_wait_bus mcp2221-spare 40) ||
  { echo "USB CHECK: FAIL (no MCP2221 adapter) MCP2221"; exit 1; }
# The default mode opens the lowest bus: the spare is the other one.
spare_gadget=mcp2221-spare
[ $spare -lt $bus ] && { spare_gadget=mcp2221; set -- $bus $spare; spare=$1; bus=$2; }
port=$((bus + 1))
echo "MCP2221 on /dev/i2c-$bus, the spare on /dev/i2c-$spare at $(now) s"
(
  port=$((spare + 1))
  usb_check "unplugged mid read: the adapter was lost, status 4, whole records" \
    unplug_mid_read $spare_gadget
  usb_check "plugged back in: found and read again" replug_is_found $spare_gadget
) >/tmp/spare.log 2>&1 &
spare_checks=$!
usb_check "plugged in and read at once: the value once the driver's probe is done" \
  read_while_probing
usb_check "default mode: pelmor read opens an MCP2221" default_mode_opens_the_adapter
usb_check "default mode: the stub's bus is never opened" default_mode_leaves_the_stub $stub_port
usb_check "the port list's hint names the MCP2221 as the kernel does" \
  hint_names_the_adapter "MCP2221 usb-i2c bridge"
# The default mode is checked: the CP2112 and the FT260 come back, and their
# clock stretch and fault checks run meanwhile (see usb-guest.sh).
usb_plug cp2112
usb_plug ft260
stretch_and_fault_checks cp2112 ft260
usb_check "all 33 registers hold the model's values" reads_all_registers
usb_check "--format csv as on the emulated rig" csv_as_on_the_rig
usb_check "--format json as on the emulated rig" json_as_on_the_rig
usb_check "pelmor probe finds the battery at 0x0B, the clock 400 kHz as hid-mcp2221 set it" \
  probe_finds_the_battery "^warn  bus clock  *400 kHz (set by hid-mcp2221 when the adapter is plugged in): above the 100 kHz a Smart Battery is specified for$"
usb_check "hid-mcp2221 set 400 kHz in the chip" \
  grep -q "^mcp2221: the driver set the I2C clock divider 27 (400 kHz)$" /tmp/gadget-mcp2221.err
usb_check "RemainCapacityAlarm written reads back" write_reads_back
usb_check "an empty address: NACK after five attempts, status 1" empty_address_is_not_acknowledged
usb_check "--pec: refused, the MCP2221 has no PEC" pec_is_refused
usb_wait $spare_checks 120 "the spare MCP2221A's checks"
cat /tmp/spare.log
usb_result MCP2221
