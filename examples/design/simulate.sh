#!/bin/sh
# Simulates the example design with Icarus Verilog into activity.vcd (2 us of both clock
# domains, the design under the scope tb.u_dut). Needs iverilog (Debian package iverilog).
set -e
cd "$(dirname "$0")"
iverilog -g2005 -o tb.vvp tb.v design.v
vvp -n tb.vvp >/dev/null
rm -f tb.vvp
