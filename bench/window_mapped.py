#!/usr/bin/env python3
"""Launches a program and prints the seconds from its launch until a top-level
window with the given title is mapped on $DISPLAY, then kills the program.

usage: bench/window_mapped.py TITLE PROGRAM [ARGS...]

Listens on the root window for MapNotify (through libX11 by ctypes, standard
library only), so the moment is the server's event, not a polling interval.
Without a window manager every top-level is a child of the root. Exits 1 if
no such window appears within 60 s or the program ends first.
"""
import ctypes
import os
import select
import subprocess
import sys
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
XA_WM_NAME = 39
TIMEOUT_S = 60.0


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong),
                ("window", ctypes.c_ulong), ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)


def load_x11():
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XConnectionNumber.argtypes = [ctypes.c_void_p]
    x.XPending.argtypes = [ctypes.c_void_p]
    x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XGetWindowProperty.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long, ctypes.c_int,
        ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
        ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_void_p)]
    x.XFree.argtypes = [ctypes.c_void_p]
    x.XSetErrorHandler.argtypes = [ERROR_HANDLER]
    x.XSetErrorHandler.restype = ctypes.c_void_p
    return x


def window_name(x, dpy, window, atom):
    kind, fmt = ctypes.c_ulong(), ctypes.c_int()
    count, after = ctypes.c_ulong(), ctypes.c_ulong()
    data = ctypes.c_void_p()
    if x.XGetWindowProperty(dpy, window, atom, 0, 1024, 0, 0, ctypes.byref(kind), ctypes.byref(fmt),
                            ctypes.byref(count), ctypes.byref(after), ctypes.byref(data)) != 0:
        return ""
    if not data.value:
        return ""
    try:
        return ctypes.string_at(data.value, count.value).decode("utf-8", "replace") if fmt.value == 8 else ""
    finally:
        x.XFree(data)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    title, argv = sys.argv[1], sys.argv[2:]
    x = load_x11()
    # A window gone before it is read is no error worth ending for.
    ignore = ERROR_HANDLER(lambda _d, _e: 0)
    x.XSetErrorHandler(ignore)
    dpy = x.XOpenDisplay(None)
    if not dpy:
        sys.exit("cannot open display " + os.environ.get("DISPLAY", "(unset)"))
    x.XSelectInput(dpy, x.XDefaultRootWindow(dpy), SUBSTRUCTURE_NOTIFY_MASK)
    x.XSync(dpy, 0)
    names = [XA_WM_NAME, x.XInternAtom(dpy, b"_NET_WM_NAME", 0)]
    fd = x.XConnectionNumber(dpy)
    ev = XEvent()

    start = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    mapped = None
    try:
        while mapped is None:
            while mapped is None and x.XPending(dpy):
                x.XNextEvent(dpy, ctypes.byref(ev))
                if ev.type == MAP_NOTIFY and not ev.xmap.override_redirect:
                    now = time.monotonic()
                    if any(window_name(x, dpy, ev.xmap.window, a) == title for a in names):
                        mapped = now
            if mapped is not None:
                break
            left = TIMEOUT_S - (time.monotonic() - start)
            if left <= 0 or proc.poll() is not None:
                sys.exit(f"{argv[0]}: no window \"{title}\" was mapped")
            select.select([fd], [], [], min(left, 0.5))
    finally:
        proc.kill()
        proc.wait()
    print(f"{mapped - start:.4f}")


if __name__ == "__main__":
    main()
