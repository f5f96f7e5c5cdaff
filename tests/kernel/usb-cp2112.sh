# The CP2112 scenario, inside the test machine: the emulated CP2112 gadget is
# bound (see usb-guest.sh), the SMBus stub loaded beside it.
# Usage: sh usb-cp2112.sh STUB_PORT
. /usb-gadget.sh
stub_port=$1
bus=$(usb_wait_bus cp2112 20) || { echo "USB CHECK: FAIL (no CP2112 adapter) CP2112"; exit 1; }
port=$((bus + 1))
echo "CP2112 on /dev/i2c-$bus at $(now) s"
usb_check "default mode: pelmor read opens the CP2112" default_mode_opens_the_adapter
usb_check "default mode: the stub's bus is never opened" default_mode_leaves_the_stub $stub_port
usb_check "the port list's hint names the CP2112 as the kernel does" \
  hint_names_the_adapter "CP2112 SMBus Bridge on hidraw"
usb_check "all 33 registers hold the model's values" reads_all_registers
usb_check "--format csv as on the emulated rig" csv_as_on_the_rig
usb_check "--format json as on the emulated rig" json_as_on_the_rig
usb_check "pelmor probe finds the battery at 0x0B, the clock read from the CP2112" \
  probe_finds_the_battery "^ok    bus clock  *100 kHz (the CP2112's own setting, which hid-cp2112 leaves as it finds it, read from /dev/hidraw[0-9]*)$"
usb_check "RemainCapacityAlarm written reads back" write_reads_back
usb_check "an empty address: NACK after five attempts, status 1" empty_address_is_not_acknowledged
usb_check "--pec: refused, the CP2112 has no PEC" pec_is_refused
usb_check "unplugged mid read: the adapter was lost, status 4, whole records" unplug_mid_read cp2112
usb_check "plugged back in: found and read again" replug_is_found cp2112
usb_result CP2112
