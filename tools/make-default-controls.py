#!/usr/bin/env python3
"""Writes data/cfg/controls.cfg, the default bindings of the game's commands that a player's
first start copies: W, S, A and D move, the arrow keys look, Page Up brings the camera closer
(the command "Zoom Out", which narrows the camera's distance), Page Down takes it farther ("Zoom
In") and L toggles the local view. The file is the control registry's pickle (protocol 2):
(commands, base layer), commands ((name, category, repeat), ...) in the order the game registers
them, the layer (modifier type, modifier controls, (((control type, value), command index), ...)).
Run it from anywhere after changing the bindings."""
import os
import pickle

KEY = 1  # the registry's control type of a keyboard key; the values are OIS key codes
COMMANDS = [
    ("Left", "Movement", True, 30),  # A
    ("Right", "Movement", True, 32),  # D
    ("Forward", "Movement", True, 17),  # W
    ("Backward", "Movement", True, 31),  # S
    ("Up", "View", True, 200),  # up arrow
    ("Down", "View", True, 208),  # down arrow
    ("Left", "View", True, 203),  # left arrow
    ("Right", "View", True, 205),  # right arrow
    ("Zoom In", "View", True, 209),  # Page Down: farther
    ("Zoom Out", "View", True, 201),  # Page Up: closer
    ("Toggle Local", "View", False, 38),  # L
]

commands = tuple((name, category, repeat) for name, category, repeat, _ in COMMANDS)
bindings = tuple(sorted(((KEY, key), index) for index, (_, _, _, key) in enumerate(COMMANDS)))
base_layer = (0, (), bindings)
path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "cfg", "controls.cfg")
with open(path, "wb") as out:
    pickle.dump((commands, base_layer), out, protocol=2)
