#!/usr/bin/env bash
# Regenerates clang-dwarf*.elf: compiler-written DWARF 2, 3, 4 and 5 of clang-types.c and
# clang-more.c for a 32-bit little-endian target, linked so that variables have their
# addresses and strings their final offsets. The -lldb files place bit fields with
# DW_AT_data_bit_offset (clang does for LLDB from DWARF 4 on).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
build() {
  local name="$1"
  shift
  for source in clang-types clang-more; do
    clang --target=arm-none-eabi -O0 -fno-common -fdebug-prefix-map="$PWD"=. "$@" -c "$source.c" -o "$tmp/$source.o"
  done
  ld.lld -e 0 "$tmp/clang-types.o" "$tmp/clang-more.o" -o "$name.elf" 2>&1 | grep -v "blx instruction" || true
}
build clang-dwarf2 -gdwarf-2
build clang-dwarf3 -gdwarf-3
build clang-dwarf4 -gdwarf-4
build clang-dwarf5 -gdwarf-5
build clang-dwarf4-lldb -gdwarf-4 -glldb
build clang-dwarf5-lldb -gdwarf-5 -glldb
