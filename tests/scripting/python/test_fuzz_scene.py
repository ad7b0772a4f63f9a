# engine: window
"""Hostile calls into the engine core, the scene objects, input and the outside libraries' values:
each raises a Python error, none crashes, aborts or hangs the engine."""
import gc
import itertools
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import TolvaEngine
import TolvaValues
import tolvatest
from TolvaEngine import (BillboardChainEffect, BillboardEffect, DirectionalLight, GameObject, MeshObject,
                         ParticleSystem, PointLight, RibbonTrailEffect, SpotLight, TransformObject)
from TolvaValues import CEGUI, OIS, Ogre

import scriptfuzz
from scriptfuzz import Family

_names = itertools.count()


def unique(prefix):
    return "%s%d" % (prefix, next(_names))


def engine():
    return TolvaEngine.Engine.getInstance()


def gone_parent():
    """A handle of a parent object that no longer exists."""
    parent, child = GameObject(), GameObject()
    parent.addChild(child)
    handle = child.getParent()
    del parent
    gc.collect()
    return handle


class Handler(TolvaEngine.GameControlRegistry_CommandHandler):
    def handleCommand(self, value):
        pass


class Scheduled(TolvaEngine.ScheduleListener):
    def scheduled(self):
        pass


E = TolvaEngine
FAMILIES = [
    Family(E.TolvaSingleton, engine),
    Family(E.GameSingleton, lambda: engine().getGame()),
    Family(E.Engine, engine),
    Family(E.ConfigFile, lambda: engine().getConfigFile()),
    Family(E.Graphics, lambda: engine().getGraphics()),
    Family(E.Connection, E.Connection),
    Family(E.Input, lambda: engine().getInput()),
    Family(E.KeyEvent, lambda: engine().getInput().eventKeyPressed()),
    Family(E.MouseMotionEvent, lambda: engine().getInput().eventMouseMoved()),
    Family(E.MouseButtonEvent, lambda: engine().getInput().eventMousePressed()),
    Family(E.ScheduleListener, Scheduled),
    Family(E.Time, lambda: engine().getTime()),
    Family(E.Log, lambda: sys.stdout),
    Family(E.Gui, lambda: engine().getGui()),
    Family(E.GameBase, lambda: engine().getGame()),
    Family(E.GameObject, GameObject),
    Family(E.GameObject, gone_parent, label="goneGameObject", gone=True),
    Family(E.NodeObject, lambda: engine().getGraphics().getRootNodeObject()),
    Family(E.TransformObject, TransformObject),
    Family(E.PointLight, lambda: PointLight(unique("point"))),
    Family(E.DirectionalLight, lambda: DirectionalLight(unique("sun"))),
    Family(E.SpotLight, lambda: SpotLight(unique("spot"))),
    Family(E.BillboardEffect, lambda: BillboardEffect(unique("dots"), "test/Dot")),
    Family(E.BillboardChainEffect, lambda: BillboardChainEffect(unique("chain"), "test/White")),
    Family(E.RibbonTrailEffect, lambda: RibbonTrailEffect(unique("trail"), "test/Trail")),
    Family(E.MeshObject, lambda: animated()),
    Family(E.MeshObject, lambda: MeshObject(unique("cube"), "Prefab_Cube"), label="PlainMesh"),
    Family(E.ParticleSystem, lambda: ParticleSystem(unique("sparks"), "test/Sparks")),
    Family(E.GameControlRegistry_Control,
           lambda: E.GameControlRegistry_Control(E.GameControlRegistry_Control_Type.TYPE_KEY, 36)),
    Family(E.GameControlRegistry_Modifier, E.GameControlRegistry_Modifier),
    Family(E.GameControlRegistry_Command, lambda: E.GameControlRegistry_Command(unique("Jump"), "Movement")),
    Family(E.GameControlRegistry_CommandHandler, Handler),
    Family(E.GameControlRegistry, tolvatest.getControlRegistry),
    Family(Ogre.Vector2, lambda: Ogre.Vector2(1, 2)),
    Family(Ogre.Vector3, lambda: Ogre.Vector3(1, 2, 3)),
    Family(Ogre.Vector4, lambda: Ogre.Vector4(1, 2, 3, 4)),
    Family(Ogre.Quaternion, Ogre.Quaternion),
    Family(Ogre.ColourValue, lambda: Ogre.ColourValue(0.5, 0.5, 0.5, 1)),
    Family(Ogre.Degree, lambda: Ogre.Degree(30)),
    Family(Ogre.Radian, lambda: Ogre.Radian(0.5)),
    Family(Ogre.AxisAlignedBox, lambda: Ogre.AxisAlignedBox(Ogre.Vector3(-1, -1, -1), Ogre.Vector3(1, 1, 1))),
    Family(CEGUI.Window, lambda: engine().getGui().createWidget("DefaultWindow", unique("window"))),
]


