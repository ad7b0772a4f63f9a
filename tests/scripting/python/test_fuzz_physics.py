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


def gone_carried_base():
    carrier = E.PhysicsObject(physics().createBoxGeometry(Vector3(1, 1, 1)))
    base = carrier.getBase()
    del carrier
    gc.collect()
    return base


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
    Family(TolvaValues.ode.HingeJoint, lambda: physics().createHingeJoint()),
    Family(TolvaValues.ode.FixedJoint, lambda: physics().createFixedJoint()),
    # Handles, signals and holders whose object is gone: every member must raise ReferenceError.
    Family(E.PhysicalBase, gone_carried_base, label="goneBase", gone=True),
    Family(E.CollisionEvent, lambda: gone(carried_base, lambda b: b.eventCollision()), label="goneSignal",
           gone=True),
    Family(E.InterfaceHolder_CollisionListener,
           lambda: gone(carried_base, lambda b: b.eventPhysicalCollision(b)), label="goneHolder", gone=True),
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
]

# Setters whose getters read back something else, and why.
DIFFERS = {
    "PhysicalBase.setScale": "the scale goes to the geometries; a physical object reports the unit scale",
    "HingeJoint.setAnchor": "a joint attached to no body keeps no anchor",
    "HingeJoint.setAxis": "a joint attached to no body keeps no axis",
}


class ScriptFuzz(scriptfuzz.FuzzTest):
    modules = [TolvaEngine, TolvaValues]
    values_module = TolvaValues.Ogre
    families = FAMILIES
    frame = staticmethod(lambda: tolvatest.frame(0.02))
    differs = DIFFERS
    skip = {
        # A signal takes any object and calls it at the next emission, where a non-callable one
        # raises TypeError inside the frame (documented behaviour, not a crash).
        "CollisionEvent.connect": "",
        "OccupancyEvent.connect": "",
    }
    extra_families = PROGRAM_FAMILIES
    program_leaves = ("MovableObject", "RayObject", "Trigger", "SinglePhysical", "PhysicsObject", "OriginCylinder")
    sequence_labels = ("GameObject", "PlainMesh", "MovableObject", "RayObject", "Trigger", "OriginBall",
                       "OriginCylinder", "PhysicsObject")
    sequences = 30
    max_single_cases = 3000
    # Faults mended on another branch, found by these cases; to be removed once that branch is in.
    known_faults = {
        "hierarchy:MovableObject:-0.0": "a body under a zero-scaled ancestor is written back as NaN",
        "hierarchy:MovableObject:0": "a body under a zero-scaled ancestor is written back as NaN",
        "hierarchy:OriginCylinder:-0.0": "a body under a zero-scaled ancestor is written back as NaN",
        "hierarchy:OriginCylinder:0": "a body under a zero-scaled ancestor is written back as NaN",
        "hierarchy:RayObject:1e7": "a ray geometry under far ancestors leaves ODE's range",
        "hierarchy:RayObject:2e8": "a ray geometry under far ancestors leaves ODE's range",
        "hierarchy:RayObject:3e9": "a ray geometry under far ancestors leaves ODE's range",
        "hierarchy:RayObject:1e15": "a ray geometry under far ancestors leaves ODE's range",
    }


if __name__ == "__main__":
    import unittest
    unittest.main()
