#!/usr/bin/env python3
"""Writes plant.qzm, the example configuration, byte for byte in the .qzm
format (version 3): little-endian 32-bit integers, texts as length + bytes
+ terminating zero."""
import os
import struct
import sys


def integer(value):
    return struct.pack("<i", value)


def text(value):
    data = value.encode("latin-1") + b"\0"
    return integer(len(data)) + data


def block(description, address, number, parameter):
    return text(description) + integer(address) + integer(number) + integer(1 if parameter else 0)


READ = [
    ("Boiler 1 flow temperature", 1, 100, True),
    ("Boiler 1 return temperature", 1, 101, True),
    ("Boiler 2 flow temperature", 2, 100, True),
    ("Pump P3 running hours", 17, 2048, False),
    ("Outdoor temperature", 247, 9999, False),
]
WRITE = [
    ("Boiler 1 set point", 1, 300, True),
    ("Boiler 2 set point", 2, 300, True),
    ("Pump P3 enable", 17, 12, False),
]

PROTOCOL = 1        # MODBUS-RTU
BAUD_RATE = 1       # 19200
PARITY = 0          # EVEN
TIMEOUT = 250       # ms
SERIAL_PORT = 1     # COM1


def document():
    data = integer(3) + integer(len(READ)) + integer(len(WRITE))
    data += integer(PROTOCOL) + integer(BAUD_RATE) + integer(PARITY) + integer(TIMEOUT)
    data += integer(2) + integer(SERIAL_PORT)
    data += text("Boiler house, heating plant north")
    for entry in READ + WRITE:
        data += block(*entry)
    return data


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "plant.qzm")
    with open(target, "wb") as f:
        f.write(document())