def motion_taken_with(create):
    """Whether mouse motion stops at the GUI while a layout made by that member is shown."""
    gui = engine().getGui()
    gui.loadScheme("gui/schemes/Tolva2.scheme")
    window = getattr(gui, create)("gui/layouts/ConsoleWindow.layout", unique("Shown"))
    gui.addChild(window)
    tolvatest.frame(0.02)
    try:
        return tolvatest.moveMouse(x=3)
    finally:
        gui.destroyWindow(window)
        tolvatest.frame(0.02)


def check(condition, text):
    if not condition:
        raise AssertionError(text)


# One observable effect of each member that has no getter to read it back by.
EFFECTS = {
    "Gui.createMenu": lambda: check(motion_taken_with("createMenu"), "a menu takes mouse motion"),
    "Gui.createHud": lambda: check(not motion_taken_with("createHud"), "a heads-up display lets motion through"),
}

# --- what the action members do ---------------------------------------------------------------------
# One effect a frame after the call must show, for each member of the scene classes that changes
# state with no getter to read it back by. Where one call of a neighbouring setter would show the
# same, the member acts twice.
def near(found, expected, what):
    check(scriptfuzz.same(found, expected), "%s is %r, not %r" % (what, found, expected))


def twice(make, act, read, expected, what):
    made = make()
    act(made)
    act(made)
    tolvatest.frame(0.02)
    near(read(made), expected, what)


def family_tree(*calls):
    """(parent is a leaf, child is a root) after the parent's calls with the child."""
    parent, child = TransformObject(), TransformObject()
    for call in calls:
        getattr(parent, call)(child)
    return parent.isLeaf(), child.isRoot()


def animated(*calls):
    """The rig after selecting its "Lift" animation and the calls ((name, arguments))."""
    mesh = MeshObject(unique("rig"), "TestRig.mesh")
    mesh.selectAnimation("Lift")
    mesh.setAnimationLooped(False)
    for name, args in calls:
        getattr(mesh, name)(*args)
    return mesh


def carried_body():
    mesh = MeshObject(unique("cube"), "Prefab_Cube")
    body = TolvaEngine.MovableObject(engine().getPhysics().createSphereGeometry(0.5))
    mesh.addChildAsBody(body)
    check(mesh.isBodyAttached(), "the mesh carries no body")


def faded():
    mesh = MeshObject(unique("cube"), "Prefab_Cube")
    mesh.setFadeEnabled(True)
    mesh.fade(1.0, 1.0, 0.0)
    tolvatest.frame(0.02)
    check(mesh.isFadeRunning(), "no fade runs")


