# engine: window
"""Hostile calls into the physics objects, geometries, bodies, joints, gravity maps, rigs and their
signals and listener holders: each raises a Python error, none crashes, aborts or hangs the engine."""
import gc
import itertools
import os
import pickle
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import TolvaEngine
import TolvaValues
import tolvatest
from TolvaValues.Ogre import Quaternion, Vector3

import scriptfuzz
from scriptfuzz import Family

E = TolvaEngine
_names = itertools.count()
# Objects whose parts (bodies, geometries, signals) a family hands out: kept for the whole run.
_keep = []


def unique(prefix):
    return "%s%d" % (prefix, next(_names))


def physics():
    return E.TolvaSingleton.getInstance().getPhysics()


def kept(owner, part):
    _keep.append(owner)
    return part


def gravity_map_file():
    """Two by two by two cells of 5 units, each pushing along +z."""
    cells = tuple(tuple(tuple((0.0, 0.0, 20.0) for k in range(2)) for j in range(2)) for i in range(2))
    path = os.path.join(tempfile.mkdtemp(prefix="fuzzgravity-"), "push.gmap")
    with open(path, "wb") as out:
        pickle.dump(((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), (5.0, 2, 2, 2), cells), out, 2)
    return path


GRAVITY_MAP = gravity_map_file()


def ball():
    movable = E.MovableObject(physics().createSphereGeometry(0.5), 2.0)
    movable.setPosition(Vector3(0, 2, 0))
    return movable


def rig():
    mesh = E.MeshObject(unique("fuzzRig"), "TestRig.mesh")
    made = E.SkeletalRig()
    made.addGeometry("Arm", physics().createSphereGeometry(0.25), Vector3(0, 0, 0), Quaternion())
    made.rig(mesh)
    _keep.append(mesh)
    return made


def carried_base():
    """The physical object a physics object made from a geometry, through getBase."""
    carrier = E.PhysicsObject(physics().createBoxGeometry(Vector3(1, 1, 1)))
    return kept(carrier, carrier.getBase())


def gone(make, reach):
    """A part reached through a handle of an object that no longer exists."""
    owner = make()
    part = reach(owner)
    del owner
    gc.collect()
    return part


class Listener(E.CollisionListener):
    def collision(self, partner, contact):
        pass


def contact():
    """A contact a collision test filled in."""
    listener = E.ContactListener(True)
    sphere = E.SinglePhysical(physics().createSphereGeometry(1.0))
    other = E.SinglePhysical(physics().createSphereGeometry(1.0))
    _keep.extend((sphere, other))
    sphere.collide(other.getGeometry(0))
    return listener


def carrier():
    return E.PhysicsObject(physics().createBoxGeometry(Vector3(1, 1, 1)))


def gone_carried_base():
    return gone(carrier, lambda c: c.getBase())


