# Sourced by the USB scenario scripts inside the test machine: the virtual USB
# bus, one emulated adapter gadget on it, and the checks' bookkeeping.

USB_GADGET=/sys/kernel/config/usb_gadget/adapter
USB_FFS=/dev/usb-ffs/adapter
USB_UDC=dummy_udc.0

# The kernel side, once per boot: configfs, the virtual host and device
# controller pair, FunctionFS, the HID drivers and i2c-dev.
usb_load_modules() {
  for module in configfs usb-common usbcore udc-core dummy_hcd libcomposite usb_f_fs hid \
                usbhid hid-cp2112 hid-mcp2221 i2c-dev; do
    insmod /lib/modules/$module.ko 2>/dev/null || grep -q "^${module//-/_} " /proc/modules || {
      echo "cannot load $module"; return 1; }
  done
  grep -q " /sys/kernel/config " /proc/mounts || mount -t configfs none /sys/kernel/config
}

# usb_gadget_start CHIP VENDOR PRODUCT NAME: the gadget with one FunctionFS
# function, the emulator serving it, bound to the device controller.
usb_gadget_start() {
  mkdir -p $USB_GADGET/strings/0x409 $USB_GADGET/configs/c.1 $USB_GADGET/functions/ffs.adapter
  echo "$2" >$USB_GADGET/idVendor
  echo "$3" >$USB_GADGET/idProduct
  echo "$4" >$USB_GADGET/strings/0x409/product
  echo "Pelmor test bed" >$USB_GADGET/strings/0x409/manufacturer
  echo 100 >$USB_GADGET/configs/c.1/MaxPower
  ln -s $USB_GADGET/functions/ffs.adapter $USB_GADGET/configs/c.1/ 2>/dev/null
  mkdir -p $USB_FFS
  mount -t functionfs adapter $USB_FFS
  usb_adapter_gadget "$1" $USB_FFS >/tmp/gadget.out 2>/tmp/gadget.err &
  USB_GADGET_PID=$!
  for _ in $(seq 50); do grep -q ready /tmp/gadget.out 2>/dev/null && break; sleep 0.1; done
  usb_plug
}

usb_plug() { echo $USB_UDC >$USB_GADGET/UDC; }
usb_unplug() { echo "" >$USB_GADGET/UDC; }

usb_gadget_stop() {
  usb_unplug 2>/dev/null
  kill $USB_GADGET_PID 2>/dev/null
  wait $USB_GADGET_PID 2>/dev/null
  umount $USB_FFS
  rm $USB_GADGET/configs/c.1/ffs.adapter
  rmdir $USB_GADGET/configs/c.1 $USB_GADGET/functions/ffs.adapter $USB_GADGET/strings/0x409 $USB_GADGET
}

# usb_wait_bus NAME_PREFIX [SECONDS]: prints the bus number of the adapter
# whose name begins so, once the kernel has registered it.
usb_wait_bus() {
  for _ in $(seq $((${2:-10} * 10))); do
    for adapter in /sys/bus/i2c/devices/i2c-*; do
      case "$(cat $adapter/name 2>/dev/null)" in
        "$1"*) [ -e /dev/i2c-${adapter##*/i2c-} ] && { echo ${adapter##*/i2c-}; return 0; } ;;
      esac
    done
    sleep 0.1
  done
  return 1
}

USB_CHECKS=0
USB_PASSED=0
# usb_check WHAT COMMAND...: runs the command; counts and prints the result.
usb_check() {
  what=$1
  shift
  USB_CHECKS=$((USB_CHECKS + 1))
  if "$@"; then
    USB_PASSED=$((USB_PASSED + 1))
    echo "ok   $what"
  else
    echo "FAIL $what"
  fi
}

usb_result() {
  if [ $USB_PASSED -eq $USB_CHECKS ]; then
    echo "USB CHECK: PASS ($USB_PASSED of $USB_CHECKS) $1"
  else
    echo "USB CHECK: FAIL ($USB_PASSED of $USB_CHECKS) $1"
  fi
}
