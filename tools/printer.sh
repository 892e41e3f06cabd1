#!/bin/bash
# The test printer: CUPS with a CUPS-PDF queue whose only paper is the 241 x 139.5 mm form, and
# in the Wine prefix the printer "EPSON LQ-735K" (the client's default) on that queue. Every
# print becomes a PDF in build/printed/ (the job id in its name). Safe to run again.
#
#   source tools/printer.sh     sets PRINTED (the PDF folder) and CUPSD_PID (the scheduler's
#                               process id when this run started it, so the caller can stop it)
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
QUEUE=norvane_form
PRINTED="$ROOT/build/printed"
CUPSD_PID=
mkdir -p "$PRINTED"
chmod 0777 "$PRINTED"   # CUPS-PDF writes as the unprivileged user it runs the job as

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    mkdir -p /run/cups
    /usr/sbin/cupsd -f >/dev/null 2>&1 &
    CUPSD_PID=$!
    for _ in $(seq 50); do lpstat -r 2>/dev/null | grep -q "is running" && break; sleep 0.1; done
fi

# CUPS-PDF reads a configuration of the queue's own: its own folder, the job id in the name.
cat >/etc/cups/cups-pdf-$QUEUE.conf <<CONF
Out $PRINTED
AnonDirName $PRINTED
Label 1
UserUMask 0000
CONF
# A second queue at 75 dpi, for the benchmark of long previews (the preview's 128 MiB budget
# holds 128 pages only at such a resolution).
sed 's/300dpi/75dpi/g; s/HWResolution\[300 300\]/HWResolution[75 75]/' \
    "$ROOT/tools/printer/norvane-form.ppd" >"$PRINTED/.norvane-form-75dpi.ppd"
for q in "$QUEUE" "${QUEUE}_75dpi"; do
    cp "/etc/cups/cups-pdf-$QUEUE.conf" "/etc/cups/cups-pdf-$q.conf" 2>/dev/null || true
    if ! lpstat -p "$q" >/dev/null 2>&1; then
        ppd="$ROOT/tools/printer/norvane-form.ppd"
        [ "$q" = "$QUEUE" ] || ppd="$PRINTED/.norvane-form-75dpi.ppd"
        lpadmin -p "$q" -E -v "cups-pdf:/$q" -P "$ppd" -o printer-error-policy=abort-job \
            2>/dev/null
    fi
    cupsenable "$q" 2>/dev/null
    cupsaccept "$q" 2>/dev/null
done

# Wine lists each queue as a printer of its own name; the client's default needs one more.
if [ -x "$ROOT/build/windows/add_printer.exe" ]; then
    "$ROOT/tools/wine.sh" "$ROOT/build/windows/add_printer.exe" "EPSON LQ-735K" "$QUEUE" ||
        echo "printer.sh: could not add EPSON LQ-735K to the Wine prefix"
fi
export PRINTED CUPSD_PID