FAMILIES = [
    Family(E.Physics, physics),
    Family(E.Contact, contact),
    Family(E.ContactListener, lambda: E.ContactListener(False)),
    Family(E.SinglePhysical, lambda: E.SinglePhysical(physics().createBoxGeometry(Vector3(1, 2, 3)))),
    Family(E.CompoundPhysical, lambda: E.CompoundPhysical()),
    Family(E.SkeletalRig, rig),
    Family(E.PhysicsObject, lambda: E.PhysicsObject(physics().createSphereGeometry(1.0))),
    Family(E.GravityMap, lambda: E.GravityMap(GRAVITY_MAP)),
    Family(E.RayObject, lambda: E.RayObject(Vector3(0, -10, 0))),
    Family(E.Trigger, lambda: E.Trigger(Vector3(2, 2, 2))),
    Family(E.MovableObject, ball),
    Family(E.PhysicalBase, carried_base, label="CarriedBase"),
    Family(E.CollisionListener, Listener),
    Family(E.CollisionEvent, lambda: kept(*(lambda b: (b, b.eventCollision()))(ball()))),
    Family(E.OccupancyEvent, lambda: kept(*(lambda t: (t, t.eventEntered()))(E.Trigger(Vector3(1, 1, 1))))),
    Family(E.InterfaceHolder_CollisionListener,
           lambda: kept(*(lambda b: (b, b.eventPhysicalCollision(b)))(ball()))),
    Family(TolvaValues.ode.SphereGeometry, lambda: physics().createSphereGeometry(1.0)),
    Family(TolvaValues.ode.BoxGeometry, lambda: physics().createBoxGeometry(Vector3(1, 1, 1))),
    Family(TolvaValues.ode.CapsuleGeometry, lambda: physics().createCapsuleGeometry(0.5, 2.0)),
    Family(TolvaValues.ode.CylinderGeometry, lambda: physics().createCylinderGeometry(0.5, 2.0)),
    Family(TolvaValues.ode.RayGeometry, lambda: physics().createRayGeometry(Vector3(0, 0, 0), Vector3(0, 0, 1))),
    Family(TolvaValues.ode.Body, lambda: kept(*(lambda b: (b, b.getBody()))(ball()))),
    Family(TolvaValues.ode.Mass, lambda: TolvaValues.ode.Mass()),
    Family(TolvaValues.ode.HingeJoint, lambda: hinged()),
    Family(TolvaValues.ode.FixedJoint, lambda: physics().createFixedJoint()),
    # Handles, signals and holders whose object is gone: every member must raise ReferenceError.
    Family(E.PhysicalBase, gone_carried_base, label="goneBase", gone=True),
    Family(E.CollisionEvent, lambda: gone(carrier, lambda c: c.getBase().eventCollision()), label="goneSignal",
           gone=True),
    Family(E.InterfaceHolder_CollisionListener,
           lambda: gone(carrier, lambda c: c.getBase().eventPhysicalCollision(c.getBase())), label="goneHolder",
           gone=True),
    Family(TolvaValues.ode.Body, lambda: gone(ball, lambda b: b.getBody()), label="goneBody", gone=True),
]

# What programs build hierarchies of and meet: parents for the physical objects, and two movables
# made where they stand, at the origin (a sphere centred on a cylinder).
PROGRAM_FAMILIES = [
    Family(E.GameObject, E.GameObject),
    Family(E.MeshObject, lambda: E.MeshObject(unique("fuzzCube"), "Prefab_Cube"), label="PlainMesh"),
    Family(E.MovableObject, lambda: E.MovableObject(physics().createSphereGeometry(0.5), 1.0), label="OriginBall"),
    Family(E.MovableObject, lambda: E.MovableObject(physics().createCylinderGeometry(0.5, 2.0), 1.0),
           label="OriginCylinder"),
    Family(E.NodeObject, lambda: E.TolvaSingleton.getInstance().getGraphics().getRootNodeObject(), label="RootNode"),
]

# Programs of what calls leave behind for later physics steps: a gravity map's offsets times its
# world scale, damping that feeds a body's speed back into itself. A ball's place is what a player
# sees of it.
STILL = "assert b.getPosition().length() < 1e3, b.getPosition()"
SPINNING = ["b = make['MovableObject']()", "b.setAffectedByGravity(False)"]


def damped(setup, *damping):
    return SPINNING + setup + list(damping) + ["frame()"] * 200 + [STILL]


ROWS = [
    ("gravity map under a scaled holder", ["h = make['GameObject']()", "g = make['GravityMap']()", "h.addChild(g)",
                                           "h.setScale(Ogre.Vector3(1e7, 1e7, 1))", "b = make['MovableObject']()"]),
    ("gravity map scaled three times", ["g = make['GravityMap']()", "b = make['MovableObject']()"]
     + ["g.scale(Ogre.Vector3(1000, 1000, 1))"] * 3),
    ("gravity map under the scaled root", ["r = make['RootNode']()", "g = make['GravityMap']()",
                                           "r.setScale(Ogre.Vector3(1e7, 1e7, 1))", "b = make['MovableObject']()"]),
    ("gravity map made under the scaled root", ["r = make['RootNode']()", "r.setScale(Ogre.Vector3(1e7, 1e7, 1))",
                                                "g = make['GravityMap']()", "b = make['MovableObject']()"]),
    ("cylinders flattened to a tiny length", ["a = make['OriginCylinder']()", "c = make['OriginCylinder']()"]
     + [line for z in ("1e-40", "1e-30", "2e-16")
        for line in ("assert accepted(lambda: c.setScale(Ogre.Vector3(1, 1, %s)))" % z, "frame()")]),
    ("angular damping above one", damped(["b.setAngularVelocity(Ogre.Vector3(0, 0, 5))"], "b.setAngularDamping(3.0)")),
    ("linear damping above one", damped(["b.setLinearVelocity(Ogre.Vector3(5, 0, 0))"], "b.setLinearDamping(3.0)")),
    ("rolling ball damped with five", damped(["b.setLinearVelocity(Ogre.Vector3(5, 0, 0))",
                                              "b.setAngularVelocity(Ogre.Vector3(0, 0, -10))"],
                                             "b.setLinearDamping(5.0)", "b.setAngularDamping(5.0)")),
]

