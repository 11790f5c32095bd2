#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# D-Bus messages written byte by byte, for what D-Bus libraries refuse to send.
#
# notify DESKTOP_ENTRY [valid]: one Notify call whose texts are not UTF-8 (with "valid", the same call in
#   good UTF-8, to show that the call itself is well made). Waits until the bus hangs up or a few
#   seconds pass, so that whatever the bus does with it has happened when this ends.
# squat NAME [--hostile-status [--late] | --wrong-types | --int-string]: owns a bus name as a process other
#   than the companion would. Silent, it never answers a call, as a stuck or foreign process; with
#   --hostile-status it answers every call with a status of the companion's types whose texts hold terminal
#   control sequences and a 100 000-byte band name; with --wrong-types, with a status whose numbers are
#   texts; with --int-string, with (is) whatever was asked. Prints "owned" once the bus gave it the name,
#   then serves until it is killed. With --late as well, calls in the first 0.4 s after that get "no such
#   object", as from a companion whose object is not on the bus yet.
import os
import socket
import struct
import sys
import time

HOSTILE = {"State": b"Connected\x1b]0;PWN\x07", "BandName": b"\x1b[2J" + b"x" * 100000, "Version": b"V1\xc2\x9b31m"}
# Every property of the companion with a value of its type; the texts above replace some.
TYPED = [("State", "s", b"Connected"), ("BandName", "s", b"B"), ("BandId", "s", b""), ("Simulated", "b", 0),
         ("WhySimulated", "s", b""), ("Steps", "x", 1147), ("DistanceMetres", "x", 800), ("ActiveMinutes", "x", 9),
         ("Calories", "x", 40), ("Battery", "i", 80), ("Signal", "i", -60), ("Version", "s", b"1.2"),
         ("LastSync", "x", 0), ("Sync", "s", b"idle"), ("Syncing", "b", 0), ("DaysStored", "i", 0),
         ("NightsStored", "i", 0), ("FailedWrites", "i", 0), ("FindMe", "b", 0), ("DataDir", "s", b"/nowhere")]


class Writer:
    def __init__(self):
        self.b = bytearray()

    def align(self, n):
        while len(self.b) % n:
            self.b.append(0)

    def u32(self, v, fmt="<I"):
        self.align(4)
        self.b += struct.pack(fmt, v)

    def string(self, raw):  # raw bytes, as sent
        self.u32(len(raw))
        self.b += raw + b"\0"

    def signature(self, sig):
        self.b.append(len(sig))
        self.b += sig.encode() + b"\0"

    def dict_sv(self, items):  # a{sv} of (key, value) with text values, or (key, type, value) with s b i x
        self.u32(0)
        length_at = len(self.b) - 4
        self.align(8)
        start = len(self.b)
        for item in items:
            key, typ, value = item if len(item) == 3 else (item[0], "s", item[1])
            self.align(8)
            self.string(key)
            self.signature(typ)
            if typ == "s":
                self.string(value)
            elif typ == "x":
                self.align(8)
                self.b += struct.pack("<q", value)
            else:
                self.u32(value, "<i")
        struct.pack_into("<I", self.b, length_at, len(self.b) - start)


def message(kind, serial, fields, sig="", body=b""):
    """A whole message of the kind (1 call, 2 reply) with the header fields (code, type, value)."""
    head = Writer()
    for code, typ, value in fields + ([(8, "g", sig)] if sig else []):
        head.align(8)
        head.b.append(code)
        head.signature(typ)
        if typ == "u":
            head.u32(value)
        elif typ == "g":
            head.signature(value)
        else:
            head.string(value.encode())
    out = Writer()
    out.b += b"l" + bytes([kind, 0, 1])
    out.u32(len(body))
    out.u32(serial)
    out.u32(len(head.b))
    out.b += head.b
    out.align(8)
    return bytes(out.b) + body


def call(serial, path, interface, member, destination, sig="", body=b""):
    return message(1, serial, [(1, "o", path), (2, "s", interface), (3, "s", member), (6, "s", destination)],
                   sig, body)


def connect():
    address = os.environ["DBUS_SESSION_BUS_ADDRESS"].split(";")[0]
    opts = dict(p.split("=", 1) for p in address.partition(":")[2].split(",") if "=" in p)
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
    s.sendall(call(1, "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello", "org.freedesktop.DBus"))
    return s


def notify(entry, valid):
    w = Writer()
    text = b"Chat" if valid else b"Chat \xff\xfe not text"
    w.string(text)  # app_name
    w.u32(0)  # replaces_id
    w.string(b"")  # app_icon
    w.string(text)  # summary
    w.string(text)  # body
    w.u32(0)  # actions: empty array (its elements would align to 4)
    w.dict_sv([(b"desktop-entry", entry.encode())])
    w.u32(-1, "<i")
    s = connect()
    s.sendall(call(2, "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "Notify",
                   "org.freedesktop.Notifications", "susssasa{sv}i", bytes(w.b)))
    # The bus hangs up on a sender of malformed text; anything else has been routed within a few seconds.
    s.settimeout(3)
    try:
        while s.recv(65536):
            pass
        print("the bus hung up", file=sys.stderr)
    except socket.timeout:
        print("the bus kept the connection", file=sys.stderr)


def read_call(s, buffer):
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
            at += -at % 4 + 4
    return (buffer[1], serial, sender), buffer[end:]


def squat(name, mode, late=False):
    s = connect()
    request = Writer()
    request.string(name.encode())
    request.u32(4)  # DBUS_NAME_FLAG_DO_NOT_QUEUE
    s.sendall(call(2, "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName", "org.freedesktop.DBus", "su",
                   bytes(request.b)))
    time.sleep(0.5)
    print("owned", flush=True)
    if not mode:
        while True:  # nothing is read: calls to the name wait for an answer that never comes
            time.sleep(60)
    status = Writer()
    sig = "a{sv}"
    if mode == "--hostile-status":
        status.dict_sv([(k.encode(), t, HOSTILE.get(k, v)) for k, t, v in TYPED])
    elif mode == "--wrong-types":
        status.dict_sv([(k.encode(), str(v).encode()) for k, t, v in TYPED])
    else:
        sig = "is"
        status.u32(7, "<i")
        status.string(b"anything")
    rest, serial = b"", 10
    object_from = time.monotonic() + (0.4 if late else 0)
    while True:
        (kind, to, sender), rest = read_call(s, rest)
        if kind == 1 and sender:  # a method call
            serial += 1
            if time.monotonic() < object_from:
                s.sendall(message(3, serial, [(4, "s", "org.freedesktop.DBus.Error.UnknownObject"), (5, "u", to),
                                              (6, "s", sender)]))
            else:
                s.sendall(message(2, serial, [(5, "u", to), (6, "s", sender)], sig, bytes(status.b)))


if __name__ == "__main__":
    if sys.argv[1:2] == ["notify"]:
        notify(sys.argv[2], sys.argv[3:] == ["valid"])
    elif sys.argv[1:2] == ["squat"]:
        modes = [m for m in sys.argv[3:] if m in ("--hostile-status", "--wrong-types", "--int-string")]
        squat(sys.argv[2], modes[0] if modes else None, "--late" in sys.argv[3:])
    else:
        sys.exit("usage: raw_bus.py notify DESKTOP_ENTRY [valid] | squat NAME [--hostile-status [--late] | "
                 "--wrong-types | --int-string]")
