# Runs in the test machine after the stub check, on the stub's bus whose
# battery at 0x0B the check has seeded: `pelmor probe` finds the battery;
# with the kernel's sbs-battery driver bound at 0x0B it names the driver and
# the way out, and the unbind command it prints frees the address. Prints
# each probe's time and one result line: PELMOR PROBE CHECK: PASS or FAIL.
# Usage: sh probe-guest.sh BUS
bus=$1
port=$((bus + 1))
checks=0
failures=0

check() {  # DESCRIPTION, then a command whose status decides
  what=$1
  shift
  checks=$((checks + 1))
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

now() { cut -d' ' -f1 /proc/uptime; }

probe() {  # OUTPUT_FILE, then pelmor's further options; sets status
  out=$1
  shift
  start=$(now)
  pelmor probe --all-buses --port "$port" "$@" >"$out" 2>&1
  status=$?
  echo "PELMOR PROBE: exit $status after $(awk -v s="$start" -v e="$(now)" 'BEGIN { printf "%.2f", e - s }') s"
  cat "$out"
}

probe /tmp/found.txt
check "the stub's battery answers sensibly: exit 0" [ "$status" = 0 ]
check "the conclusion names the battery at 0x0B" \
  grep -q '^Conclusion: A Smart Battery answers at 0x0B (address byte 16): Pelmor Test Cells Incorporated!! PX-3S1P' /tmp/found.txt
check "the sweep lists 0x0B alone and times itself" \
  grep -q '^ok    sweep  *0x0B (address byte 16, a Smart Battery.s) acknowledges (112 addresses in [0-9.]* s)$' /tmp/found.txt

probe /tmp/found.json --format json
check "json: kind battery-answers, exit status 0" \
  grep -q '"conclusion":{"kind":"battery-answers"' /tmp/found.json

insmod /lib/modules/sbs-battery.ko
echo sbs-battery 0x0b >"/sys/bus/i2c/devices/i2c-$bus/new_device"
for _ in 1 2 3 4 5 6 7 8 9 10; do
  [ -e "/sys/bus/i2c/devices/$bus-000b/driver" ] && break
  sleep 0.2
done
check "sbs-battery is bound at 0x0b" [ -e "/sys/bus/i2c/devices/$bus-000b/driver" ]

probe /tmp/held.txt
check "with the driver bound: exit 1" [ "$status" = 1 ]
check "the driver step names sbs-battery" grep -q '^FAIL  kernel driver  sbs-battery holds 0x0B' /tmp/held.txt
check "the conclusion says the address is held and how to free it" \
  grep -q '^Conclusion: The kernel driver sbs-battery holds 0x0B (address byte 16).*unbind' /tmp/held.txt

# The way out as printed, run as root (no sudo in the test machine).
unbind=$(grep -o "echo $bus-000b | sudo tee /sys/bus/i2c/drivers/sbs-battery/unbind" /tmp/held.txt | head -n 1)
check "the printed unbind command is there" [ -n "$unbind" ]
eval "$(echo "$unbind" | sed 's/sudo //')" >/dev/null
probe /tmp/freed.txt
check "after the printed unbind the battery answers again: exit 0" [ "$status" = 0 ]

echo "PELMOR PROBE CHECK: $([ "$failures" = 0 ] && echo PASS || echo FAIL) ($((checks - failures)) of $checks checks)"