# Setters whose getters read back something else, and why.
DIFFERS = {
    "PhysicalBase.setScale": "the scale goes to the geometries; a physical object reports the unit scale",
}

# --- what the action members do ---------------------------------------------------------------------
# One effect a frame after the call must show, for each member that changes state with no getter to
# read it back by. Where one call of a neighbouring setter would show the same, the member acts twice.
FRAME = 0.02
_places = itertools.count()


def hinged():
    """A hinge joint attached to a body (a joint attached to nothing keeps no anchor or axis)."""
    holder, joint = floating(), physics().createHingeJoint()
    joint.attach(holder.getBody(), None)
    return kept(holder, joint)


def floating():
    """A ball of mass 2 and radius 0.5, alone and weightless."""
    made = ball()
    made.setPosition(Vector3(0, 100 + 10 * next(_places), 0))
    made.setAffectedByGravity(False)
    return made


def near(found, expected, what, tolerance=0.02):
    pairs = zip(scriptfuzz.numbers_of(found), scriptfuzz.numbers_of(expected))
    if not all(abs(a - b) <= tolerance * max(1.0, abs(b)) for a, b in pairs):
        raise AssertionError("%s is %r, not %r" % (what, found, expected))


def after_frame(act, *checks):
    """Makes a floating ball, acts on it, runs a frame and checks its linear and angular velocity."""
    made = floating()
    act(made)
    tolvatest.frame(FRAME)
    near(made.getLinearVelocity(), checks[0], "the linear velocity")
    near(made.getAngularVelocity(), checks[1], "the angular velocity")


def twice(make, act, read, expected, what):
    made = make()
    act(made)
    act(made)
    near(read(made), expected, what)


def single():
    return E.SinglePhysical(physics().createSphereGeometry(1.0))


def property_removed():
    made = single()
    made.setProperty("colour", "red")
    made.removeProperty("colour")
    if made.isPropertyPresent("colour"):
        raise AssertionError("the property is still there")


def compound(count):
    made = E.CompoundPhysical()
    for index in range(count):
        made.addGeometry(physics().createSphereGeometry(1.0))
    return made


def woken():
    made = floating()
    made.setBodyEnabled(False)
    made.getBody().wake()
    if not made.getBody().isAwake():
        raise AssertionError("the body still sleeps")


def switched(first, second, expected):
    geometry = physics().createSphereGeometry(1.0)
    getattr(geometry, first)()
    getattr(geometry, second)()
    if geometry.isEnabled() is not expected:
        raise AssertionError("the geometry reads %r after %s and %s" % (geometry.isEnabled(), first, second))


def attached():
    holder, joint = floating(), physics().createHingeJoint()
    joint.attach(None, kept(holder, holder.getBody()))
    if joint.getFirstBody() is not None or joint.getSecondBody() is None:
        raise AssertionError("the body is not the joint's second")


