#!/usr/bin/python3
"""Writes the gravity maps of the shipped level into the folder given (the build packs them into
the game's archive). A gravity map file is a pickled tuple: (position (x, y, z), orientation
(w, x, y, z), (cell size, countX, countY, countZ), cells indexed [x][y][z], each an (x, y, z)
vector). The level places and scales the maps itself, so both sit at the origin unturned.

  level_lift.gravity  4 x 6 x 4 cells of 1 unit: an updraft, strongest at the bottom, that lifts
                      a sphere whose "gravityScale" lets it
  level_push.gravity  4 x 2 x 4 cells of 1 unit, each pointing along +x: read magnetically, it
                      pushes a charged sphere sideways, away from a charge of the same sign
"""
import os
import pickle
import sys


def grid(counts, cell):
    cx, cy, cz = counts
    return tuple(tuple(tuple(cell(i, j, k) for k in range(cz)) for j in range(cy)) for i in range(cx))


def write(folder, name, counts, cell):
    data = ((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), (1.0,) + counts, grid(counts, cell))
    with open(os.path.join(folder, name), "wb") as f:
        f.write(pickle.dumps(data, protocol=2))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-level-gravity.py <output folder>")
    write(sys.argv[1], "level_lift.gravity", (4, 6, 4), lambda i, j, k: (0.0, 16.0 - 1.5 * j, 0.0))
    write(sys.argv[1], "level_push.gravity", (4, 2, 4), lambda i, j, k: (1.0, 0.0, 0.0))


main()
