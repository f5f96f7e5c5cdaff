# Sourced by the USB scenarios inside the test machine: the virtual USB bus,
# emulated adapter gadgets on it, and the checks they share.

USB_CONFIG=/sys/kernel/config/usb_gadget
USB_RESULTS=/tmp/usb-results

now() { cut -d' ' -f1 /proc/uptime; }
since() { echo "$(now) $1" | awk '{ printf "%.2f", $1 - $2 }'; }
seconds() { cut -d. -f1 /proc/uptime; }

# Every wait in the scenarios has a limit. A step still running past its limit
# leaves its evidence on the console (usb_evidence), is killed, and fails.

# usb_evidence WHAT PID: what a stuck step leaves to look at: every process
# with its state; each thread's state, wait channel and kernel stack for our
# programs and for every task in uninterruptible sleep; the tasks the kernel
# itself lists as blocked (sysrq w: kernel threads such as the USB hub's
# included); the last kernel messages; the stuck program's standard error and
# the emulators' last lines.
usb_evidence() {
  {
    echo "=== $1"
    ps -o pid,ppid,stat,args
    for status in /proc/[0-9]*/status; do
      dir=${status%/status}
      name=$(sed -n 's/^Name:\t//p' $status 2>/dev/null)
      case "$name $(sed -n 's/^State:\t//p' $status 2>/dev/null)" in
        pelmor*|usb_adapter_gad*|i2c_port_hint*|*" D "*) ;;
        *) continue ;;
      esac
      for task in $dir/task/*; do
        echo "--- ${dir#/proc/}/${task##*/} $name: $(sed -n 's/^State:\t//p' $task/status)," \
             "waiting in $(cat $task/wchan)"
        cat $task/stack
      done
    done
    echo w >/proc/sysrq-trigger
    echo "--- the last kernel messages"
    dmesg | tail -n 100
    error=$(readlink /proc/$2/fd/2)
    [ -f "$error" ] && { echo "--- standard error of $2 ($error)"; tail -n 40 "$error"; }
    for log in /tmp/gadget-*.err; do
      echo "--- the last of ${log#/tmp/}"
      tail -n 20 $log
    done
    echo "=== end of the evidence"
  } 2>&1 | sed 's/^/evidence: /' >/dev/console
}

# usb_running PID: whether the process is still running (not gone, no zombie).
usb_running() {
  case $(sed -n 's/^State:\t//p' /proc/$1/status 2>/dev/null) in
    "" | Z*) return 1 ;;
  esac
}

# usb_wait PID SECONDS WHAT: waits for a child of this shell to end, at most
# SECONDS, and returns its exit status; past the limit, the evidence, then
# SIGKILL, and status 124 (a process stuck in the kernel may linger).
usb_wait() {
  local deadline=$(($(seconds) + $2))
  while usb_running $1; do
    if [ "$(seconds)" -ge $deadline ]; then
      echo "$3: still running after $2 s; killed"
      usb_evidence "$3: still running after $2 s" $1
      kill -KILL $1
      return 124
    fi
    sleep 0.1
  done
  wait $1
}

# usb_run SECONDS PROGRAM ARGUMENT...: the program, for at most SECONDS.
usb_run() {
  local limit=$1
  shift
  "$@" &
  usb_wait $! $limit "$*"
}

# Our programs in the scenarios, each limited: far longer than any of them
# takes, far shorter than the machine's own limit.
pelmor() { usb_run 90 /bin/pelmor "$@"; }
i2c_port_hint() { usb_run 30 /bin/i2c_port_hint "$@"; }

# The kernel side, once per boot: configfs, four virtual host and device
# controller pairs, FunctionFS, the HID drivers, i2c-dev and the SMBus stub
# (a bus not on USB, with a chip at the battery's address).
usb_load_modules() {
  for module in configfs usb-common usbcore udc-core "dummy_hcd num=4" libcomposite usb_f_fs \
                hid usbhid hid-cp2112 hid-mcp2221 hid-ft260 i2c-dev "i2c-stub chip_addr=0x0b"; do
    set -- $module
    insmod /lib/modules/$1.ko $2 || { echo "cannot load $1"; return 1; }
  done
  mount -t configfs none /sys/kernel/config
  # A task blocked this long leaves its stack in the kernel's messages.
  echo 20 >/proc/sys/kernel/hung_task_timeout_secs
}

