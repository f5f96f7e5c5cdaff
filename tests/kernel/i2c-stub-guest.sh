# Guest script of the i2c-stub check: loads i2c-dev and the stub with a chip at
# 0x0B (the battery's 0x16) that also does SMBus block transfers, finds the
# stub's bus, and runs the check program's phases on it: the seeded battery;
# with /bin/pelmor also sbs-battery bound to the chip, `pelmor probe` (with
# /probe-guest.sh, which ends on its own line), a crafted pack's strings, and
# the stub again without SMBus Block Read. Ends with one line, PELMOR KERNEL
# CHECK: PASS or FAIL.
stub_bus() {
  for adapter in /sys/bus/i2c/devices/i2c-*; do
    [ "$(cat "$adapter/name")" = "SMBus stub driver" ] && echo "${adapter##*/i2c-}"
  done
}
load_stub() {
  insmod /lib/modules/i2c-stub.ko chip_addr=0x0b functionality=$1 || return 1
  bus=$(stub_bus)
  [ -n "$bus" ]
}
failed=
phase() {
  i2c_stub_battery_check "$@" || failed="$failed ${1#--}"
}

insmod /lib/modules/i2c-dev.ko || exit 1
load_stub 0xffffffff || { echo "PELMOR KERNEL CHECK: FAIL (no stub bus)"; exit 1; }
echo "PELMOR GUEST: stub on /dev/i2c-$bus after $(cut -d' ' -f1 /proc/uptime) s"
if [ ! -x /bin/pelmor ]; then
  phase "$bus"
else
  phase "$bus" /bin/pelmor
  insmod /lib/modules/sbs-battery.ko || failed="$failed sbs-battery-module"
  echo sbs-battery 0x0b >"/sys/bus/i2c/devices/i2c-$bus/new_device"
  for _ in 1 2 3 4 5; do
    [ -e "/sys/bus/i2c/devices/$bus-000b/driver" ] && break
    sleep 1
  done
  phase --held "$bus" /bin/pelmor
  echo 0x0b >"/sys/bus/i2c/devices/i2c-$bus/delete_device"
  sh /probe-guest.sh "$bus"
  # A fresh stub: it keeps the longest length ever written to a block.
  rmmod i2c-stub && load_stub 0xffffffff || failed="$failed reload-stub"
  phase --hostile "$bus" /bin/pelmor
  # Without SMBus Block Read (0x01000000): blocks are read by I2C block reads.
  rmmod i2c-stub && load_stub 0xfeffffff || failed="$failed reload-stub"
  phase --i2c-block "$bus" /bin/pelmor
fi
if [ -z "$failed" ]; then
  echo "PELMOR KERNEL CHECK: PASS"
else
  echo "PELMOR KERNEL CHECK: FAIL ($failed )"
fi
