#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Owns a bus name as a process other than the companion would. Silent: it never answers a call, as a
# stuck or foreign process. With --hostile-status it answers every call with a status whose texts hold
# terminal control sequences and a 100 000-byte band name, as a hostile owner or band could.
# Prints "owned" once the bus gave it the name, then serves until it is killed.
# usage: squat_bus_name.py NAME [--hostile-status]
import os
import struct
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bluez"))
from send_raw_notify import Writer, connect, message  # noqa: E402

HOSTILE = {"State": b"Connected\x1b]0;PWN\x07", "BandName": b"\x1b[2J" + b"x" * 100000, "Version": b"V1\xc2\x9b31m"}


def status_body():
    w = Writer()
    w.u32(0)
    length_at = len(w.b) - 4
    w.align(8)
    start = len(w.b)
    for key, value in HOSTILE.items():
        w.align(8)
        w.string(key.encode())
        w.signature("s")
        w.string(value)
    struct.pack_into("<I", w.b, length_at, len(w.b) - start)
    return bytes(w.b)


def reply(serial, to, destination, sig, body):
    fields = Writer()
    for code, typ, value in ((5, "u", to), (6, "s", destination), (8, "g", sig)):
        fields.align(8)
        fields.byte(code)
        fields.signature(typ)
        if typ == "u":
            fields.u32(value)
        elif typ == "g":
            fields.signature(value)
        else:
            fields.string(value.encode())
    head = Writer()
    head.b += b"l" + bytes([2, 0, 1])
    head.u32(len(body))
    head.u32(serial)
    head.u32(len(fields.b))
    head.b += fields.b
    head.align(8)
    return bytes(head.b) + body


def read_message(s, buffer):
    """One whole message from the socket: (type, serial, sender) and what is left over."""
    while True:
        if len(buffer) >= 16:
            body_len, serial, fields_len = struct.unpack_from("<III", buffer, 4)
            end = 16 + fields_len + (-(16 + fields_len) % 8) + body_len
            if len(buffer) >= end:
                break
        chunk = s.recv(65536)
        if not chunk:
            sys.exit(0)
        buffer += chunk
    kind = buffer[1]
    sender = ""
    at = 16
    while at < 16 + fields_len:
        at += -at % 8
        code, sig_len = buffer[at], buffer[at + 1]
        sig = buffer[at + 2:at + 2 + sig_len].decode()
        at += 3 + sig_len
        if sig in ("s", "o"):
            at += -at % 4
            (n,) = struct.unpack_from("<I", buffer, at)
            if code == 7:
                sender = buffer[at + 4:at + 4 + n].decode()
            at += 4 + n + 1
        elif sig == "g":
            at += 1 + buffer[at] + 1
        elif sig == "u":
            at += -at % 4
            at += 4
    return (kind, serial, sender), buffer[end:]


s = connect()
s.sendall(message(1, "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello", "org.freedesktop.DBus"))
name = Writer()
name.string(sys.argv[1].encode())
name.u32(4)  # DBUS_NAME_FLAG_DO_NOT_QUEUE
s.sendall(message(2, "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName", "org.freedesktop.DBus", "su",
                  bytes(name.b)))
time.sleep(0.5)
print("owned", flush=True)
if sys.argv[2:] != ["--hostile-status"]:
    while True:  # nothing is read: calls to the name wait for an answer that never comes
        time.sleep(60)
rest = b""
serial = 10
while True:
    (kind, to, sender), rest = read_message(s, rest)
    if kind == 1 and sender:  # a method call
        serial += 1
        s.sendall(reply(serial, to, sender, "a{sv}", status_body()))