# usb_gadget_start NAME CHIP VENDOR PRODUCT PRODUCT_STRING UDC: a gadget with
# one FunctionFS function, the emulator serving it, bound to the controller.
usb_gadget_start() {
  gadget=$USB_CONFIG/$1
  mkdir -p $gadget/strings/0x409 $gadget/configs/c.1 $gadget/functions/ffs.$1 /dev/ffs-$1
  echo "$3" >$gadget/idVendor
  echo "$4" >$gadget/idProduct
  echo "$5" >$gadget/strings/0x409/product
  echo "Pelmor test bed" >$gadget/strings/0x409/manufacturer
  ln -s $gadget/functions/ffs.$1 $gadget/configs/c.1/
  mount -t functionfs $1 /dev/ffs-$1
  : >/tmp/bus-$1
  USB_GADGET_BUS=/tmp/bus-$1 usb_adapter_gadget $2 /dev/ffs-$1 >/tmp/gadget-$1.out \
    2>/tmp/gadget-$1.err &
  for _ in $(seq 50); do grep -q ready /tmp/gadget-$1.out && break; sleep 0.1; done
  echo $6 >/tmp/udc-$1
  usb_plug $1
  echo "$1 plugged in at $(now) s"
}

# usb_plug_mcp2221_pair: both MCP2221A gadgets, each on its own controller.
# Their i2c adapters are listed from early in their slow probes (see
# usb-mcp2221.sh) and take the lowest free bus numbers: from here on the
# default mode opens one of them. The first one is read at once, as a
# technician would the moment it is plugged in (see read_at_once).
usb_plug_mcp2221_pair() {
  usb_gadget_start mcp2221 mcp2221 0x04d8 0x00dd "MCP2221 USB-I2C/UART Combo" dummy_udc.1
  usb_gadget_start mcp2221-spare mcp2221 0x04d8 0x00dd "MCP2221 USB-I2C/UART Combo" dummy_udc.2
  read_at_once mcp2221 >/tmp/read-at-once 2>&1 &
}

# read_at_once GADGET: `pelmor read Voltage` on the adapter as soon as it is
# listed, its driver's probe still under way; then its status and time.
read_at_once() {
  for _ in $(seq 600); do listed=$(usb_bus $1 listed) && break; sleep 0.1; done
  started=$(now)
  pelmor read --port $((listed + 1)) Voltage
  echo "status $? after $(echo "$(now) $started" | awk '{ printf "%.1f", $1 - $2 }') s"
}

# usb_plug NAME, usb_unplug NAME: the gadget bound to its controller, or
# unbound (the kernel may block the writer while it lets the device go).
usb_plug() { usb_bind $1 "$(cat /tmp/udc-$1)"; }
usb_unplug() { usb_bind $1 ""; }
usb_bind() {
  echo "$2" >$USB_CONFIG/$1/UDC &
  usb_wait $! 30 "binding $1 to the controller '$2'"
}

