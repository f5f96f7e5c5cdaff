#!/bin/busybox sh
# /init of the test machine: mounts the kernel's file systems, runs /guest.sh
# with its output on the serial console, reports how it ended, and powers off.
/bin/busybox --install -s
export PATH=/bin:/sbin:/usr/bin:/usr/sbin
export LD_LIBRARY_PATH=/lib/x86_64-linux-gnu:/usr/lib/x86_64-linux-gnu:/lib64:/lib:/usr/lib
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
echo "PELMOR GUEST: up after $(cut -d' ' -f1 /proc/uptime) s"
sh /guest.sh
status=$?
echo "PELMOR GUEST: guest script ended with status $status after $(cut -d' ' -f1 /proc/uptime) s"
poweroff -f
