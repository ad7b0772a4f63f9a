#!/usr/bin/python3
"""Saves what an X window shows as a PNG file, through libX11 itself (no image tools needed):

    screenshot.py <window id, or "root"> <file.png>

A file name ending in ".ppm" gets the plain binary PPM (P6) instead, which a test reads without
a decoder.

The window id is what `xdotool search --name Spindlewake` prints. Made for 24-bit displays with
32 bits per pixel (Xvfb's "-screen 0 WxHx24"), the only kind the project uses."""
import ctypes
import ctypes.util
import struct
import sys
import zlib


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
                ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


class XWindowAttributes(ctypes.Structure):
    # Only the leading fields are read; the rest is room for what the library writes.
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("rest", ctypes.c_byte * 256)]


def grab(window):
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(XWindowAttributes)]
    x11.XGetImage.restype = ctypes.POINTER(XImage)
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                              ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("screenshot.py: no X display")
    if window == "root":
        handle = x11.XDefaultRootWindow(display)
    else:
        handle = int(window, 0)
    attributes = XWindowAttributes()
    if not x11.XGetWindowAttributes(display, handle, ctypes.byref(attributes)):
        sys.exit("screenshot.py: no window %s" % window)
    z_pixmap, all_planes = 2, 0xFFFFFFFF
    image = x11.XGetImage(display, handle, 0, 0, attributes.width, attributes.height, all_planes, z_pixmap)
    if not image or image.contents.bits_per_pixel != 32:
        sys.exit("screenshot.py: the window's pixels cannot be read as 32-bit pixels")
    picture = image.contents
    raw = ctypes.string_at(picture.data, picture.bytes_per_line * picture.height)
    rows = []
    for y in range(picture.height):
        line = raw[y * picture.bytes_per_line:y * picture.bytes_per_line + picture.width * 4]
        # Little-endian BGRX to RGB, with a leading filter byte of 0 per row.
        rgb = bytearray(picture.width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
        rows.append(b"\0" + bytes(rgb))
    width, height = picture.width, picture.height
    x11.XCloseDisplay(display)
    return width, height, b"".join(rows)


def png(width, height, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    width, height, rows = grab(sys.argv[1])
    with open(sys.argv[2], "wb") as f:
        if sys.argv[2].endswith(".ppm"):
            stride = width * 3 + 1
            f.write(b"P6\n%d %d\n255\n" % (width, height))
            f.write(b"".join(rows[y * stride + 1:(y + 1) * stride] for y in range(height)))
        else:
            f.write(png(width, height, rows))


main()
