#!/usr/bin/env python3
"""Writes the placeholder flash-loader images and the placeholder POD firmware image.

We do not ship the vendor's target code. These files have the exact sizes and layout the
program and the POD expect, and deterministic contents, so that transfers and verifies can be
checked end to end. Drop the real images into a directory given with --resources to replace
them (same file names).

Run by hand from the repository root: python3 scripts/make-resources.py
"""
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# One file per distinct loader image, named after the first part that uses it; word counts.
LOADERS = [
    ("DSP56F801", 317), ("DSP56F803", 317), ("DSP56F807", 399), ("DSP56F826", 317),
    ("DSP56F827", 317), ("MC56F8002", 258), ("MC56F8011", 296), ("MC56F8013", 296),
    ("MC56F8023", 281), ("MC56F8036", 281), ("MC56F8037", 279), ("MC56F8322", 597),
    ("MC56F8335", 581), ("MC56F8355", 589), ("MC56F8365", 593), ("MC56F8367", 591),
]

FIRMWARE_SIZE = 24101
FIRMWARE_TAG_OFFSET = 0x200
FIRMWARE_TAG = b"QUOBIN POD FIRMWARE V1.2\0"


def fnv1a(text):
    h = 0x811C9DC5
    for ch in text.encode("ascii"):
        h ^= ch
        h = (h * 0x01000193) & 0xFFFFFFFF
    return h


def xorshift_stream(state):
    state = state or 1
    while True:
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        yield state


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    print(f"{os.path.relpath(path, ROOT)}: {len(data)} bytes")


def make_loader(name, words):
    gen = xorshift_stream(fnv1a(name))
    return b"".join(struct.pack("<H", next(gen) & 0xFFFF) for _ in range(words))


def make_firmware():
    # Cortex-M vector table of an STM32F1-class part: 16 system vectors and 60 interrupts.
    # Every handler sits in flash at 0x0800xxxx with the Thumb bit set.
    vectors = [0x20005000, 0x08000401]
    vectors += [0x08000501 + 4 * i for i in range(2, 16 + 60)]
    data = bytearray(b"".join(struct.pack("<I", v) for v in vectors))
    gen = xorshift_stream(fnv1a("pod-firmware"))
    while len(data) < FIRMWARE_SIZE:
        data += bytes([next(gen) & 0xFF])
    data[FIRMWARE_TAG_OFFSET:FIRMWARE_TAG_OFFSET + len(FIRMWARE_TAG)] = FIRMWARE_TAG
    return bytes(data[:FIRMWARE_SIZE])


def main():
    for name, words in LOADERS:
        write(os.path.join(ROOT, "res", "loaders", name + ".bin"), make_loader(name, words))
    write(os.path.join(ROOT, "res", "firmware", "pod-firmware.bin"), make_firmware())


if __name__ == "__main__":
    main()