# usb_bus NAME [listed]: the i2c bus number of the adapter behind the gadget,
# once its driver's probe has ended: the adapter shows before that, and the
# last thing the drivers register is their GPIO chip (hid-cp2112, hid-mcp2221)
# or their sysfs attributes (hid-ft260). With "listed", as soon as it shows.
usb_bus() {
  udc=$(cat /tmp/udc-$1)
  probed=${2:-probed}
  for adapter in /sys/bus/i2c/devices/i2c-*; do
    path=$(readlink -f $adapter)
    case $path in
      */dummy_hcd.${udc#dummy_udc.}/*)
        set -- ${path%/i2c-*}/gpiochip* ${path%/i2c-*}/chip_mode
        { [ $probed = listed ] || [ -e "$1" ] || [ -e "$2" ]; } && [ -e /dev/${adapter##*/} ] &&
          echo ${adapter##*/i2c-} && return 0 ;;
    esac
  done
  return 1
}

# usb_wait_bus NAME SECONDS: the same, waiting for it.
usb_wait_bus() {
  for _ in $(seq $(($2 * 10))); do usb_bus $1 && return 0; sleep 0.1; done
  return 1
}

# usb_check WHAT COMMAND...: runs the command and records its result, with
# the time it took; a failure shows the start of the program's output and the
# last kernel messages.
usb_check() {
  local what=$1 check_started=$(now)
  shift
  if "$@"; then
    echo "ok   $what" | tee -a $USB_RESULTS
  else
    echo "FAIL $what" | tee -a $USB_RESULTS
    head -n 5 /tmp/out | sed 's/^/     /'
    dmesg | tail -n 8 | sed 's/^/     kernel: /'
  fi
  echo "$(now) $check_started" | awk '{ printf "     (%.1f s, up %.1f s)\n", $1 - $2, $1 }'
}

# usb_result ADAPTER: the scenario's result line.
usb_result() {
  passed=$(grep -c '^ok' $USB_RESULTS)
  total=$(wc -l <$USB_RESULTS)
  [ "$passed" -eq "$total" ] && verdict=PASS || verdict=FAIL
  echo "USB CHECK: $verdict ($passed of $total) $1"
  echo "$1 checked by $(now) s"
  rm -f $USB_RESULTS
}

# What `pelmor read` prints for the battery model at the rig's start.
usb_expected_read() {
  cat <<'TABLE'
ManufacturerAccess   0000                                       #H
RemainCapacityAlarm  440                                        maH 10mwH
RemainTimeAlarm      10                                         min
BatteryMode          0000                                       #H
AtRate               0                                          +/-ma 10mw
AtRateTimeToFull     65535                                      min
AtRateTimeToEmpty    65535                                      min
AtRateOK             1                                          T/F
Temperature          2965                                       0.1 degK
Voltage              12285                                      mv
Current              -1500                                      +/-ma
AverageCurrent       -1500                                      +/-ma
MaxError             2                                          %
RelStateOfCharge     94                                         %
AbsStateOfCharge     90                                         %
RemainingCapacity    3950                                       maH 10mwH
FullChargeCapacity   4200                                       maH 10mwH
RunTimeToEmpty       158                                        min
AveTimeToEmpty       158                                        min
AveTimeToFull        65535                                      min
ChargingCurrent      2000                                       ma
ChargingVoltage      12600                                      mv
BatteryStatus        00C0                                       #H
CycleCount           42                                         #D
DesignCapacity       4400                                       maH 10mwH
DesignVoltage        10800                                      mv
SpecificationInfo    0011                                       #H
ManufactureDate      5A6E                                       #H
SerialNumber         12345                                      #D
ManufacturerName     "Norvale Cells"                            string
DeviceName           "NV3S4400"                                 string
DeviceChemistry      "LION"                                     string
ManufacturerData     4E,56,01,02,10,00,A5,5A,03,E8,12,34,FF,00  block
TABLE
}

# The same as name|value|unit lines, one CSV record's fields after its time,
# and one JSON pass's registers.
usb_expected_fields() {
  usb_expected_read | awk '{ v = substr($0, 22, 43); sub(/ +$/, "", v); n = $1
                             print n "|" v "|" substr($0, 65) }'
}
usb_expected_csv() {
  usb_expected_fields | cut -d'|' -f2 | paste -sd, -
}
usb_expected_csv_header() {
  usb_expected_fields | awk -F'|' '{ print $1 "(" $3 ")" }' | paste -sd, -
}
# JSON values are typed: numbers, a #H word also as its digits, a string's
# characters, a block's bytes.
usb_expected_json() {
  usb_expected_fields | awk -F'|' '
    function hex(s,  i, n) {
      for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789ABCDEF", substr(s, i, 1)) - 1
      return n + 0
    }
    { v = $2; extra = ""
      if ($3 == "string") { gsub(/^"|"$/, "", v); v = "\"" v "\"" }
      else if ($3 == "block") { n = split($2, b, ","); v = "["
                                for (i = 1; i <= n; i++) v = v (i > 1 ? "," : "") hex(b[i])
                                v = v "]" }
      else if ($3 == "#H") { extra = "\"hex\":\"" $2 "\","; v = hex($2) }
      printf "%s{%s\"name\":\"%s\",\"ok\":true,\"unit\":\"%s\",\"value\":%s}", (NR > 1 ? "," : ""), extra, $1, $3, v }'
}

# The checks every adapter goes through. Each is a function whose status is
# the check's result; $port is the adapter's port.

default_mode_opens_the_adapter() {
  pelmor read Voltage SerialNumber >/tmp/out 2>&1 &&
    grep -q "^Voltage  *12285  *mv$" /tmp/out && grep -q "^SerialNumber  *12345 " /tmp/out
}
default_mode_leaves_the_stub() {  # STUB_PORT
  ! pelmor read --port $1 Voltage >/tmp/out 2>&1 && grep -q "not attached through USB" /tmp/out
}
hint_names_the_adapter() {  # ADAPTER_NAME
  i2c_port_hint >/tmp/out && grep -q "^[0-9]* = /dev/i2c-[0-9]*, $1" /tmp/out
}
reads_all_registers() {
  pelmor read --port $port >/tmp/out && usb_expected_read | diff - /tmp/out
}
write_reads_back() {
  pelmor write --port $port RemainCapacityAlarm=1234 >/tmp/out &&
    grep -q "^RemainCapacityAlarm  1234  maH 10mwH$" /tmp/out &&
    pelmor read --port $port RemainCapacityAlarm | grep -q "^RemainCapacityAlarm  1234  maH 10mwH$"
}
csv_as_on_the_rig() {
  pelmor read --port $port --format csv --count 1 | tr -d '\r' >/tmp/out &&
    [ "$(sed -n 1p /tmp/out)" = "Date/Time,$(usb_expected_csv_header)" ] &&
    [ "$(sed -n 2p /tmp/out | cut -d, -f2-)" = "$(usb_expected_csv)" ]
}
json_as_on_the_rig() {
  pelmor read --port $port --format json --count 1 >/tmp/out &&
    [ "$(sed 's/,"start":"[^"]*"//' /tmp/out)" = "{\"registers\":[$(usb_expected_json)]}" ]
}
empty_address_is_not_acknowledged() {
  pelmor read --port $port --address 20 --verbose Voltage >/tmp/out 2>/tmp/err
  [ $? -eq 1 ] && grep -q "^Voltage  NACK  mv$" /tmp/out &&
    [ "$(grep -c '^pelmor.link: <<Addressed Slave Not Acknowledging>>$' /tmp/err)" -eq 5 ] ||
    { sed 's/^/     stderr: /' /tmp/err; false; }
}
pec_is_refused() {
  pelmor read --port $port --pec Voltage >/tmp/out 2>&1
  [ $? -eq 3 ] && grep -q "cannot do Packet Error Checking" /tmp/out
}

# probe_finds_the_battery CLOCK_LINE: `pelmor probe` on the adapter concludes
# that the battery answers at 0x0B, tells the bus clock in a line that matches
# the pattern, and says how long the whole probe took.
probe_finds_the_battery() {
  started=$(now)
  pelmor probe --port $port >/tmp/out 2>&1
  status=$?
  echo "pelmor probe: status $status after $(echo "$(now) $started" | awk '{ printf "%.2f", $1 - $2 }') s"
  cat /tmp/out
  [ $status -eq 0 ] && grep -q "$1" /tmp/out &&
    grep -q "^Conclusion: A Smart Battery answers at 0x0B (address byte 16): Norvale Cells NV3S4400" /tmp/out
}
# probe_sets_the_ft260_clock: with 400 kHz set through hid-ft260's attribute,
# `pelmor probe` tells it, warns, and prints the command that sets 100 kHz;
# that command, run as printed (as root, no sudo here), sets it: the next
# probe tells 100 kHz. Debian 12's driver takes only a write of four bytes
# (its store returns the report's size, not the count written), as "400\n".
# With --pec the FT260 is refused before the sweep, so each probe is quick
# while an address that does not answer costs the sweep seconds here.
probe_sets_the_ft260_clock() {
  clock=$(ls /sys/bus/hid/devices/*/clock) && echo 400 >$clock &&
    pelmor probe --port $port --pec >/tmp/out 2>&1
  cat /tmp/out
  set_clock=$(sed -n "s/^ *set SMBus's 100 kHz with: //p" /tmp/out)
  grep -q "^warn  bus clock  *400 kHz (hid-ft260's attribute $clock): above the 100 kHz" /tmp/out &&
    [ "$set_clock" = "echo 100 | sudo tee $clock" ] &&
    eval "$(echo "$set_clock" | sed 's/sudo //')" >/dev/null &&
    pelmor probe --port $port --pec >/tmp/out 2>&1
  status=$?
  grep "bus clock" /tmp/out
  [ $status -eq 3 ] && grep -q "^ok    bus clock  *100 kHz (hid-ft260's attribute $clock)$" /tmp/out
}

# The checks of a pack that stretches the clock and of the documented faults,
# for each adapter at once (their waits, the drivers' time-outs and the
# scan's pauses, overlap): each on its own files, /tmp/GADGET.*.

# reads_at_stretches GADGET [every]: `pelmor read Voltage` while the pack
# stretches the clock 0, 5, 15, 25 and 100 ms on every transfer that names a
# register (the line the gadget's emulator reads, see BatteryBus.h). The
# value comes at 0 ms, and with "every" at each stretch; otherwise either it
# comes, or the read ends with status 1 and the program says that the
# adapter's driver gave up while the pack held the clock. Prints each outcome.
reads_at_stretches() {
  failed=0
  for stretch in 0 5 15 25 100; do
    echo "stretch $stretch" >/tmp/bus-$1
    started=$(now)
    pelmor read --port $port Voltage >/tmp/$1.out 2>/tmp/$1.err
    status=$?
    echo "$1, stretch $stretch ms: $(sed -n 's/^Voltage  *//p' /tmp/$1.out), status $status" \
      "after $(since $started) s"
    grep -q "^Voltage  12285  mv$" /tmp/$1.out && [ $status -eq 0 ] && continue
    sed 's/^/     stderr: /' /tmp/$1.err
    [ $stretch -gt 0 ] && [ "$2" != every ] && [ $status -eq 1 ] &&
      grep -q "the driver gave up while the pack held the clock" /tmp/$1.err || failed=1
  done
  : >/tmp/bus-$1
  return $failed
}

# faults_as_seen GADGET: each fault the chip documents beyond an empty
# address (empty_address_is_not_acknowledged, and every probe's sweep), on the
# bus in turn: the pack refusing a command byte (Voltage's), a lost
# arbitration, a bus held low. A row each of
# what the technician sees: `pelmor read Voltage`'s fault word and status,
# whether it names the faults its driver reports alike, and `pelmor probe`'s
# status and conclusion. Every read ends with a fault word and status 1, every
# probe with status 1.
faults_as_seen() {
  failed=0
  for fault in data-nack arbitration held; do
    started=$(now)
    echo "fault $fault" >/tmp/bus-$1
    pelmor read --port $port Voltage >/tmp/$1.out 2>/tmp/$1.err
    status=$?
    word=$(sed -n 's/^Voltage  *\([A-Z]*\)  *mv$/\1/p' /tmp/$1.out)
    alike=$(grep -c "cannot be told here" /tmp/$1.err)
    pelmor probe --port $port >/tmp/$1.probe 2>&1
    probe_status=$?
    echo "| $1 | $fault | $word | $status | $alike | $probe_status |" \
      "$(sed -n 's/^Conclusion: //p' /tmp/$1.probe) | $(since $started) |"
    [ -n "$word" ] && [ $status -eq 1 ] && [ $probe_status -eq 1 ] || failed=1
  done
  : >/tmp/bus-$1
  return $failed
}

# stretch_and_fault_checks GADGET...: both checks on each adapter, in the
# background, the adapters at once, their results apart from the scenario's;
# stretch_and_fault_result then waits for them all and prints one result
# line, USB CHECK: ... STRETCH AND FAULTS.
stretch_and_fault_checks() {
  for gadget in "$@"; do
    (
      USB_RESULTS=/tmp/usb-results-stretch
      bus=$(usb_wait_bus $gadget 40) && port=$((bus + 1)) || exit 1
      every=
      [ $gadget = ft260 ] && every=every
      usb_check "$gadget: reads while the pack stretches the clock" reads_at_stretches $gadget $every
      usb_check "$gadget: each documented fault: a fault word, status 1, a probe's conclusion" \
        faults_as_seen $gadget
    ) >/tmp/$gadget.log 2>&1 &
    echo "$gadget $!" >>/tmp/stretch-checks
  done
}
stretch_and_fault_result() {
  while read -r gadget pid; do usb_wait $pid 200 "the stretch and fault checks of $gadget"; done \
    </tmp/stretch-checks
  echo "| adapter | fault | read: word | status | faults alike named | probe: status | conclusion | s |"
  for gadget in $(cut -d' ' -f1 /tmp/stretch-checks); do grep "^| " /tmp/$gadget.log; done
  for gadget in $(cut -d' ' -f1 /tmp/stretch-checks); do grep -v "^| " /tmp/$gadget.log; done
  USB_RESULTS=/tmp/usb-results-stretch
  usb_result "STRETCH AND FAULTS"
}

# unplug_mid_read GADGET: `pelmor read --every 1 --format csv` on the adapter,
# its gadget unbound from the controller once a record is out.
unplug_mid_read() {
  # Emptied first: the read's own redirection may come after the first look
  # at the file, which an earlier check's records must not satisfy.
  : >/tmp/csv
  /bin/pelmor read --port $port --every 1 --format csv >/tmp/csv 2>/tmp/csv.err &
  reader=$!
  for _ in $(seq 300); do [ "$(wc -l </tmp/csv)" -ge 2 ] && break; sleep 0.1; done
  sleep 0.3
  unplugged=$(now)
  usb_unplug $1
  usb_wait $reader 30 "pelmor read, its adapter unplugged"
  status=$?
  echo "unplug to exit: $(echo "$(now) $unplugged" | awk '{ printf "%.2f", $1 - $2 }') s, status $status"
  cat /tmp/csv.err
  fields=$(sed -n 2p /tmp/csv | awk -F, '{ print NF }')
  [ $status -eq 4 ] && grep -q "the adapter was lost" /tmp/csv.err &&
    [ "$(tail -c 1 /tmp/csv | od -An -c | tr -d ' ')" = '\n' ] &&
    [ "$(sed 1d /tmp/csv | awk -F, -v n=$fields 'NF != n' | wc -l)" -eq 0 ]
}
# swapped_between_passes GADGET OTHER: `pelmor read --every 8` on the
# adapter, unplugged between two passes and the other gadget plugged in, which
# the kernel gives the freed bus number: the read ends, the adapter lost,
# instead of going on with the other one. Then the adapter is plugged back.
swapped_between_passes() {
  : >/tmp/csv
  /bin/pelmor read --port $port --every 8 --format csv Voltage >/tmp/csv 2>/tmp/csv.err &
  reader=$!
  for _ in $(seq 300); do [ "$(wc -l </tmp/csv)" -ge 2 ] && break; sleep 0.1; done
  usb_unplug $1
  usb_plug $2
  for _ in $(seq 100); do [ "$(usb_bus $2 listed)" = $bus ] && break; sleep 0.1; done
  echo "$2 on /dev/i2c-$(usb_bus $2 listed) in place of $1 on /dev/i2c-$bus"
  usb_wait $reader 30 "pelmor read, its adapter swapped"
  status=$?
  echo "pelmor read: status $status"
  cat /tmp/csv.err | tee /tmp/out
  usb_unplug $2
  usb_plug $1
  bus=$(usb_wait_bus $1 40) && port=$((bus + 1)) &&
    [ $status -eq 4 ] && grep -q "not the adapter opened on it before" /tmp/csv.err
}
# read_while_probing: the read that read_at_once began when the adapter was
# plugged in got its value once the driver's probe let the answers through,
# however many of its attempts the probe timed out.
read_while_probing() {
  for _ in $(seq 1200); do grep -q "^status" /tmp/read-at-once && break; sleep 0.1; done
  cp /tmp/read-at-once /tmp/out
  echo "read at once: $(grep "^status" /tmp/out)"
  grep -q "^Voltage  12285  mv$" /tmp/out && grep -q "^status 0 " /tmp/out
}
# replug_is_found GADGET: bound again, its adapter is read again (it may come
# back under another bus number).
replug_is_found() {
  usb_plug $1
  bus=$(usb_wait_bus $1 40) || return 1
  echo "back as /dev/i2c-$bus after $(echo "$(now) $unplugged" | awk '{ printf "%.1f", $1 - $2 }') s"
  pelmor read --port $((bus + 1)) Voltage | grep -q "^Voltage  12285  mv$"
}
