#!/usr/bin/env python3
"""Writes examples/demo.s, a small S-record file for the MC56F8367 (the default part).

It puts words into P1FLASH (reset vector and a block of code), BFLASH (a boot block) and
DFLASH, both at the start of data flash (a constant table) and at its very end (a
configuration record), the layout the target tools produce. Data-flash addresses are
raised by the part's data-space offset, 0x2000000, as in the tools' files.

Run by hand from the repository root: python3 scripts/make-demo-sfile.py
"""
import math
import os

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA_SPACE_OFFSET = 0x2000000
WORDS_PER_RECORD = 16


def record(kind, address_bytes, address, payload):
    body = address.to_bytes(address_bytes, "big") + payload
    count = len(body) + 1
    checksum = (~(count + sum(body))) & 0xFF
    return f"S{kind}{count:02X}{body.hex().upper()}{checksum:02X}"


def s3_records(address, words):
    lines = []
    for i in range(0, len(words), WORDS_PER_RECORD):
        chunk = words[i:i + WORDS_PER_RECORD]
        payload = b"".join(w.to_bytes(2, "little") for w in chunk)  # low byte first
        lines.append(record(3, 4, address + i, payload))
    return lines


def main():
    lines = [record(0, 2, 0, b"demo.s")]

    # P1FLASH: reset vector (JMP 0x0200, two words) and the COP reset vector, then code.
    lines += s3_records(0x0000, [0xE984, 0x0200, 0xE984, 0x0200])
    code = [(0x8000 | (i * 37 + 11) & 0x7FFF) for i in range(256)]
    lines += s3_records(0x0200, code)

    # BFLASH: a boot block at the start of boot flash.
    boot = [(0x4000 + 3 * i) & 0xFFFF for i in range(64)]
    lines += s3_records(0x40000, boot)

    # DFLASH start: a Q15 sine table of 32 entries.
    sine = [int(round(32767 * math.sin(2 * math.pi * i / 32))) & 0xFFFF for i in range(32)]
    lines += s3_records(DATA_SPACE_OFFSET + 0x4000, sine)

    # DFLASH end: an 8-word configuration record ending at the last data-flash word.
    config = [0x5155, 0x4F42, 0x0001, 0x0002, 0x0000, 0x0000, 0x1234, 0xA55A]
    lines += s3_records(DATA_SPACE_OFFSET + 0x7FF8, config)

    lines.append(record(7, 4, 0, b""))
    path = os.path.join(ROOT, "examples", "demo.s")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    print(f"{os.path.relpath(path, ROOT)}: {len(lines)} records")


if __name__ == "__main__":
    main()
