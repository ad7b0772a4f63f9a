#!/usr/bin/python3
"""Writes the gravity maps of the shipped level into the folder given (the build packs them into
the game's archive). A gravity map file is a pickled tuple: (position (x, y, z), orientation
(w, x, y, z), (cell size, countX, countY, countZ), cells indexed [x][y][z], each an (x, y, z)
vector). The level places and scales the maps itself, so both sit at the origin unturned.

  level_lift.gravity  4 x 6 x 4 cells of 1 unit: an updraft that holds a sphere of mass 1 (whose
                      "gravityScale" lets it) at the height of the gem, 4.5 units up: stronger than
                      gravity below, weaker above; and draws it toward the middle of the grid. The
                      level doubles the grid across, which doubles the sideways forces: they are
                      halved here
  level_spent.gravity the same grid, lifting as the updraft does but drawing nothing sideways: what
                      the level leaves of the updraft, weakened, once its gem is taken, so that
                      the sphere comes down where it is and rests, rather than swinging to and
                      fro across the middle, and rolls out freely
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


GRAVITY = 9.81
HOVER_HEIGHT = 4.5
# Force per unit of height away from the hover height, and per unit of sideways distance from
# the middle (after the level's doubling).
LIFT_SPRING = 4.0
CENTRE_SPRING = 3.0


def up(j):
    return max(0.0, GRAVITY + LIFT_SPRING * (HOVER_HEIGHT - (j + 0.5)))


def lift(i, j, k):
    # Cell centres across lie 1 and 3 units (2 cells of 2) from the middle once doubled.
    x, z = 2 * i - 3, 2 * k - 3
    return (-CENTRE_SPRING * x / 2, up(j), -CENTRE_SPRING * z / 2)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-level-gravity.py <output folder>")
    write(sys.argv[1], "level_lift.gravity", (4, 6, 4), lift)
    write(sys.argv[1], "level_spent.gravity", (4, 6, 4), lambda i, j, k: (0.0, up(j), 0.0))
    write(sys.argv[1], "level_push.gravity", (4, 2, 4), lambda i, j, k: (1.0, 0.0, 0.0))


main()