SPUN = Ogre.Quaternion(0.7071068, 0, 0, 0.7071068)
WORLD = Ogre.Node_TransformSpace.TS_WORLD
EFFECTS.update({
    "GameObject.translate": lambda: twice(TransformObject, lambda o: o.translate(Ogre.Vector3(1, 2, 3)),
                                          lambda o: o.getPosition(), Ogre.Vector3(2, 4, 6), "the position"),
    "GameObject.rotate": lambda: twice(TransformObject, lambda o: (o.rotate(Ogre.Vector3(0, 0, 1), 22.5), o.rotate(
        Ogre.Vector3(0, 0, 1), 22.5, WORLD)), lambda o: o.getOrientation(), SPUN, "the orientation"),
    "GameObject.scale": lambda: twice(TransformObject, lambda o: o.scale(Ogre.Vector3(2, 2, 2)),
                                      lambda o: o.getScale(), Ogre.Vector3(4, 4, 4), "the scale"),
    "Hierarchical.addChild": lambda: check(family_tree("addChild") == (False, False), "the child was not added"),
    "Hierarchical.removeChild": lambda: check(family_tree("addChild", "removeChild") == (True, True),
                                              "the child was not removed"),
    "BillboardEffect.rotate": lambda: twice(lambda: BillboardEffect(unique("dots"), "test/Dot"),
                                            lambda b: b.rotate(30), lambda b: b.getRotation(), 60.0, "the rotation"),
    "MeshObject.selectAnimation": lambda: check(not animated().isAnimationLooped(),
                                                "the selected animation does not take the loop flag"),
    "MeshObject.advanceAnimation": lambda: check(
        (animated(("advanceAnimation", (10.0,))).isAnimationFinished(),
         animated(("advanceAnimation", (10.0,)), ("advanceAnimation", (0.5, False))).isAnimationFinished())
        == (True, False), "the animation did not go to its end and back"),
    "MeshObject.addChildAsBody": carried_body,
    "MeshObject.fade": faded,
    # One row per strict enum of these classes and the input values: its numbers (the rendering and
    # input libraries' own, most of whose names the binding also puts in the module), and an unnamed
    # number refused before the engine sees it.
    "MeshObjectRenderType": lambda: scriptfuzz.enum_row(E.MeshObjectRenderType, dict(
        RT_SKY=5, RT_STENCIL=10, RT_CLIP=20, RT_STENCILLED_CLIPPED=30, RT_NORMAL=50),
        lambda value: MeshObject(unique("cube"), "Prefab_Cube").setRenderType(value)),
    "GameControlRegistry_Control_Type": lambda: scriptfuzz.enum_row(E.GameControlRegistry_Control_Type, dict(
        TYPE_NONE=0, TYPE_KEY=1, TYPE_MOUSE_BUTTON=2, TYPE_MOUSE_AXIS_X=4, TYPE_MOUSE_AXIS_Y=8, TYPE_MOUSE_AXIS_Z=16,
        TYPE_MOUSE_AXIS_MASK=28), lambda value: E.GameControlRegistry_Control(value, 36)),
    # No member takes it: the registry makes modifiers of its kinds itself.
    "GameControlRegistry_Modifier_Type": lambda: scriptfuzz.enum_row(E.GameControlRegistry_Modifier_Type, dict(
        TYPE_NONE=0, TYPE_CUSTOM=1)),
    "FogMode": lambda: scriptfuzz.enum_row(Ogre.FogMode, dict(FOG_NONE=0, FOG_EXP=1, FOG_EXP2=2, FOG_LINEAR=3),
                                           lambda value: engine().getGraphics().setFogMode(value), exported=True),
    "Node_TransformSpace": lambda: scriptfuzz.enum_row(Ogre.Node_TransformSpace, dict(
        TS_LOCAL=0, TS_PARENT=1, TS_WORLD=2), lambda value: TransformObject().setRotationMode(value)),
    "BillboardType": lambda: scriptfuzz.enum_row(Ogre.BillboardType, dict(
        BBT_POINT=0, BBT_ORIENTED_COMMON=1, BBT_ORIENTED_SELF=2, BBT_PERPENDICULAR_COMMON=3, BBT_PERPENDICULAR_SELF=4),
        lambda value: BillboardEffect(unique("dots"), "test/Dot").setType(value), exported=True),
    "BillboardOrigin": lambda: scriptfuzz.enum_row(Ogre.BillboardOrigin, dict(
        BBO_TOP_LEFT=0, BBO_TOP_CENTER=1, BBO_TOP_RIGHT=2, BBO_CENTER_LEFT=3, BBO_CENTER=4, BBO_CENTER_RIGHT=5,
        BBO_BOTTOM_LEFT=6, BBO_BOTTOM_CENTER=7, BBO_BOTTOM_RIGHT=8),
        lambda value: BillboardEffect(unique("dots"), "test/Dot").setOrigin(value), exported=True),
    "BillboardChain_TexCoordDirection": lambda: scriptfuzz.enum_row(Ogre.BillboardChain_TexCoordDirection, dict(
        TCD_U=0, TCD_V=1), lambda value: BillboardChainEffect(unique("chain"), "test/White").setTexCoordDirection(
        value)),
    "MouseButton": lambda: scriptfuzz.enum_row(CEGUI.MouseButton, dict(
        LeftButton=0, RightButton=1, MiddleButton=2, X1Button=3, X2Button=4, MouseButtonCount=5, NoButton=6),
        lambda value: engine().getGui().convertCEGUIMouseButtonToOIS(value), exported=True),
    "MouseButtonID": lambda: scriptfuzz.enum_row(OIS.MouseButtonID, dict(
        MB_Left=0, MB_Right=1, MB_Middle=2, MB_Button3=3, MB_Button4=4, MB_Button5=5, MB_Button6=6, MB_Button7=7),
        lambda value: engine().getGui().convertOISMouseButtonToCEGUI(value), exported=True),
    # No member takes a key code (controls take the number): a few of the input library's numbers.
    "KeyCode": lambda: scriptfuzz.enum_row(OIS.KeyCode, dict(KC_UNASSIGNED=0, KC_ESCAPE=1, KC_W=17, KC_SPACE=57,
                                                             KC_MEDIASELECT=237), exported=True, every=False),
})

