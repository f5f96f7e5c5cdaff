# The FT260 scenario, inside the test machine: the emulated FT260 gadget is
# bound (see usb-guest.sh), the SMBus stub loaded beside it. Once the default
# mode has been checked with the FT260 the only USB adapter, the two MCP2221A
# are plugged in, so that their slow probes run during the FT260's other checks.
# Usage: sh usb-ft260.sh STUB_PORT
. /usb-gadget.sh
stub_port=$1
bus=$(usb_wait_bus ft260 20) || { echo "USB CHECK: FAIL (no FT260 adapter) FT260"; exit 1; }
port=$((bus + 1))
echo "FT260 on /dev/i2c-$bus at $(now) s"
usb_check "default mode: pelmor read opens the FT260" default_mode_opens_the_adapter
usb_check "default mode: the stub's bus is never opened" default_mode_leaves_the_stub $stub_port
usb_check "swapped between passes for a CP2112 under its number: the adapter was lost" \
  swapped_between_passes ft260 cp2112
usb_plug_mcp2221_pair
usb_check "the port list's hint names the FT260 as the kernel does" \
  hint_names_the_adapter "FT260 usb-i2c bridge on hidraw"
usb_check "all 33 registers hold the model's values" reads_all_registers
usb_check "--format csv as on the emulated rig" csv_as_on_the_rig
usb_check "--format json as on the emulated rig" json_as_on_the_rig
usb_check "pelmor probe finds the battery at 0x0B" probe_finds_the_battery
usb_check "RemainCapacityAlarm written reads back" write_reads_back
usb_check "an empty address: NACK after five attempts, status 1" empty_address_is_not_acknowledged
usb_check "--pec: refused, the FT260 has no PEC" pec_is_refused
usb_check "pelmor probe tells the clock and the command that sets it, which does" \
  probe_sets_the_ft260_clock
# The unplug frees the FT260's bus number. An MCP2221A whose adapter is listed
# only after that takes the number, and the read's next pass, which opens its
# port afresh, would open that MCP2221A in the middle of its slow probe
# (seen on a loaded machine). Both are listed before the unplug.
for gadget in mcp2221 mcp2221-spare; do
  for _ in $(seq 300); do usb_bus $gadget listed >/dev/null && break; sleep 0.1; done
done
usb_check "unplugged mid read: the adapter was lost, status 4, whole records" unplug_mid_read ft260
usb_check "plugged back in: found and read again" replug_is_found ft260
usb_result FT260
