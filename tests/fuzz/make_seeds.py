#!/usr/bin/env python3
"""Writes the starting inputs of every fuzz target into corpus/<target>/.

The seeds come from the sample HEX files and from the kinds of input the unit
tests use. Each target's input layout is described at the top of its
<name>_fuzz.cpp. Run once; fuzzing then adds to the folders (bench/fuzz.sh).
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
CORPUS = os.path.join(HERE, "corpus")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as out:
        out.write(data)


def record(rtype, address, data=b""):
    body = bytes([len(data), address >> 8, address & 0xFF, rtype]) + data
    checksum = (-sum(body)) & 0xFF
    return (":" + (body + bytes([checksum])).hex().upper()).encode()


def lines(records, end=b"\r\n"):
    return b"".join(r + end for r in records)


END = b":00000001FF"


def sample_head(name, count):
    with open(os.path.join(ROOT, "samples", name), "rb") as f:
        head = f.read().splitlines()[:count]
    return b"\r\n".join(head) + b"\r\n" + END + b"\r\n"


# ---- HEX loader: chip, bootload, area KiB (2), offset choice, mode, file ----
def hex_header(chip, boot, area, offset_choice, mode=0):
    return bytes([chip, boot]) + struct.pack(">H", area) + bytes([offset_choice, mode])


def seeds_hex_image():
    write("hex_image", "sample-581x", hex_header(0, 0, 0, 1) + sample_head("demo_kq581x.hex", 30))
    write("hex_image", "sample-58xx", hex_header(1, 0, 0, 3) + sample_head("demo_kq58xx.hex", 30))
    write("hex_image", "sample-58xx-area", hex_header(1, 1, 52, 3) + sample_head("demo_kq58xx.hex", 30))
    write("hex_image", "end-only", hex_header(1, 0, 0, 1) + END + b"\n")
    write("hex_image", "edge-581x", hex_header(0, 0, 0, 1) + lines(
        [record(0, 0xFDF0, bytes(16)), record(4, 0, b"\x00\xFF"), record(0, 0x2000, b"\x12\x34"), END]))
    write("hex_image", "edge-58xx", hex_header(1, 2, 0, 1) + lines(
        [record(4, 0, b"\x00\x07"), record(0, 0xFFF0, bytes(range(16))), record(2, 0, b"\x10\x00"),
         record(0, 0x0010, b"\xAA"), END.lower()], b"\n"))
    write("hex_image", "old-mac-ends", hex_header(1, 0, 0, 2) + lines(
        [record(0, 0x1000, b"\x01\x02\x03"), record(5, 0, b"\x00\x00\x10\x00"), END], b"\r"))
    write("hex_image", "malformed", hex_header(1, 0, 0, 1) + b":10100000112233445566E0\n:0100000210ED\n:\n")
    write("hex_image", "no-end", hex_header(0, 0, 0, 0) + record(0, 0x0100, b"\x55" * 8) + b"\n" +
          record(0, 0x0200, b"\x66"))
    # Planned loads: line-end choice, then (upper, address, count, data) groups.
    write("hex_image", "plan-small", hex_header(1, 0, 0, 1, 1) + bytes([1, 0, 0x10, 0x00, 4, 1, 2, 3, 4,
                                                                     7, 0xFF, 0xF8, 8]) + bytes(range(8)))
    write("hex_image", "plan-overlap", hex_header(1, 0, 0, 1, 1) + bytes([0, 2, 0x00, 0x00, 3, 9, 9, 9,
                                                                       2, 0x00, 0x01, 2, 7, 7]))


# ---- merge engine: chip, boot text, NUL, user text ----
def seeds_merge():
    boot = lines([record(0, 0x0000, bytes(range(16))), record(0, 0x0010, bytes(16)), END])
    user = lines([record(0, 0x4000, bytes(range(16))), record(0, 0x4010, b"\x11" * 16), END])
    overlap = lines([record(0, 0x0008, bytes(16)), record(0, 0x4000, bytes(16)), END])
    upper = lines([record(4, 0, b"\x00\x01"), record(0, 0x0000, bytes(16)), record(5, 0, b"\x00\x01\x00\x00"), END])
    write("merge_engine", "merged", b"\x01" + boot + b"\0" + user)
    write("merge_engine", "overlap", b"\x01" + boot + b"\0" + overlap)
    write("merge_engine", "upper-address", b"\x01" + boot + b"\0" + upper)
    write("merge_engine", "581x-mirror", b"\x00" + lines([record(4, 0, b"\x00\xFF")]) + boot + b"\0" + user)
    write("merge_engine", "581x-too-large", b"\x00" + boot + b"\0" + lines([record(0, 0xFE00, b"\x01" * 16)] * 3 + [END]))
    write("merge_engine", "short-header", b"\x01" + b":1000\r\n" + boot + b"\0" + user)
    write("merge_engine", "no-tail", b"\x01" + boot[:-2] + b"\0" + user)
    write("merge_engine", "samples", b"\x01" + sample_head("demo_kq581x.hex", 12) + b"\0" +
          sample_head("demo_kq58xx.hex", 12))


# ---- link receive: flags, code low byte, 6 address bytes, [time-out], seed (4), n (2), at (2), stream ----
def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0x8408 if crc & 1 else crc >> 1
    return crc


def frame(code, address, payload=b""):
    body = bytes([0x68]) + struct.pack(">H", len(address) + 2 + len(payload)) + bytes([0x68]) + \
        struct.pack(">H", code) + address + payload
    return body + struct.pack(">H", crc16(body)) + bytes([0x16])


def seeds_link():
    addr = bytes([0x00, 0xFF, 0x02, 0x00])
    module = bytes([0x01, 0x00, 0x00, 0x00, 0x00, 0x00])
    wild = bytes([0xAA] * 6)

    def head(flags, low, address6, n=0, at=0, seed=0x12345678, timeout=None):
        h = bytes([flags, low]) + address6
        if timeout is not None:
            h += bytes([timeout])
        return h + struct.pack(">IHH", seed, n, at)

    noise = bytes([0x68, 0x00, 0x06, 0x68, 0x68, 0x16, 0x00, 0x68]) * 4
    write("link_receive", "flash-reply-in-noise",
          head(0, 0x08, addr + b"\0\0") + noise + frame(0x9508, addr, b"\x01\x02\x03") + noise)
    write("link_receive", "flash-error-bit", head(0, 0xFF, bytes(6)) + frame(0xD5FF, bytes(4)))
    write("link_receive", "flash-other-address", head(0, 0x08, addr + b"\0\0") + frame(0x9508, bytes(4), b"\x05"))
    write("link_receive", "flash-embedded", head(0x02, 0x01, addr + b"\0\0", n=16, at=40) + bytes(range(200)))
    write("link_receive", "module-reply", head(0x01, 0x01, module) + noise + frame(0x9601, module, b"\x00\x00"))
    write("link_receive", "module-wildcard", head(0x01, 0x03, wild) + frame(0xD603, bytes(range(1, 7)), b"\x09"))
    write("link_receive", "module-embedded", head(0x07, 0x02, wild, n=512, at=300) + bytes(range(256)) * 4)
    write("link_receive", "garbage-hold-limit", head(0x02, 0x00, bytes(6), n=4, at=1100) + b"\x68" * 1200)
    write("link_receive", "short-time", head(0x08, 0x08, addr + b"\0\0", timeout=30) + frame(0x9508, addr))
    write("link_receive", "split-polls", head(0, 0x10, bytes(6), seed=0xDEADBEEF) +
          frame(0x9510, bytes(4), bytes(range(250))) * 2)


# ---- parameter file: mode, then file bytes or texts separated by 0x01 and seven numbers ----
def seeds_parameter():
    initial = "#####AAAAAAAAAAAA##1000##12000##3##7##0##56##0##0##0#".encode() + b"\0"
    write("parameter_file", "initial", b"\x00" + initial)
    write("parameter_file", "older-tail", b"\x00" + initial[:-1].replace(b"12000", b"1") + b"\0" + b"0##0##0#")
    path = "D:\\固件\\升级.hex".encode("gb18030")
    time = "最近修改时间:2024-01-02 03:04:05".encode("gb18030")
    write("parameter_file", "gb-texts", b"\x00#" + path + b"##" + time + b"##000000000001##4000##12000#"
          b"# -3 ##+7##x##2147483648##1##2##31#junk\0")
    write("parameter_file", "two-fields", b"\x00#a##b#\0")
    write("parameter_file", "long-field", b"\x00#" + b"x" * 999 + b"#" + b"##" * 11 + b"\0")
    write("parameter_file", "built", b"\x01" + "C:/升级.hex".encode() + b"\x01t\x01AAAAAAAAAAAA\x011000\x01\x01" +
          struct.pack(">7i", 3, 7, 0, 56, 1, 2, 31))
    write("parameter_file", "built-negative", b"\x01a\x01b\x01c\x01d\x01e\x01" + struct.pack(">7i", -1, 0, -2147483648, 0, 0, 0, 0))


# ---- line file: mode, extra count, file bytes or values separated by NUL ----
def seeds_line_file():
    path = "D:\\固件\\升级.hex".encode("gb18030")
    time = "最近修改时间:2024-01-02 03:04:05".encode("gb18030")
    write("line_file", "own-file", b"\x02\x00" + path + b"\r\r\n" + time + b"\r\r\n")
    write("line_file", "crlf-file", b"\x02\x01" + path + b"\r\n" + time + b"\r\n")
    write("line_file", "lf-no-end", b"\x04\x00" + path + b"\n" + time)
    write("line_file", "damaged-gb", b"\x02\x00\x81\r\r\n\xFE\x30\r\n\r\r\r\n")
    write("line_file", "values", b"\x01\x00" + "D:/固件/升级.hex".encode() + b"\0" + "最近修改时间:2024".encode())
    write("line_file", "values-crs", b"\x01\x02a\r\0\r\r\0\0b")
    write("line_file", "values-emoji", b"\x01\x00" + "路径😀".encode() + b"\0x")


# ---- module address: the text ----
def seeds_module_address():
    for name, text in [("wildcards", "AAAAAAAAAAAA"), ("digits", "000000000001"), ("short", "12"),
                       ("lower-wild", "aa0102030405"), ("mixed", "aA12"), ("long", "1234567890123"),
                       ("signs", "-1+2 3"), ("empty", "")]:
        write("module_address", name, text.encode())


def main():
    seeds_hex_image()
    seeds_merge()
    seeds_link()
    seeds_parameter()
    seeds_line_file()
    seeds_module_address()
    return 0


if __name__ == "__main__":
    sys.exit(main())
