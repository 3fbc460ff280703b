#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/seeds/<target>/: the replies,
files and register images the tests use, so the fuzzer starts from inputs that reach deep."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def crc(frame):
    reg = 0xFFFF
    for b in frame:
        reg ^= b
        for _ in range(8):
            reg = (reg >> 1) ^ 0xA001 if reg & 1 else reg >> 1
    return bytes([reg & 0xFF, reg >> 8])


def framed(hexbytes):
    body = bytes.fromhex(hexbytes)
    return body + crc(body)


def write(target, name, data):
    folder = os.path.join(here, "seeds", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# fuzz_reply: operation, parameter, then the reply bytes.
block = bytes.fromhex("5434794a000000000002000001040000") + bytes(14)
write("fuzz_reply", "read15", bytes([0, 15]) + framed("ff031e" + block.hex()[:60]))
write("fuzz_reply", "exception2", bytes([0, 15]) + framed("ff8302"))
write("fuzz_reply", "coil", bytes([1, 3]) + framed("ff050003ff00"))
write("fuzz_reply", "single", bytes([2, 6]) + framed("ff0600060000"))
write("fuzz_reply", "multiple", bytes([3, 1]) + framed("ff1000010002"))
write("fuzz_reply", "identification",
      bytes([4, 0]) + framed("ff0410" + b"T4yJ            ".hex()))
write("fuzz_reply", "newidentification",
      bytes([5, 0]) + framed("ff0410" + b"CWR1            ".hex()))
write("fuzz_reply", "firmwaretext", bytes([6, 0]) + framed("ff0408" + b"CWR 2.03".hex()))
write("fuzz_reply", "firmwarenumber", bytes([7, 0]) + framed("ff0402" + "0073"))

# fuzz_profile: INI files as the tests and the pages write them.
write("fuzz_profile", "page", b"[cForm1]\r\nc1ZdTextEdit=Text\r\nc1ZdOffScrollBar=-15\r\n"
      b"c1SkSpdComboBox=4\r\nmmShowHint=1\r\n")
write("fuzz_profile", "windows1250", b"; comment\r\n[temporary]\r\nc4ZdTextEdit=\xc8erpadlo\r\n"
      b"[windowPosition]\r\nTop=100\r\nLeft=-5\r\n")
write("fuzz_profile", "utf8", "[Čidlo]\nText=Čerpadlo žluté\n".encode("utf-8"))
write("fuzz_profile", "bom", b"\xef\xbb\xbf[mForm]\nmmLoadLast=1\nserialNameComboBox=\"0\"\n")
write("fuzz_profile", "odd", b"before=1\n[a]\n[A]\nk = v \n k=\"  q  \"\n=x\n[b\nkey\n")

# fuzz_page_config: a page chooser byte, then a configuration file.
write("fuzz_page_config", "t4yj", b"\x00[cForm1]\nc1ZdTextEdit=Text\nc1ZdOffScrollBar=1000\n"
      b"c1SkSpdComboBox=9\nc1SkAdrComboBox=253\nc1AuI1ScrollBar=-1000\nc1AuFhScrollBar=5\n")
write("fuzz_page_config", "zk", b"\x01[cForm4]\nc4ZdIntComboBox=4\nc4AuI1ScrollBar=30000\n"
      b"c4AuI2ScrollBar=-40000\nmmShowHint=0\n")
write("fuzz_page_config", "other", b"\x02[cForm99]\nx=1\n")

# fuzz_page_read: a page chooser byte, then register values.
for i in range(4):
    write("fuzz_page_read", "page%d" % i, bytes([i]) + block + struct.pack(">4H", 0xFFFF, 0x8000, 0, 1))

# fuzz_scan: the first address and how many (byte 0), then what the line brings back.
ident = b"T4yJ            ".hex()
write("fuzz_scan", "t4yj", bytes([16]) + framed("110410" + ident) + framed("1104020073")
      + framed("11030a" + b"Kotelna\0\0\0".hex()))
write("fuzz_scan", "cwr1", bytes([16]) + framed("11840200") + framed("110410" + b"CWR1            ".hex())
      + framed("110408" + b"CWR 2.03".hex()))
write("fuzz_scan", "crc", bytes([16 + 64]) + framed("110410" + ident)[:-1] + b"\x00")
write("fuzz_scan", "unknown", bytes([16]) + framed("110410" + b"XYZ             ".hex()) + framed("11840200"))

# fuzz_cli_args: arguments separated by NUL bytes.
write("fuzz_cli_args", "read", b"read\0--port\0COM1\0--model\0T4yJ\0-o\0out.ini")
write("fuzz_cli_args", "scan", b"scan\0--port\0tcp://127.0.0.1:5020\0--bauds\09600,19200\0"
      b"--addresses\01-30\0--timeout\050\0--json")
write("fuzz_cli_args", "write", b"write\0f.ini\0--port\0COM3\0--address\017\0--baud\09600\0"
      b"--dry-run\0--allow-defaults")
write("fuzz_cli_args", "batch", b"batch\0list.ini\0--port\0COM2\0--log\0x.csv\0--port-timeout\05")

# fuzz_gateway: operation, parameter, how the stream is made (0 raw, 1 the reply and more,
# 2 the reply changed, 3 the reply cut short at byte >> 2, then more), piece size and pause
# (top bits 111), then the bytes.
write("fuzz_gateway", "raw_read", bytes([0, 2, 0, 3]) + framed("ff0304" + "20012002"))
write("fuzz_gateway", "after", bytes([0, 0, 1, 0xE1]) + framed("ff0302" + "2001"))
write("fuzz_gateway", "changed", bytes([1, 7, 2, 5]) + bytes([0, 0x80]))
write("fuzz_gateway", "cut", bytes([2, 0, 3 + 4 * 9, 0xE0]) + b"ENTIFICATION16")