# Setters whose getters read back something else on the test's engine, and why.
DIFFERS = {
    "Graphics.setFSAA": "keeps only the levels the render system offers (none under the software renderer)",
    "Graphics.setFullScreen": "stores what the window reports, and the test's window manager has no full screen",
    "Graphics.setShadowsEnable": "shadows stay off without their programs in the test media",
}


# Programs of what calls leave behind for later frames: a value the engine derives (a world
# transform, a box times a scale, a bone's follower) must be judged where the call makes it.
ROOT = "r = TolvaEngine.Engine.getInstance().getGraphics().getRootNodeObject()"
HUGE_BOX = "Ogre.AxisAlignedBox(Ogre.Vector3(0, 0, 0), Ogre.Vector3(1e30, 1e30, 1e30))"
FOLLOWER = ["m = make['MeshObject']()", "g = make['GameObject']()"]
ANIMATED = ["m.advanceAnimation(0.3)", "frame()"] * 4


def trail_moving(step):
    """A 12-unit trail of 20 elements moved by step units every frame."""
    return ["t = make['RibbonTrailEffect']()", "t.setLength(12)", "t.setMaxElements(20)"] + [
        "t.translate(Ogre.Vector3(%s, 0, 0))" % step, "frame()"] * 30


ROWS = [
    ("trail given elements under the root at zero scale", [ROOT, "t = make['RibbonTrailEffect']()",
                                                   "r.setScale(Ogre.Vector3(0, 0, 0))", "frame()",
                                                   "t.setMaxElements(2)"]),
    ("trail given chains under the root at zero scale", [ROOT, "t = make['RibbonTrailEffect']()",
                                                 "r.setScale(Ogre.Vector3(0, 0, 0))", "frame()",
                                                 "t.setNumberOfChains(2)"]),
    ("trail under an object under the root at zero scale", [ROOT, "p = make['GameObject']()", "t = make['RibbonTrailEffect']()",
                                                    "p.addChild(t)", "r.setScale(Ogre.Vector3(0, 0, 0))", "frame()",
                                                    "t.setMaxElements(2)", "t.setNumberOfChains(2)"]),
    ("objects scaled under the scaled root", [ROOT, "o = make['TransformObject']()",
                                              "r.setScale(Ogre.Vector3(1e15, 1e15, 1e15))",
                                              "o.setScale(Ogre.Vector3(1e15, 1e15, 1e15))",
                                              "o.setPosition(Ogre.Vector3(1e15, 0, 0))"]),
    ("mesh box times its scale", ["m = make['PlainMesh']()", "m.setBoundingBox(%s)" % HUGE_BOX,
                                  "m.setScale(Ogre.Vector3(1e9, 1, 1))"]),
    ("mesh box left for a later mesh", ["m = make['PlainMesh']()", "m.setBoundingBox(%s)" % HUGE_BOX, "frame()",
                                        "del m", "frame()", "n = make['PlainMesh']()",
                                        "n.setScale(Ogre.Vector3(1e9, 1, 1))"]),
    # A follower goes where its bone is, under its own parent.
    ("bone follower under a scaled parent", FOLLOWER + [
        "q = make['GameObject']()", "q.setScale(Ogre.Vector3(1e8, 1e8, 1e8))", "q.addChild(g)",
        "m.attachObjectToBone('Arm', g, Ogre.Vector3(1e8, 0, 0), Ogre.Quaternion())"] + ANIMATED),
    ("bone follower under a moved parent", FOLLOWER + [
        "q = make['GameObject']()", "q.setPosition(Ogre.Vector3(9e14, 0, 0))", "q.addChild(g)",
        "m.attachObjectToBone('Root', g, Ogre.Vector3(2e14, 0, 0), Ogre.Quaternion())"] + ANIMATED),
    ("bone follower whose parent is scaled after the attach", FOLLOWER + [
        "q = make['GameObject']()", "q.addChild(g)",
        "m.attachObjectToBone('Arm', g, Ogre.Vector3(100, 0, 0), Ogre.Quaternion())", "frame()",
        "q.setScale(Ogre.Vector3(1e14, 1e14, 1e14))"] + ANIMATED),
    ("trail moved half its length a frame", trail_moving(6)),
    ("trail moved far beyond its length a frame", trail_moving("1e9")),
]


