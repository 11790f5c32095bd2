#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Sends one Notify call whose texts are not UTF-8, written byte by byte (D-Bus libraries refuse to),
# from a chosen app's desktop entry. Waits until the bus hangs up or a few seconds pass, so that
# whatever the bus does with it has happened when this ends. With "valid", the same call in good
# UTF-8, to show that the call itself is well made. usage: send_raw_notify.py DESKTOP_ENTRY [valid]
import os
import socket
import struct
import sys


class Writer:
    def __init__(self):
        self.b = bytearray()

    def align(self, n):
        while len(self.b) % n:
            self.b.append(0)

    def byte(self, v):
        self.b.append(v)

    def u32(self, v):
        self.align(4)
        self.b += struct.pack("<I", v)

    def i32(self, v):
        self.align(4)
        self.b += struct.pack("<i", v)

    def string(self, raw):  # raw bytes, as sent
        self.u32(len(raw))
        self.b += raw + b"\0"

    def signature(self, sig):
        self.byte(len(sig))
        self.b += sig.encode() + b"\0"


def message(serial, path, interface, member, destination, sig="", body=b""):
    fields = Writer()
    for code, typ, value in ((1, "o", path), (2, "s", interface), (3, "s", member), (6, "s", destination)):
        fields.align(8)
        fields.byte(code)
        fields.signature(typ)
        fields.string(value.encode())
    if sig:
        fields.align(8)
        fields.byte(8)
        fields.signature("g")
        fields.signature(sig)
    head = Writer()
    head.b += b"l" + bytes([1, 0, 1])
    head.u32(len(body))
    head.u32(serial)
    head.u32(len(fields.b))
    head.b += fields.b
    head.align(8)
    return bytes(head.b) + body


def notify_body(entry, valid):
    w = Writer()
    bad = b"Chat" if valid else b"Chat \xff\xfe not text"
    w.string(bad)  # app_name
    w.u32(0)  # replaces_id
    w.string(b"")  # app_icon
    w.string(bad)  # summary
    w.string(bad)  # body
    w.u32(0)  # actions: empty array (its elements would align to 4)
    # hints: a{sv} with one entry, desktop-entry -> s
    w.u32(0)
    length_at = len(w.b) - 4
    w.align(8)
    start = len(w.b)
    w.string(b"desktop-entry")
    w.signature("s")
    w.string(entry.encode())
    struct.pack_into("<I", w.b, length_at, len(w.b) - start)
    w.i32(-1)
    return bytes(w.b)


def connect():
    address = os.environ["DBUS_SESSION_BUS_ADDRESS"].split(";")[0]
    kind, _, params = address.partition(":")
    opts = dict(p.split("=", 1) for p in params.split(",") if "=" in p)
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    if "path" in opts:
        s.connect(opts["path"])
    elif "abstract" in opts:
        s.connect("\0" + opts["abstract"])
    else:
        sys.exit("unsupported bus address " + address)
    s.sendall(b"\0AUTH EXTERNAL " + str(os.getuid()).encode().hex().encode() + b"\r\n")
    if not s.recv(4096).startswith(b"OK"):
        sys.exit("bus refused authentication")
    s.sendall(b"BEGIN\r\n")
    return s


def main():
    s = connect()
    s.sendall(message(1, "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello", "org.freedesktop.DBus"))
    s.sendall(message(2, "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "Notify",
                      "org.freedesktop.Notifications", "susssasa{sv}i", notify_body(sys.argv[1], sys.argv[2:] == ["valid"])))
    # The bus hangs up on a sender of malformed text; anything else has been routed within a few seconds.
    s.settimeout(3)
    try:
        while s.recv(65536):
            pass
        print("the bus hung up", file=sys.stderr)
    except socket.timeout:
        print("the bus kept the connection", file=sys.stderr)


if __name__ == "__main__":
    main()
