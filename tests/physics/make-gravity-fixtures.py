#!/usr/bin/python3
"""Writes the gravity map files under fixtures/ that the gravity tests read. Run it from
anywhere with /usr/bin/python3; it rewrites every file. The tests only read the committed files.

A gravity map file is a pickled tuple: (position (x, y, z), orientation (w, x, y, z),
(cell size, countX, countY, countZ), cells indexed [x][y][z], each an (x, y, z) tuple).
"""
import math
import os
import pickle
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures")


def grid(counts, cell):
    """Nested tuples of cell(i, j, k) over the counts."""
    cx, cy, cz = counts
    return tuple(tuple(tuple(cell(i, j, k) for k in range(cz)) for j in range(cy)) for i in range(cx))


def field_cell(i, j, k):
    # The gravity map tests compute the same vectors to follow a sphere through the field.
    return (1.0 + 0.25 * j, -2.0 - 0.5 * i, 0.25 * (k - 3.5))


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def map_bytes(position, orientation, cell_size, counts, cells, *extra):
    return pickle.dumps((position, orientation, (cell_size,) + tuple(counts), cells) + extra, protocol=2)


# --- Files written the way the old program's interpreter wrote them (Python 2 pickles): byte
#     strings, protocol 0 text opcodes or protocol 2 binary opcodes, a memo entry per tuple. The
#     map has an extra trailing element, a byte string the old level editor added.
OLD_MAP = ((0.0, 1.0, 2.0), (1.0, 0.0, 0.0, 0.0), (2.5, 1, 1, 2), ((((0.0, -9.81, 0.0), (0.5, -9.81, 0.25)),),),
           b"level editor 1.2")


class OldPickler:
    def __init__(self, protocol):
        self.protocol = protocol
        self.out = bytearray(b"\x80\x02" if protocol == 2 else b"")
        self.memo = 0

    def put(self):
        if self.protocol == 2:
            self.out += b"q" + bytes([self.memo])
        else:
            self.out += b"p%d\n" % self.memo
        self.memo += 1

    def save(self, value):
        if isinstance(value, tuple):
            if self.protocol == 2 and 1 <= len(value) <= 3:
                for item in value:
                    self.save(item)
                self.out += [b"\x85", b"\x86", b"\x87"][len(value) - 1]
            else:
                self.out += b"("
                for item in value:
                    self.save(item)
                self.out += b"t"
            self.put()
        elif isinstance(value, float):
            self.out += b"G" + struct.pack(">d", value) if self.protocol == 2 else b"F%r\n" % value
        elif isinstance(value, int):
            self.out += b"K" + bytes([value]) if self.protocol == 2 else b"I%d\n" % value
        elif isinstance(value, bytes):
            if self.protocol == 2:
                self.out += b"U" + bytes([len(value)]) + value
            else:
                self.out += b"S'" + value + b"'\n"
            self.put()
        else:
            raise TypeError(value)

    def dumps(self, value):
        self.save(value)
        return bytes(self.out + b".")


def main():
    os.makedirs(OUT, exist_ok=True)
    write("old-protocol0.gmap", OldPickler(0).dumps(OLD_MAP))
    write("old-protocol2.gmap", OldPickler(2).dumps(OLD_MAP))

    # The field a sphere is followed through: 8 x 8 x 8 cells of 2 units around the origin,
    # turned 90 degrees about z, every cell a different vector.
    half = math.sqrt(0.5)
    field = map_bytes((8.0, -8.0, -8.0), (half, 0.0, 0.0, half), 2.0, (8, 8, 8), grid((8, 8, 8), field_cell))
    write("field.gmap", field)

    # Cell size 2 and counts (4, 2, 1) at (1, 2, 3), identity given as integers; each cell holds
    # (i, j, k + 1), so a lookup shows which cell it found.
    write("small.gmap", map_bytes((1, 2, 3), (1, 0, 0, 0), 2, (4, 2, 1), grid((4, 2, 1), lambda i, j, k: (i, j, k + 1))))
    # Three different counts, (3, 4, 5): exchanging two counts or two indices in a cell's index
    # finds another cell. Cell (i, j, k) holds (i, j, k + 1) as above.
    write("uneven.gmap", map_bytes((1, 2, 3), (1, 0, 0, 0), 2, (3, 4, 5), grid((3, 4, 5), lambda i, j, k: (i, j, k + 1))))
    write("empty.gmap", map_bytes((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), 1.0, (0, 3, 3), ()))

    # Files to refuse.
    one = grid((1, 1, 1), lambda i, j, k: (0.0, -1.0, 0.0))
    write("zero-cell-size.gmap", map_bytes((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), 0.0, (1, 1, 1), one))
    write("negative-cell-size.gmap", map_bytes((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), -1.0, (1, 1, 1), one))
    write("nan-cell-size.gmap", map_bytes((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), math.nan, (1, 1, 1), one))
    write("nan-cell.gmap", map_bytes((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), 1.0, (1, 1, 2),
                                     grid((1, 1, 2), lambda i, j, k: (0.0, math.nan if k else -1.0, 0.0))))
    write("infinite-cell.gmap", map_bytes((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), 1.0, (1, 1, 1),
                                          grid((1, 1, 1), lambda i, j, k: (math.inf, 0.0, 0.0))))
    write("zero-orientation.gmap", map_bytes((0.0, 0.0, 0.0), (0.0, 0.0, 0.0, 0.0), 1.0, (1, 1, 1), one))
    # 2^36 cells claimed through one shared row: a few bytes that would take ages to read.
    row = ((( 0.0, -1.0, 0.0),) * 4096,) * 4096
    write("too-many-cells.gmap", map_bytes((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), 1.0, (4096, 4096, 4096),
                                           (row,) * 4096))
    write("truncated.gmap", field[: len(field) // 2])
    write("list.gmap", pickle.dumps([(0.0, 0.0, 0.0)], protocol=2))


if __name__ == "__main__":
    main()
