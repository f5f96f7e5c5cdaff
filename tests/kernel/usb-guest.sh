# Guest script of the USB adapter check: the virtual USB bus with an emulated
# CP2112, FT260 and two emulated MCP2221A on it, the SMBus stub beside them,
# and each adapter's scenario in turn.
. /usb-gadget.sh
usb_load_modules || exit 1
for adapter in /sys/bus/i2c/devices/i2c-*; do
  [ "$(cat $adapter/name)" = "SMBus stub driver" ] && stub_port=$((${adapter##*/i2c-} + 1))
done
# The CP2112 first, alone beside the stub; the FT260 after it, which plugs in the
# two MCP2221A once its default-mode checks are done (see usb-ft260.sh).
usb_gadget_start cp2112 cp2112 0x10c4 0xea90 "CP2112 HID USB-to-SMBus Bridge" dummy_udc.0
sh /usb-cp2112.sh $stub_port
usb_unplug cp2112
usb_gadget_start ft260 ft260 0x0403 0x6030 "FT260" dummy_udc.3
sh /usb-ft260.sh $stub_port
usb_unplug ft260
sh /usb-mcp2221.sh $stub_port
# The MCP2221A's clock stretch and fault checks (the CP2112's and the FT260's
# began during its scenario), and the result of all three.
stretch_and_fault_checks mcp2221
stretch_and_fault_result
for gadget in cp2112 ft260 mcp2221 mcp2221-spare; do
  echo "--- $gadget emulator"
  cat /tmp/gadget-$gadget.err
done
