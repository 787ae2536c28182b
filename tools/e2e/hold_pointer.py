#!/usr/bin/env python3
"""Holds an active grab of the X pointer until killed.

Under Wine each SetCursorPos grabs the X pointer for a moment and warps it;
the crossing and motion events that this produces reach Wine's windows late
and carry the position from before the move, and Wine takes them as the
user's own pointer motion. The clicks that follow a SetCursorPos then land
where the pointer was before: a race that Windows does not have. While
another client holds the grab, Wine refuses to warp, no such events arise,
and Wine's own idea of the pointer (what SetCursorPos set) is the only one,
as on Windows. GetCursorPos still reads the X pointer that xdotool moves.
"""
import ctypes
import signal
import sys

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint,
                             ctypes.c_int, ctypes.c_int, ctypes.c_ulong, ctypes.c_ulong,
                             ctypes.c_ulong]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]

GRAB_MODE_ASYNC = 1
GRAB_SUCCESS = 0
POINTER_MOTION_MASK = 1 << 6

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("hold_pointer: cannot open the display")
root = x11.XDefaultRootWindow(display)
status = x11.XGrabPointer(display, root, 0, POINTER_MOTION_MASK, GRAB_MODE_ASYNC,
                          GRAB_MODE_ASYNC, 0, 0, 0)
x11.XSync(display, 0)
if status != GRAB_SUCCESS:
    sys.exit(f"hold_pointer: grab refused ({status})")
print("grabbed", flush=True)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
signal.pause()