class ScriptFuzz(scriptfuzz.FuzzTest):
    modules = [TolvaEngine, TolvaValues]
    values_module = Ogre
    families = FAMILIES
    frame = staticmethod(lambda: tolvatest.frame(0.02))
    effects = EFFECTS
    differs = DIFFERS
    call_functions_of = ("TolvaValues.Ogre", "TolvaValues.OIS", "TolvaValues.CEGUI")
    skip = {
        # Ends the run; its own tests stop and restart engines.
        "Engine.stop": "",
    }
    program_leaves = ("TransformObject", "PointLight", "SpotLight", "BillboardEffect", "BillboardChainEffect",
                      "RibbonTrailEffect", "MeshObject", "ParticleSystem")
    sequence_labels = ("GameObject", "TransformObject", "PointLight", "BillboardChainEffect", "RibbonTrailEffect",
                       "PlainMesh", "MeshObject", "ParticleSystem", "NodeObject")
    sequences = 400
    program_rows = ROWS
    shared_boxes = ("PlainMesh", "MeshObject")
    sequence_weights = {"attachObjectToBone": 6, "setBoundingBox": 4, "setMaxElements": 2, "setNumberOfChains": 2}
    sequence_strings = {"attachObjectToBone": ["'Arm'", "'Root'"], "detachObjectFromBone": ["'Arm'"],
                        "selectAnimation": ["'Lift'"]}
    max_single_cases = 5000

    def extra_strings(self):
        return resource_subfolders()


def resource_subfolders():
    """Names of real sub-folders of the engine's resource locations, as a script would name a file."""
    found = []
    path = os.path.join(engine().getDataDirectory(), "engine.cfg")
    try:
        with open(path) as config:
            lines = config.read().splitlines()
    except OSError:
        return found
    for line in lines:
        if line.startswith("FileSystem="):
            folder = line.split("=", 1)[1]
            try:
                subs = sorted(entry.name for entry in os.scandir(folder) if entry.is_dir())
            except OSError:
                continue
            if subs:
                found.append(subs[0])
    return sorted(set(found))[:1]


if __name__ == "__main__":
    import unittest
    unittest.main()
