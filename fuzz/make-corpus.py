#!/usr/bin/env python3
"""Writes the seed corpus of the .qzm loader into fuzz/corpus/."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(here, "corpus")
os.makedirs(out, exist_ok=True)


def i32(v):
    return struct.pack("<i", v)


def text(b):
    return i32(len(b) + 1) + b + b"\0"


def record(desc, address, number, parameter):
    return text(desc) + i32(address) + i32(number) + i32(parameter)


def doc(version=3, reads=(), writes=(), settings=(0, 1, 0, 100), marker=2, port=1, desc=b"",
        n_read=None, n_write=None):
    b = i32(version) + i32(len(reads) if n_read is None else n_read)
    b += i32(len(writes) if n_write is None else n_write)
    if version == 3:
        b += b"".join(i32(v) for v in settings)
    b += i32(marker) + i32(port) + text(desc)
    for r in list(reads) + list(writes):
        b += record(*r)
    return b


worked = doc(reads=[(b"", 1, 0, 1)])
assert len(worked) == 58
full = doc(reads=[(b"read %d" % i, i + 1, i, i % 2) for i in range(48)],
           writes=[(b"write\r\n%d \xe9" % i, 247, 9999 - i, 1) for i in range(48)],
           settings=(1, 0, 2, 1000), port=4, desc=b"Boiler house\r\nsecond line")
seeds = {
    "worked-example.qzm": worked,
    "new-document.qzm": doc(),
    "full.qzm": full,
    "version2.qzm": doc(version=2, reads=[(b"old", 5, 6, 0)], writes=[(b"w", 7, 8, 1)], port=3, desc=b"v2"),
    "version-negative.qzm": doc(version=-7, reads=[(b"", 1, 2, 3)]),
    "version4.qzm": i32(4) + worked[4:],
    "bad-marker.qzm": doc(marker=7, reads=[(b"x", 1, 1, 1)]),
    "nread60.qzm": doc(reads=[(b"%d" % i, i, i, 1) for i in range(60)], writes=[(b"w", 2, 2, 0)],
                       n_read=60, n_write=2),
    "negative-counts.qzm": doc(n_read=-1, n_write=-2147483648, desc=b"negative"),
    "truncated-in-header.qzm": worked[:22],
    "truncated-in-record.qzm": worked[:50],
    "truncated-in-text.qzm": doc(desc=b"a longer description")[:45],
    "text-length-past-end.qzm": doc()[:36] + i32(0x7FFFFFFF) + b"only a few bytes",
    "text-length-negative.qzm": doc()[:36] + i32(-5) + b"xyz",
    "text-length-zero.qzm": doc(reads=[(b"r", 1, 2, 3)])[:36] + i32(0) + doc(reads=[(b"r", 1, 2, 3)])[41:],
    "text-without-zero.qzm": doc()[:36] + i32(3) + b"abc",
    "empty.qzm": b"",
}
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
print("wrote %d seeds to %s" % (len(seeds), out))