SPUN = Quaternion(0.7071068, 0, 0, 0.7071068)
EFFECTS = {
    # Mass 2, a frame of 0.02 s: a force gives F * 0.02 / 2, an impulse J / 2; a torque spins
    # (inertia 2 / 5 * 2 * 0.5 ** 2 = 0.2) and pushes nothing.
    "MovableObject.addForce": lambda: after_frame(lambda b: b.addForce(Vector3(0, 0, 40)), Vector3(0, 0, 0.4),
                                                  Vector3(0, 0, 0)),
    "MovableObject.addImpulse": lambda: after_frame(lambda b: b.addImpulse(Vector3(0, 0, 4)), Vector3(0, 0, 2),
                                                    Vector3(0, 0, 0)),
    "MovableObject.addTorque": lambda: after_frame(lambda b: b.addTorque(Vector3(0, 0, 2)), Vector3(0, 0, 0),
                                                   Vector3(0, 0, 0.2)),
    "MovableObject.translateMass": lambda: twice(floating, lambda b: b.translateMass(Vector3(0, 1, 0)),
                                                 lambda b: b.getMass().getCentre(), Vector3(0, 2, 0), "the centre"),
    "PhysicalBase.translate": lambda: twice(single, lambda p: p.translate(Vector3(1, 2, 3)), lambda p: p.getPosition(),
                                            Vector3(2, 4, 6), "the position"),
    "PhysicalBase.rotate": lambda: twice(single, lambda p: (p.rotate(Vector3(0, 0, 1), 22.5), p.rotate(
        Vector3(0, 0, 1), 22.5, TolvaValues.Ogre.Node_TransformSpace.TS_WORLD)), lambda p: p.getOrientation(), SPUN,
                                         "the orientation"),
    # Once: a physical object reports the unit scale, so scale() sets what it multiplies.
    "PhysicalBase.scale": lambda: near((lambda p: (p.scale(Vector3(2, 2, 2)), p.getGeometry(0).getRadius())[1])(
        single()), 2.0, "the radius"),
    "PhysicalBase.removeProperty": property_removed,
    "CompoundPhysical.addGeometry": lambda: near(compound(2).getGeometryCount(), 2, "the count"),
    "CompoundPhysical.removeGeometry": lambda: twice(lambda: compound(3), lambda c: c.removeGeometry(0),
                                                     lambda c: c.getGeometryCount(), 1, "the count"),
    "SkeletalRig.addGeometry": lambda: twice(rig, lambda r: r.addGeometry("Arm", physics().createSphereGeometry(
        0.25), Vector3(0, 0, 0), Quaternion()), lambda r: r.getGeometryCount(), 3, "the count"),
    "SkeletalRig.removeGeometry": lambda: twice(rig, lambda r: r.removeGeometry(r.getGeometry(0)),
                                                lambda r: r.getGeometryCount(), 0, "the count"),
    "Geometry.disable": lambda: switched("enable", "disable", False),
    "Geometry.enable": lambda: switched("disable", "enable", True),
    "Body.wake": woken,
    "Mass.adjust": lambda: twice(TolvaValues.ode.Mass, lambda m: m.adjust(3.0), lambda m: m.getMassValue(), 3.0,
                                 "the mass"),
    "Mass.translate": lambda: twice(TolvaValues.ode.Mass, lambda m: m.translate(Vector3(1, 0, 0)),
                                    lambda m: m.getCentre(), Vector3(2, 0, 0), "the centre"),
    "Joint.attach": attached,
    # One row per strict enum of these classes: its numbers, and an unnamed number refused before
    # the engine sees it.
    "Physics_MassType": lambda: scriptfuzz.enum_row(E.Physics_MassType, dict(
        MASS=0, MASS_AUTO=1, MASS_BOX=2, MASS_CAPSULE=3, MASS_CYLINDER=4, MASS_SPHERE=5),
        lambda value: floating().setMassType(value)),
    "GravityMap_OperationMode": lambda: scriptfuzz.enum_row(E.GravityMap_OperationMode, dict(
        MODE_AUTO=0, MODE_MANUAL=1), lambda value: E.GravityMap(GRAVITY_MAP).setMode(value)),
}


class ScriptFuzz(scriptfuzz.FuzzTest):
    modules = [TolvaEngine, TolvaValues]
    values_module = TolvaValues.Ogre
    families = FAMILIES
    frame = staticmethod(lambda: tolvatest.frame(0.02))
    differs = DIFFERS
    effects = EFFECTS
    skip = {
        # A signal takes any object and calls it at the next emission, where a non-callable one
        # raises TypeError inside the frame (documented behaviour, not a crash).
        "CollisionEvent.connect": "",
        "OccupancyEvent.connect": "",
    }
    extra_families = PROGRAM_FAMILIES
    program_leaves = ("MovableObject", "RayObject", "Trigger", "SinglePhysical", "PhysicsObject", "OriginCylinder",
                      "GravityMap")
    sequence_labels = ("GameObject", "PlainMesh", "MovableObject", "RayObject", "Trigger", "OriginBall",
                       "OriginCylinder", "PhysicsObject", "GravityMap", "RootNode")
    sequences = 400
    program_rows = ROWS
    world_bound = 1e7
    shared_boxes = ("PlainMesh",)
    sequence_weights = {"setLinearDamping": 3, "setAngularDamping": 3, "setBoundingBox": 3}
    max_single_cases = 3000


if __name__ == "__main__":
    import unittest
    unittest.main()
