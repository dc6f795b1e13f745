#!/bin/busybox sh
# /init of the test's initramfs: loads the parallel port drivers of the stock
# kernel and runs the test driver. Every line the host reads starts with
# "KAVTRA ". The order matters: the host expects exactly these writes to the
# port after the drivers have loaded.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp

for module in parport parport_pc ppdev; do
  insmod /lib/$module.ko || echo "KAVTRA cannot load $module"
done
echo "KAVTRA modules loaded: $(cat /proc/sys/dev/parport/parport0/modes)"

kavtra-guest ppdev /dev/parport0
echo "KAVTRA exit ppdev $?"
kavtra-guest io 0x378
echo "KAVTRA exit io $?"

# With the printer driver registered on the port, ppdev refuses the exclusive
# claim and the program shares the port.
insmod /lib/lp.ko || echo "KAVTRA cannot load lp"
kavtra-guest open /dev/parport0
echo "KAVTRA exit shared $?"
rmmod lp

# Failures through the real kernel; none of them may touch the port.
kavtra-guest open /dev/parport1
echo "KAVTRA exit missing $?"
kavtra-guest nobody open /dev/parport0
echo "KAVTRA exit denied $?"
kavtra-guest nobody open io:0x378
echo "KAVTRA exit notroot $?"

# Another program holds the port exclusively: its claim is the last thing
# the host sees on the port.
kavtra-guest hold /dev/parport0 /tmp/held &
holder=$!
tries=0
while [ ! -e /tmp/held ] && [ $tries -lt 500 ]; do usleep 10000; tries=$((tries + 1)); done
kavtra-guest open /dev/parport0
echo "KAVTRA exit busy $?"
kill $holder

mount -t securityfs securityfs /sys/kernel/security
echo integrity > /sys/kernel/security/lockdown
kavtra-guest open io:0x378
echo "KAVTRA exit lockdown $?"

echo "KAVTRA all done"
poweroff -f
