#!/usr/bin/env bash
# Whether this machine runs the 32-bit Wine: starts its loader, a 32-bit
# program, since neither the kernel version nor /proc tells. Prints "yes (...)"
# and exits 0, or prints "no: <reason>" and exits 1.
# SETUP_NO_32BIT=1 makes a machine that can behave as one that cannot.
set -uo pipefail
if [ -n "${SETUP_NO_32BIT:-}" ] && [ "$SETUP_NO_32BIT" != 0 ]; then
    echo "no: SETUP_NO_32BIT=$SETUP_NO_32BIT is set, so this machine is treated as one that cannot run 32-bit code"
    exit 1
fi
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
    echo "no: the 32-bit Wine ($loader, package wine32:i386) is not installed"
    exit 1
fi
out=$(timeout -k 2 30 "$loader" --version 2>&1 </dev/null)
rc=$?
if [ $rc -eq 0 ] && [[ $out == wine-* ]]; then
    echo "yes ($out)"
    exit 0
fi
echo "no: the 32-bit Wine loader does not start (exit $rc: $(tr '\n' ' ' <<<"$out" | cut -c1-160))"
exit 1
