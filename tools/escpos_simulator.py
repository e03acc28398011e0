#!/usr/bin/env python3
"""A simulated ESC/POS receipt printer with a cash drawer, for tests and the demo.

The printer listens on TCP and, with --pty, on a pseudo-terminal. It answers the real-time status queries DLE EOT 2
and DLE EOT 4, sends four-byte automatic status blocks after GS a n (at once and
on every change), answers the completion request GS ( H with its reply once
everything before it is printed, and records drawer kicks (ESC p), whose pulse
opens the drawer for a while. What it prints is rendered as plain text.

A line-based control port lets a test or a person change the printer's state
while it runs; send "help" there for the commands. Standard library only.
"""

import argparse
import hashlib
import queue
import re
import os
import socket
import struct
import sys
import threading
import time

# First byte of a status block: 0x10 fixed, 0x04 while the drawer is closed,
# 0x20 while the cover is open. Third byte: paper near end 0x03, end 0x0C.
BLOCK_FIXED = 0x10
BLOCK_DRAWER_CLOSED = 0x04
BLOCK_COVER_OPEN = 0x20
PAPER_NEAR_END = 0x03
PAPER_END = 0x0C

ONLINE_NOTICE = b"\x3b\x31\x00"
CONTROL_BYTES = re.compile(rb"[\x00-\x1f\x7f]")

HELP = """commands (one per line; every answer is one line, "receipt" ends with a line "."):
  cover open|close        open or close the printer cover
  paper ok|near-end|out   set the paper sensors
  drawer open|close       move the drawer sensor by hand
  stall [MS]              stop reading from the connection (for MS ms, or until resume)
  resume                  read again
  drop                    reset the current connections (abortive: unread input is lost)
  close                   close the current connections cleanly (FIN); hang up the pseudo-terminal
  pty                     serve a new pseudo-terminal (a printer plugged in again); answers its path
  usb plug N [VID PID [TARGET]]  with --usb-testbed: a USB printer as lpN (default 0525 a700) whose
                          node links to the pseudo-terminal (or TARGET)
  usb unplug              remove every mocked USB printer and hang the pseudo-terminal up
  reset-unread [MS]       stop reading for MS ms (default 50) so input piles up unread, then
                          reset the connections; what they received still counts
  rate BYTES_PER_S        read steadily at this rate, however low (0: as fast as possible)
  receive-buffer BYTES    the socket receive buffer of the connections accepted from now on
                          (0: the system's), so that a stall holds back the sender sooner
  refuse | accept         refuse new connections / accept them again
  online                  send the online notice 3B 31 00
  status                  the current status block and counters
  kicks                   the drawer kicks so far: pin:on_ms:off_ms ...
  received                bytes received so far (over every connection, across resets), their
                          SHA-256 and FNV-1a 64; then those of the last connection that sent
  wait-bytes N [MS]       wait until N bytes were received (default 10000 ms)
  receipt                 the receipt printed so far, as text
  clear                   forget what was received, printed and kicked
  reset                   clear, and back to the normal state
  quit                    stop the simulator"""


