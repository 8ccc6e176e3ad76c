#!/usr/bin/env bash
# Regenerates avr-types.elf: compiler-written DWARF 2 with this target's type sizes
# (2-byte int, 4-byte long, float and double; bit offsets counted from the MSB), made
# with packaged tools. e_machine is set to 200 (56800EX) as the real toolchain writes it.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
clang --target=avr -mmcu=atmega328 -gdwarf-2 -c avr-types.c -o "$tmp/avr-types.o"
ld.lld -e 0 "$tmp/avr-types.o" -o avr-types.elf
printf '\xc8\x00' | dd of=avr-types.elf bs=1 seek=18 conv=notrunc status=none
