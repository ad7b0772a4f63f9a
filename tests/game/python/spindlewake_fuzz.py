"""Hostile calls into the game's own module, inside the running game: its classes exist only there.

The cases are those of the engine's script fuzzing (scriptfuzz: one callable called once with one
argument replaced by a hostile value) for every class of the Spindlewake module. The game script
runs them one after another: in one frame a case builds its receiver and calls, HELD_FRAMES frames
later its objects are dropped. Before each case its name is written to the standard error stream,
so a crash names it; at the end a summary line goes to the file the game script names.

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

# Programs (scriptfuzz.Program): the game's objects in hierarchies and seeded call sequences, with
# engine objects to hang them on. The camera and the controls are the game's own: each program's end
# puts back what it changed on them.
PROGRAM_FAMILIES = [
    Family(TolvaEngine.GameObject, TolvaEngine.GameObject),
    Family(TolvaEngine.MeshObject, lambda: TolvaEngine.MeshObject(unique("Fuzz Mesh"), "play_sphere.mesh"), label="Mesh"),
]
PROGRAM_LEAVES = ("PlaySphere", "Mesh")
PROGRAM_PARENTS = ("Camera", "GameObject")
SEQUENCE_LABELS = ("Camera", "GameControl", "PlaySphere", "Inventory", "Inventory_Item", "GameObject", "Mesh")
SEQUENCES = 30
# Frames a case's objects live after its call: the play sphere's torque smoother holds five.
HELD_FRAMES = 6


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
        self.programs = scriptfuzz.CaseBuilder([Spindlewake, TolvaEngine], FAMILIES, Ogre, (), SKIP, 1, set())
        self.programs.add_makers(FAMILIES + PROGRAM_FAMILIES)
        programs = self.programs.program_cases(PROGRAM_LEAVES, PROGRAM_PARENTS, SEQUENCE_LABELS, SEQUENCES)
        chosen = os.environ.get(scriptfuzz.CASES_VARIABLE)
        self.cases = [case for case in builder.build() + programs
                      if not chosen or case.name in chosen.split(",")]
        self.cases = self.cases[::3 if slow and not chosen else 1]
        self.running = None
        camera = game().getCamera()
        self.camera_pose = (camera.getParent(), camera.getPosition(), camera.getOrientation(), camera.getScale())
        self.covered = builder.covered
        self.total = builder.total_callables()
        self.summary_path = summary_path
        self.failures, self.behaviour, untested = scriptfuzz.run_behaviour([Spindlewake], FAMILIES, EFFECTS, DIFFERS)
        self.untested = ", ".join(untested) or "none"
        self.index = 0
        self.kept = None
        self.held = 0
        self.done = False

    def frame(self, seconds):
        if self.done:
            return
        if self.running is not None:
            self.step_program()
            return
        if self.kept is not None:
            self.held += 1
            if self.held >= HELD_FRAMES:
                self.drop()
            return
        if self.index == len(self.cases):
            self.finish()
            return
        case = self.cases[self.index]
        self.index += 1
        sys.__stderr__.write("case %s\n" % case.name)
        sys.__stderr__.flush()
        if case.kind == "program":
            self.program = self.programs.program(case, note=lambda line: sys.__stderr__.write("    %s\n" % line))
            self.running = self.program.run()
            self.step_program()
            return
        self.kept = self.call(case)
        self.held = 0

    def step_program(self):
        """Runs the program up to its next frame; at its end drops its objects."""
        try:
            next(self.running)
            return
        except StopIteration:
            pass
        self.running = None
        self.program.drop()
        if self.program.failures:
            self.failures.append((self.cases[self.index - 1].name,
                                  "\n".join(self.program.failures + [self.program.text()])))
        self.kept = []
        self.held = HELD_FRAMES

    def call(self, case):
        family = FAMILIES[case.family] if case.family is not None else None
        receiver, args, result = None, [], None
        try:
            receiver = scriptfuzz.make_receiver(case, family)
            args = [scriptfuzz.make_value(make, receiver) for _, make in case.args]
            result = scriptfuzz.make_call(case, family, receiver, args)
        except BaseException as error:
            text = scriptfuzz.judge(error) or scriptfuzz.judge_gone(case, family, receiver, error)
        else:
            text = scriptfuzz.judge_gone(case, family, receiver, None)
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
        parent, position, orientation, scale = self.camera_pose
        for put in (lambda: camera.setParent(parent), lambda: camera.setScale(scale),
                    lambda: camera.setPosition(position), lambda: camera.setOrientation(orientation)):
            try:
                put()
            except Exception as error:
                self.failures.append(("(putting the camera back)", scriptfuzz.describe(error)))
        gc.collect()

    def finish(self):
        self.done = True
        uncovered = sorted(self.total - self.covered)
        programs = [case.name for case in self.cases if case.kind == "program"]
        lines = ["%d of %d callables covered, %d cases run (%d sequences, %d hierarchies; not covered: %s);"
                 " behaviour rows cover %d members (pairs not read back: %s)"
                 % (len(self.covered), len(self.total), self.index,
                    sum(1 for name in programs if name.startswith("sequence:")),
                    sum(1 for name in programs if name.startswith("hierarchy:")),
                    ", ".join(uncovered) or "none", len(self.behaviour), self.untested)]
        lines += ["%s: %s" % failure for failure in self.failures]
        with open(self.summary_path, "w") as summary:
            summary.write("\n".join(lines) + "\n")