def fnv1a64(data):
    fnv = 0xCBF29CE484222325
    for byte in data:
        fnv = ((fnv ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % fnv


class Printer:
    """The printer's state, shared by the connection and control threads."""

    def __init__(self, drawer_close_ms, log):
        self.lock = threading.Condition()
        self.log = log
        self.drawer_close_ms = drawer_close_ms
        self.reset()

    def reset(self):
        with self.lock:
            self.cover_open = False
            self.paper = "ok"
            self.drawer_open = False
            self.drawer_closes_at = None
            self.clear()

    def clear(self):
        with self.lock:  # a Condition: re-entrant through its default RLock
            # Connections from before a clear no longer count: what they still
            # deliver is dropped.
            self.generation = getattr(self, "generation", 0) + 1
            self.data = bytearray()
            self.last_sender = None
            self.last_data = bytearray()  # what the last connection that sent has sent
            self.receipt = []
            self.line = ""
            self.kicks = []
            self.lock.notify_all()

    def block(self):
        with self.lock:
            s1 = BLOCK_FIXED
            if not self.drawer_open:
                s1 |= BLOCK_DRAWER_CLOSED
            if self.cover_open:
                s1 |= BLOCK_COVER_OPEN
            s3 = {"ok": 0, "near-end": PAPER_NEAR_END, "out": PAPER_NEAR_END | PAPER_END}[self.paper]
            return bytes([s1, 0x00, s3, 0x0F])

    def offline_status(self):  # DLE EOT 2
        with self.lock:
            value = 0x12
            if self.cover_open:
                value |= 0x04
            if self.paper == "out":
                value |= 0x20
            return bytes([value])

    def paper_status(self):  # DLE EOT 4
        with self.lock:
            value = 0x12
            if self.paper in ("near-end", "out"):
                value |= 0x0C
            if self.paper == "out":
                value |= 0x60
            return bytes([value])

    def note_received(self, data, generation, sender):
        with self.lock:
            if generation != self.generation:
                return False
            self.data += data
            if sender is not self.last_sender:
                self.last_sender = sender
                self.last_data = bytearray()
            self.last_data += data
            self.lock.notify_all()
            return True

    @property
    def received(self):
        return len(self.data)

    def fingerprints(self):
        """SHA-256 and FNV-1a (64 bit) of everything received, and the FNV-1a
        of what the last connection that sent has sent."""
        with self.lock:
            data, last = bytes(self.data), bytes(self.last_data)
        return hashlib.sha256(data).hexdigest(), fnv1a64(data), fnv1a64(last)

    # What a connection prints counts only while its generation is current.
    def text(self, chunk, generation=None):
        with self.lock:
            if generation in (None, self.generation):
                self.line += chunk

    def tag(self, name, generation=None):
        self.text("[" + name + "]", generation)

    def line_feed(self, count=1, generation=None):
        with self.lock:
            if generation not in (None, self.generation):
                return
            for _ in range(count):
                self.receipt.append(self.line)
                self.line = ""

    def receipt_text(self):
        with self.lock:
            lines = list(self.receipt)
            if self.line:
                lines.append(self.line)
            return lines


class SocketChannel:
    """The printer's TCP front end: one accepted connection."""

    hangs_up_on_reset = True

    def __init__(self, sock):
        self.sock = sock

    def recv(self, size, mark):
        data = self.sock.recv(size)
        mark()
        return data

    def send(self, data):
        self.sock.sendall(data)

    def close(self, reset=False):
        try:
            if reset:  # an abortive close: the peer's next send fails at once
                self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self.sock.shutdown(socket.SHUT_RD)  # wakes the reader without a FIN
            else:
                self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()


class PtyChannel:
    """The printer's pseudo-terminal front end, for the parallel and USB ports:
    the simulator holds the master and keeps the slave open (raw, no echo), so
    a port that opens and closes the slave never hangs the line up."""

    hangs_up_on_reset = False

    def __init__(self):
        import termios
        import tty
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave, termios.TCSANOW)
        self.path = os.ttyname(self.slave)
        os.set_blocking(self.master, False)
        self.closing = threading.Event()
        self.reader_gone = threading.Event()
        self.lock = threading.Lock()  # a read and a reset's flush never interleave

    def recv(self, size, mark):
        # Waits in short steps, so that a hang-up never finds a read holding
        # the line open.
        import select
        while not self.closing.is_set():
            if not select.select([self.master], [], [], 0.05)[0]:
                continue
            with self.lock:
                mark()
                try:
                    return os.read(self.master, size)
                except BlockingIOError:
                    continue  # flushed by a reset meanwhile
                except OSError:
                    break
        self.reader_gone.set()
        return b""

    def send(self, data):
        view = memoryview(data)
        while view:
            written = os.write(self.master, view)
            view = view[written:]

    def discard_input(self):
        import termios
        for fd in (self.slave, self.master):  # what is queued on either side of the line
            termios.tcflush(fd, termios.TCIOFLUSH)

    def close(self, reset=False):  # a hang-up: the port's reads and writes fail
        self.closing.set()
        self.reader_gone.wait(0.2)
        for fd in (self.master, self.slave):
            try:
                os.close(fd)
            except OSError:
                pass


class UsbTestbed:
    """Mocked USB printers (umockdev): a USB device with its vendor and
    product, its printing interface, and the usbmisc lpN below it, whose
    device node is a link to the simulator's pseudo-terminal. A program run
    under umockdev's preload with UMOCKDEV_DIR set to `root` sees them."""

    def __init__(self):
        import gi
        gi.require_version("UMockdev", "1.0")
        from gi.repository import UMockdev
        self.bed = UMockdev.Testbed.new()
        self.root = self.bed.get_root_dir()
        self.devices = []

    def plug(self, lp, vendor, product, target):
        name = "1-%d" % (lp + 1)
        usb = self.bed.add_device("usb", name, None, ["idVendor", vendor, "idProduct", product],
                                  ["DEVTYPE", "usb_device"])
        interface = self.bed.add_device("usb", name + ":1.0", usb, ["bInterfaceClass", "07"],
                                        ["DEVTYPE", "usb_interface"])
        node = "/dev/usb/lp%d" % lp
        device = self.bed.add_device("usbmisc", "lp%d" % lp, interface, ["dev", "180:%d" % lp], ["DEVNAME", node])
        path = self.root + node
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if os.path.lexists(path):
            os.unlink(path)
        os.symlink(target, path)
        self.devices += [device, interface, usb]

    def unplug(self):
        for device in self.devices:
            self.bed.remove_device(device)
        self.devices = []

    def remove(self):
        import shutil
        shutil.rmtree(self.root, ignore_errors=True)


class Connection:
    """One client: a thread that reads as fast as it can (unless stalled) and a
    thread that interprets what was read, in order."""

    def __init__(self, sim, channel):
        self.sim = sim
        self.channel = channel
        self.printer = sim.printer
        self.generation = sim.printer.generation
        self.incoming = queue.Queue()
        self.status_back = False
        self.last_block = None
        self.send_lock = threading.Lock()
        self.status_lock = threading.Lock()
        self.closed = threading.Event()
        threading.Thread(target=self.read_loop, daemon=True).start()
        threading.Thread(target=self.interpret_loop, daemon=True).start()

    def send(self, data):
        with self.send_lock:
            try:
                self.channel.send(data)
            except OSError:
                self.close()

    def close(self, reset=False):
        if not self.closed.is_set():
            self.closed.set()
            self.channel.close(reset)
            self.incoming.put(None)

    def renew(self):
        """A reset of a front end that stays: forget what it was asked and sent."""
        with self.channel.lock:
            self.channel.discard_input()
            self.generation = self.printer.generation
        with self.status_lock:
            self.status_back = False
            self.last_block = None

    def read_loop(self):
        while not self.closed.is_set():
            self.sim.wait_unstalled()
            rate = self.sim.rate
            read_in = [self.generation]

            def mark():  # the generation the bytes are read in
                read_in[0] = self.generation
            try:
                data = self.channel.recv(max(1, rate // 50) if rate else 65536, mark)
            except OSError:
                data = b""
            if not data:
                break
            generation = read_in[0]
            if self.printer.note_received(data, generation, self):
                self.incoming.put((generation, data))
            if rate:  # a slow printer: each chunk takes its time
                time.sleep(len(data) / rate)
        self.close()
        self.sim.forget(self)

    def status_changed(self):
        block = self.printer.block()
        with self.status_lock:
            if not self.status_back or block == self.last_block:
                return
            self.last_block = block
        self.send(block)

    def interpret_loop(self):
        buffer = b""
        while True:
            item = self.incoming.get()
            if item is None:
                return
            generation, data = item
            if generation != self.printer.generation:
                buffer = b""
                continue
            buffer += data
            buffer = self.interpret(buffer)

    def interpret(self, data):
        """Interprets as much of `data` as forms whole commands; returns the rest."""
        i = 0
        n = len(data)
        printer = self.printer
        gen = self.generation
        while i < n:
            match = CONTROL_BYTES.search(data, i)
            end = match.start() if match else n
            if end > i:
                printer.text(data[i:end].decode("latin-1"), gen)
                i = end
                continue
            b = data[i]
            rest = n - i
            if b == 0x0A:
                printer.line_feed(1, gen)
                i += 1
            elif b in (0x0D, 0x00):  # carriage return, NUL probe
                i += 1
            elif b == 0x10:  # DLE EOT n
                if rest < 3:
                    break
                if data[i + 1] == 0x04:
                    if data[i + 2] == 2:
                        self.send(printer.offline_status())
                    elif data[i + 2] == 4:
                        self.send(printer.paper_status())
                    else:
                        self.send(b"\x16")
                    i += 3
                else:
                    printer.tag("DLE %02X" % data[i + 1], gen)
                    i += 2
            elif b == 0x1B:  # ESC
                if rest < 2:
                    break
                cmd = data[i + 1]
                if cmd == 0x40:  # ESC @
                    printer.tag("init", gen)
                    i += 2
                elif cmd == 0x70:  # ESC p m t1 t2
                    if rest < 5:
                        break
                    pin = 5 if data[i + 2] & 1 else 2
                    if gen == printer.generation:
                        self.sim.kick(pin, data[i + 3] * 2, data[i + 4] * 2)
                    i += 5
                elif cmd == 0x64:  # ESC d n: feed n lines
                    if rest < 3:
                        break
                    printer.line_feed(data[i + 2], gen)
                    i += 3
                elif cmd in (0x21, 0x45, 0x47, 0x2D, 0x61, 0x4A, 0x74, 0x4D, 0x20):
                    if rest < 3:
                        break
                    names = {0x21: "mode", 0x45: "bold", 0x47: "double", 0x2D: "underline",
                             0x61: "align", 0x4A: "feed", 0x74: "codepage", 0x4D: "font", 0x20: "spacing"}
                    printer.tag("%s %d" % (names[cmd], data[i + 2]), gen)
                    i += 3
                else:
                    printer.tag("ESC %02X" % cmd, gen)
                    i += 2
            elif b == 0x1D:  # GS
                if rest < 2:
                    break
                cmd = data[i + 1]
                if cmd == 0x61:  # GS a n: automatic status back
                    if rest < 3:
                        break
                    with self.status_lock:
                        self.status_back = data[i + 2] != 0
                        self.last_block = None
                    self.status_changed()
                    i += 3
                elif cmd == 0x28:  # GS ( fn pL pH ...
                    if rest < 5:
                        break
                    size = data[i + 3] | (data[i + 4] << 8)
                    if rest < 5 + size:
                        break
                    body = data[i + 5:i + 5 + size]
                    if data[i + 2] == 0x48 and size == 6 and body[:2] == b"00":
                        # Everything before it has been printed by now: answer.
                        self.send(b"\x37\x22" + bytes(body[2:6]) + b"\x00")
                    else:
                        printer.tag("GS ( %c" % data[i + 2], gen)
                    i += 5 + size
                elif cmd == 0x56:  # GS V m [n]: cut
                    if rest < 3:
                        break
                    length = 4 if data[i + 2] in (0x41, 0x42, 65, 66) else 3
                    if rest < length:
                        break
                    printer.line_feed(1, gen)
                    printer.tag("cut", gen)
                    printer.line_feed(1, gen)
                    i += length
                elif cmd == 0x21:  # GS ! n: character size
                    if rest < 3:
                        break
                    printer.tag("size %d" % data[i + 2], gen)
                    i += 3
                else:
                    printer.tag("GS %02X" % cmd, gen)
                    i += 2
            else:
                printer.tag("%02X" % b, gen)
                i += 1
        return data[i:]


class Simulator:
    def __init__(self, args):
        self.printer = Printer(args.drawer_close_ms, args.verbose)
        self.host = args.host
        self.port = args.port
        self.receive_buffer = args.receive_buffer
        self.accepted = 0
        self.connections = []
        self.lock = threading.Lock()
        self.unstalled = threading.Event()
        self.unstalled.set()
        self.stall_timer = None
        self.rate = 0
        self.listener = None
        self.refusing = False
        self.stopped = threading.Event()
        self.verbose = args.verbose
        self.pty_link = args.pty_link
        self.pty_path = ""
        self.usb = UsbTestbed() if args.usb_testbed else None

    def say(self, text):
        if self.verbose:
            print("simulator: " + text, file=sys.stderr, flush=True)

    # --- connections -----------------------------------------------------
    def listen(self):
        listener = listening_socket(self.host, self.port, "printer", 8)
        self.port = listener.getsockname()[1]
        self.listener = listener
        self.listener_buffer = 0
        self.set_receive_buffer(self.receive_buffer)
        threading.Thread(target=self.accept_loop, args=(listener,), daemon=True).start()

    def set_receive_buffer(self, size):
        """Accepted connections take the listener's buffer: from now on, this
        one. The system's (0), which grows as needed, takes a new listener."""
        if self.listener is None or size == self.listener_buffer:
            return
        if size:
            self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, size)
            self.listener_buffer = size
        else:
            self.close_listener()
            self.listen()

    def close_listener(self):
        try:  # wakes the accepting thread; a bare close would leave it listening
            self.listener.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.listener.close()
        self.listener = None

    def accept_loop(self, listener):
        while True:
            try:
                sock, _ = listener.accept()
            except OSError:
                return
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            with self.lock:
                self.accepted += 1
                self.connections.append(Connection(self, SocketChannel(sock)))
            self.say("connection accepted")

    def open_pty(self):
        """Serves a new pseudo-terminal (after a hang-up: the printer plugged in
        again); its slave's path, also linked from --pty-link."""
        channel = PtyChannel()
        with self.lock:
            self.connections.append(Connection(self, channel))
        if self.pty_link:
            os.makedirs(os.path.dirname(os.path.abspath(self.pty_link)), exist_ok=True)
            temporary = self.pty_link + ".new"
            if os.path.lexists(temporary):
                os.unlink(temporary)
            os.symlink(channel.path, temporary)
            os.replace(temporary, self.pty_link)
        self.pty_path = channel.path
        self.say("serving " + channel.path)
        return channel.path

    def forget(self, connection):
        with self.lock:
            if connection in self.connections:
                self.connections.remove(connection)

    def each_connection(self):
        with self.lock:
            return list(self.connections)

    def broadcast_status(self):
        for connection in self.each_connection():
            connection.status_changed()

    def wait_unstalled(self):
        self.unstalled.wait()

    def kick(self, pin, on_ms, off_ms):
        printer = self.printer
        with printer.lock:
            printer.kicks.append((pin, on_ms, off_ms))
            printer.drawer_open = True
            printer.drawer_closes_at = (time.monotonic() + printer.drawer_close_ms / 1000.0
                                        if printer.drawer_close_ms > 0 else None)
        printer.tag("drawer kick pin %d %d/%d ms" % (pin, on_ms, off_ms))
        self.say("drawer kick on pin %d" % pin)
        self.broadcast_status()

    def tick(self):
        """Closes the drawer once its time is up (a person pushes it shut)."""
        while not self.stopped.wait(0.02):
            printer = self.printer
            with printer.lock:
                due = printer.drawer_closes_at is not None and time.monotonic() >= printer.drawer_closes_at
                if due:
                    printer.drawer_open = False
                    printer.drawer_closes_at = None
            if due:
                self.broadcast_status()

    # --- control ---------------------------------------------------------
    def command(self, line):
        words = line.split()
        if not words:
            return "error empty command"
        name, args = words[0].lower(), words[1:]
        printer = self.printer
        if name == "help":
            return HELP.replace("\n", " | ")
        if name == "cover" and args in (["open"], ["close"]):
            with printer.lock:
                printer.cover_open = args[0] == "open"
            self.broadcast_status()
            return "ok"
        if name == "paper" and args and args[0] in ("ok", "near-end", "out"):
            with printer.lock:
                printer.paper = args[0]
            self.broadcast_status()
            return "ok"
        if name == "drawer" and args in (["open"], ["close"]):
            with printer.lock:
                printer.drawer_open = args[0] == "open"
                printer.drawer_closes_at = None
            self.broadcast_status()
            return "ok"
        if name == "stall":
            self.unstalled.clear()
            if self.stall_timer:
                self.stall_timer.cancel()
            if args:
                self.stall_timer = threading.Timer(int(args[0]) / 1000.0, self.unstalled.set)
                self.stall_timer.daemon = True
                self.stall_timer.start()
            return "ok"
        if name == "resume":
            self.unstalled.set()
            return "ok"
        if name == "drop":
            for connection in self.each_connection():
                connection.close(reset=True)
            return "ok"
        if name == "close":
            for connection in self.each_connection():
                connection.close()
            return "ok"
        if name == "pty":
            return "pty " + self.open_pty()
        if name == "usb" and self.usb is not None and args[:1] == ["plug"] and len(args) in (2, 4, 5):
            lp = int(args[1])
            vendor, product = (args[2], args[3]) if len(args) >= 4 else ("0525", "a700")
            self.usb.plug(lp, vendor, product, args[4] if len(args) == 5 else self.pty_path)
            return "ok"
        if name == "usb" and self.usb is not None and args == ["unplug"]:
            self.usb.unplug()
            for connection in self.each_connection():
                if not connection.channel.hangs_up_on_reset:
                    connection.close()  # the line hangs up
            return "ok"
        if name == "reset-unread":
            self.unstalled.clear()
            time.sleep((int(args[0]) if args else 50) / 1000.0)
            for connection in self.each_connection():
                connection.close(reset=True)
            self.unstalled.set()
            return "ok"
        if name == "rate" and args:
            self.rate = max(0, int(args[0]))
            return "ok"
        if name == "receive-buffer" and args:
            self.set_receive_buffer(int(args[0]))
            return "ok"
        if name == "refuse":
            if self.listener is not None:
                self.close_listener()
            return "ok"
        if name == "accept":
            if self.listener is None:
                self.listen()
            return "ok"
        if name == "online":
            for connection in self.each_connection():
                connection.send(ONLINE_NOTICE)
            return "ok"
        if name == "status":
            with printer.lock:
                return ("status %s cover=%s paper=%s drawer=%s connections=%d accepted=%d kicks=%d received=%d"
                        " pty=%s") % (
                    printer.block().hex(" "), "open" if printer.cover_open else "closed", printer.paper,
                    "open" if printer.drawer_open else "closed", len(self.each_connection()),
                    self.accepted, len(printer.kicks), printer.received, self.pty_path or "-")
        if name == "kicks":
            with printer.lock:
                return "kicks %d %s" % (len(printer.kicks),
                                        " ".join("%d:%d:%d" % k for k in printer.kicks))
        if name == "received":
            sha, fnv, last_fnv = printer.fingerprints()
            return "received %d sha256=%s fnv1a64=%s last=%d last_fnv1a64=%s" % (
                printer.received, sha, fnv, len(printer.last_data), last_fnv)
        if name == "wait-bytes" and args:
            wanted = int(args[0])
            deadline = time.monotonic() + (int(args[1]) if len(args) > 1 else 10000) / 1000.0
            with printer.lock:
                while printer.received < wanted and time.monotonic() < deadline:
                    printer.lock.wait(max(0.0, deadline - time.monotonic()))
                return "received %d" % printer.received
        if name == "clear":
            printer.clear()
            return "ok"
        if name == "reset":
            if self.usb is not None:
                self.usb.unplug()
            printer.reset()
            for connection in self.each_connection():
                if connection.channel.hangs_up_on_reset:
                    connection.close()
                else:
                    connection.renew()
            with self.lock:
                self.connections = [c for c in self.connections if not c.closed.is_set()]
                self.accepted = 0
            self.unstalled.set()
            self.rate = 0
            if self.listener is None:
                self.listen()
            self.set_receive_buffer(self.receive_buffer)
            self.broadcast_status()
            return "ok"
        if name == "quit":
            self.stopped.set()
            return "ok"
        return "error unknown command: " + line.strip()

    def serve_control(self, listener):
        while not self.stopped.is_set():
            try:
                sock, _ = listener.accept()
            except OSError:
                return
            threading.Thread(target=self.control_session, args=(sock,), daemon=True).start()

    def control_session(self, sock):
        with sock, sock.makefile("rwb") as stream:
            for raw in stream:
                line = raw.decode("utf-8", "replace").strip()
                if line.lower() == "receipt":
                    for text in self.printer.receipt_text():
                        stream.write((text + "\n").encode("utf-8"))
                    stream.write(b".\n")
                else:
                    try:
                        answer = self.command(line)
                    except (ValueError, IndexError) as error:
                        answer = "error " + str(error)
                    stream.write((answer + "\n").encode("utf-8"))
                stream.flush()
                if self.stopped.is_set():
                    return


class CannotListen(Exception):
    pass


def listening_socket(host, port, what, backlog):
    """A listening socket, or CannotListen naming the port and the system's reason."""
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        listener.bind((host, port))
        listener.listen(backlog)
    except OSError as error:
        listener.close()
        raise CannotListen("escpos-simulator: cannot listen on %s:%d (the %s port): %s"
                           % (host, port, what, error.strerror or error)) from None
    return listener


def main():
    parser = argparse.ArgumentParser(
        description="A simulated ESC/POS receipt printer with a cash drawer, on TCP.",
        epilog=HELP, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=0, help="printer port (default: a free one)")
    parser.add_argument("--control-port", type=int, default=0, help="control port (default: a free one)")
    parser.add_argument("--ports-file",
                        help="write 'PRINTER_PORT CONTROL_PORT PTY TESTBED' here once listening ('-': none)")
    parser.add_argument("--drawer-close-ms", type=int, default=1500,
                        help="a kicked drawer closes again after this long; 0 keeps it open (default 1500)")
    parser.add_argument("--receive-buffer", type=int, default=0,
                        help="socket receive buffer in bytes, so that a stall is felt sooner (default: system)")
    parser.add_argument("--pty", action="store_true",
                        help="also serve the printer on a pseudo-terminal (raw, no echo), for device-file ports")
    parser.add_argument("--pty-link", help="with --pty: keep a symbolic link here to the pseudo-terminal")
    parser.add_argument("--usb-testbed", action="store_true",
                        help="with --pty: mocked USB printers (umockdev) for the USB port; its root goes to the "
                             "ports file")
    parser.add_argument("--receipt-file", help="write the printed receipt here when the simulator stops")
    parser.add_argument("--verbose", action="store_true", help="log connections and kicks on stderr")
    args = parser.parse_args()

    sim = Simulator(args)
    sim.listen()
    control = listening_socket(args.host, args.control_port, "control", 4)
    control_port = control.getsockname()[1]
    threading.Thread(target=sim.serve_control, args=(control,), daemon=True).start()
    threading.Thread(target=sim.tick, daemon=True).start()
    if args.pty or args.pty_link:
        sim.open_pty()
    if args.ports_file:
        with open(args.ports_file + ".tmp", "w") as f:
            f.write("%d %d %s %s\n" % (sim.port, control_port, sim.pty_path or "-",
                                        sim.usb.root if sim.usb else "-"))
        os.replace(args.ports_file + ".tmp", args.ports_file)
    print("simulated printer on %s:%d, control on port %d" % (args.host, sim.port, control_port),
          file=sys.stderr, flush=True)
    import signal
    signal.signal(signal.SIGTERM, lambda *_: sim.stopped.set())  # ends cleanly, testbed removed
    try:
        while not sim.stopped.wait(0.2):
            pass
    except KeyboardInterrupt:
        pass
    if sim.usb is not None:
        sim.usb.remove()
    if args.receipt_file:
        with open(args.receipt_file, "w") as f:
            f.write("\n".join(sim.printer.receipt_text()) + "\n")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except CannotListen as error:
        sys.exit(str(error))  # one line on stderr, exit status 1
