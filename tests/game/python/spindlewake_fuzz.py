"""Hostile calls into the game's own module, inside the running game: its classes exist only there.

The cases are those of the engine's script fuzzing (scriptfuzz: one callable called once with one
argument replaced by a hostile value) for every class of the Spindlewake module. The game script
runs them one per frame: in one frame a case builds its receiver and calls, in the next its objects
are dropped. Before each case its name is written to the standard error stream, so a crash names
it; at the end a summary line goes to the file the game script names.

Items in the inventories react by changing their inventory (removing themselves, emptying it,
equipping another), so the hostile calls also meet reentrant reactions.
"""
import gc
import itertools
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripting", "python"))

import Spindlewake
import TolvaEngine
from TolvaValues import Ogre

import scriptfuzz
from scriptfuzz import Family

_names = itertools.count()


def unique(prefix):
    return "%s %d" % (prefix, next(_names))


def game():
    return TolvaEngine.GameSingleton.getInstance()


class Item(Spindlewake.Inventory_Item):
    """An item whose reactions change the inventory that holds it, by its name."""

    def __init__(self, name, inventory=None):
        Spindlewake.Inventory_Item.__init__(self, name, False)
        self.inventory = inventory

    def modeChanged(self, mode):
        pass

    def equipped(self):
        if self.inventory is None:
            return
        if self.getName() == "Potion":
            self.inventory.removeItem(self)
        elif self.getName() == "Bomb":
            self.inventory.removeAllItems()
        elif self.getName() == "Greedy":
            self.inventory.equipNextItem()

    def unequipped(self):
        if self.inventory is not None and self.getName() == "Fragile":
            self.inventory.removeAllItems("Fragile")


def sphere():
    return Spindlewake.PlaySphere(unique("Fuzz Sphere"), "play_sphere.mesh")


class Stocked:
    """A sphere whose inventory holds reacting items that nothing else keeps."""

    def __init__(self):
        self.sphere = sphere()
        inventory = self.sphere.getInventory()
        for name in ("Potion", "Lamp", "Bomb", "Fragile", "Greedy", "Fragile"):
            inventory.addItem(Item(name, inventory))


_stocked = []


def stocked_inventory():
    # The sphere must outlive the case's receiver (its inventory handle does not keep it).
    _stocked.append(Stocked())
    return _stocked[-1].sphere.getInventory()


def gone_sphere():
    """A handle of the game's play sphere, kept after the sphere itself went."""
    doomed = sphere()
    game().setPlaySphere(doomed)
    handle = game().getPlaySphere()
    del doomed
    gc.collect()
    return handle


def gone_inventory():
    doomed = sphere()
    inventory = doomed.getInventory()
    inventory.addItem(Item("Lamp"))
    del doomed
    gc.collect()
    return inventory


S = Spindlewake
FAMILIES = [
    Family(S.Game, game),
    Family(S.Camera, lambda: game().getCamera()),
    Family(S.GameControl, lambda: game().getControls()),
    Family(S.PlaySphere, sphere),
    Family(S.PlaySphere, gone_sphere, label="gonePlaySphere", gone=True),
    Family(S.Inventory, stocked_inventory),
    Family(S.Inventory, gone_inventory, label="goneInventory", gone=True),
    Family(S.Inventory_Item, lambda: Item("Lamp")),
]

SKIP = {}


def placed_camera():
    """The game's camera turned to a slant, and its horizontal orientation."""
    camera = game().getCamera()
    camera.place(Ogre.Vector3(3, 2, 4), Ogre.Vector3(0.6, 0, -0.8))
    return camera, camera.getXZOrientation()


def axis_is(member, axis):
    camera, orientation = placed_camera()
    found, expected = getattr(camera, member)(), axis(orientation)
    if not scriptfuzz.same(found, expected):
        raise AssertionError("%r, not %r" % (found, expected))


# One observable effect of each member that has no setter to read it back by.
EFFECTS = {
    "Camera.getXZRight": lambda: axis_is("getXZRight", lambda q: -q.xAxis()),
    "Camera.getXZUp": lambda: axis_is("getXZUp", lambda q: q.yAxis()),
    "Camera.getXZDirection": lambda: axis_is("getXZDirection", lambda q: -q.zAxis()),
}

# --- strict enums ----------------------------------------------------------------------------------
def refused_mode(value):
    mode = game().getControls().getMode()
    try:
        game().getControls().setMode(value)
    finally:
        game().getControls().setMode(mode)


EFFECTS.update({
    # One row per strict enum of the module: its numbers, its names attributes of the enum only,
    # and an unnamed number refused before the game sees it.
    "Inventory_Item_Mode": lambda: scriptfuzz.enum_row(S.Inventory_Item_Mode, dict(
        MODE_WORLD=0, MODE_INVENTORY=1), lambda value: Item("Lamp").setMode(value)),
    "GameControl_Mode": lambda: scriptfuzz.enum_row(S.GameControl_Mode, dict(
        MODE_BASE=0, MODE_FLY=1, MODE_ROLL=2), refused_mode),
})
# Setters whose getters read back something else by design, and why.
DIFFERS = {}


class Runner:
    """Runs the cases one per frame; done once every case ran."""

    def __init__(self, summary_path):
        # The sanitized build runs every third case: its frames are several times slower.
        slow = scriptfuzz.sanitized()
        builder = scriptfuzz.CaseBuilder([Spindlewake], FAMILIES, Ogre, (), SKIP, 2 if slow else 5, set())
        self.cases = builder.build()[::3 if slow else 1]
        self.covered = builder.covered
        self.total = builder.total_callables()
        self.summary_path = summary_path
        self.failures, self.behaviour, untested = scriptfuzz.run_behaviour([Spindlewake], FAMILIES, EFFECTS, DIFFERS)
        self.untested = ", ".join(untested) or "none"
        self.index = 0
        self.kept = None
        self.done = False

    def frame(self, seconds):
        if self.done:
            return
        if self.kept is not None:
            self.drop()
            return
        if self.index == len(self.cases):
            self.finish()
            return
        case = self.cases[self.index]
        self.index += 1
        sys.__stderr__.write("case %s\n" % case.name)
        sys.__stderr__.flush()
        self.kept = self.call(case)

    def call(self, case):
        family = FAMILIES[case.family] if case.family is not None else None
        receiver, args, result = None, [], None
        try:
            receiver = scriptfuzz.make_receiver(case, family)
            args = [scriptfuzz.make_value(make, receiver) for _, make in case.args]
            result = scriptfuzz.make_call(case, family, receiver, args)
        except BaseException as error:
            text = scriptfuzz.judge(error)
            if text:
                self.failures.append((case.name, text))
        return [receiver, args, result]

    def drop(self):
        self.kept = None
        del _stocked[:]
        # What a case changed on the game's lasting objects is put back for the next one.
        controls, camera = game().getControls(), game().getCamera()
        controls.setCamera(camera)
        controls.setPlaySphere(None)
        game().setPlaySphere(None)
        camera.setLocal(False)
        gc.collect()

    def finish(self):
        self.done = True
        uncovered = sorted(self.total - self.covered)
        lines = ["%d of %d callables covered, %d cases run (not covered: %s); behaviour rows cover %d members"
                 " (pairs not read back: %s)" % (len(self.covered), len(self.total), self.index,
                                                 ", ".join(uncovered) or "none", len(self.behaviour), self.untested)]
        lines += ["%s: %s" % failure for failure in self.failures]
        with open(self.summary_path, "w") as summary:
            summary.write("\n".join(lines) + "\n")
