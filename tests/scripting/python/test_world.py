# engine: window
"""A whole scene built by a script, with every kind of object the engine module binds, run for a few
hundred frames: what the script is told and what it sees afterwards."""
import gc
import os
import pickle
import tempfile
import time
import unittest

import TolvaEngine as T
import tolvatest
from TolvaValues.Ogre import Quaternion, Vector3

SHORT_TONE = os.path.abspath("../tests/sounds/tone-mono-short.ogg")
LONG_TONE = os.path.abspath("../tests/sounds/tone-mono-1s.ogg")
Coll = T.PhysicalBase_CollidableType


def writeGravityMap(folder):
    """Two by two by two cells of 5 units, each pushing along +z."""
    cells = tuple(tuple(tuple((0.0, 0.0, 20.0) for k in range(2)) for j in range(2)) for i in range(2))
    path = os.path.join(folder, "push.gmap")
    with open(path, "wb") as out:
        pickle.dump(((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0), (5.0, 2, 2, 2), cells), out, 2)
    return path


class World:
    def __init__(self, folder):
        engine = T.TolvaSingleton.getInstance()
        self.physics, self.music = engine.getPhysics(), engine.getAudio().getMusicManager()
        self.physics.setGravity(Vector3(0, -9.81, 0))
        self.told = []
        self.root = T.GameObject()
        self.pivot = T.TransformObject()
        self.root.addChild(self.pivot)
        self.scenery = [T.PointLight("worldPoint"), T.DirectionalLight("worldSun"), T.SpotLight("worldSpot"),
                        T.ParticleSystem("worldSparks", "test/Sparks"), T.BillboardEffect("worldDots", "test/Dot"),
                        T.BillboardChainEffect("worldChain", "test/White"),
                        T.RibbonTrailEffect("worldTrail", "test/White")]
        for item in self.scenery:
            self.pivot.addChild(item)
        self.rigMesh = T.MeshObject("worldRig", "TestRig.mesh")
        self.rigMesh.setPosition(Vector3(0, 0, -10))
        self.rigMesh.selectAnimation("Lift")
        self.rigMesh.setFadeEnabled(True)
        self.rigMesh.fade(1.0, 1.0, 0.25)
        self.rig = T.SkeletalRig()
        self.rig.addGeometry("Arm", self.physics.createSphereGeometry(0.25), Vector3(0, 0, 0), Quaternion())
        self.rig.rig(self.rigMesh)

        self.ground = T.SinglePhysical(self.physics.createBoxGeometry(Vector3(40, 1, 40)))
        self.ground.setPosition(Vector3(0, -0.5, 0))
        self.wall = T.CompoundPhysical()
        for index, x in enumerate((-15.0, -17.0)):
            self.wall.addGeometry(self.physics.createBoxGeometry(Vector3(1, 4, 1)))
            self.wall.setOffsetPosition(Vector3(x, 2, 0), index)
        self.carrier = T.PhysicsObject(self.physics.createBoxGeometry(Vector3(1, 1, 1)))
        self.root.addChild(self.carrier)
        self.carrier.setPosition(Vector3(-8, 3, 0))
        self.ray = T.RayObject(Vector3(0, -10, 0))
        self.ray.setPosition(Vector3(5, 5, 5))

        self.ball = T.MovableObject(self.physics.createSphereGeometry(0.5), 2.0)
        self.ball.setCollisionCategory(Coll.COLL_SPHERE)
        self.ball.setPosition(Vector3(0, 2, 0))
        self.ballMesh = T.MeshObject("worldBall", "TestPanel.mesh")
        self.ballMesh.addChildAsBody(self.ball)
        self.trigger = T.Trigger(Vector3(4, 4, 4))
        self.trigger.setPosition(Vector3(0, 2.6, 0))
        self.trigger.eventEntered().connect(lambda: self.told.append("entered"))
        self.trigger.eventExited().connect(lambda: self.told.append("exited"))
        self.contacts = []
        self.ball.eventCollision().connect(lambda partner, contact: self.contacts.append(contact))

        self.drifter = T.MovableObject(self.physics.createSphereGeometry(0.5))
        self.drifter.setAffectedByGravity(False)
        self.drifter.setCollisionPartners(self.drifter.getCollisionPartners() | int(Coll.COLL_GRAVITY))
        self.drifter.setPosition(Vector3(35, 5, 2))
        self.gravity = T.GravityMap(writeGravityMap(folder))
        self.gravity.setPosition(Vector3(30, 0, 0))
        self.gravity.setIntensity(1.0)
        self.gravity.setMode(T.GravityMap_OperationMode.MODE_AUTO)

        self.tone = T.Sound("worldTone", SHORT_TONE)
        self.root.addChild(self.tone)
        self.motif = self.music.addMotif(LONG_TONE, "worldMotif")


class WholeScene(unittest.TestCase):
    def test_a_scene_with_every_kind_of_object_runs_and_tells_the_script_what_happened(self):
        world = World(tempfile.mkdtemp())
        told = world.told

        class Landing(T.CollisionListener):
            def collision(self, partner, contact):
                told.append(("landed", partner.getPosition().y))

        class Finish(T.Sound_Listener):
            def soundFinished(self):
                told.append("tone finished")

        class Motifs(T.MusicManager_Listener):
            def motifPlay(self, name):
                told.append("motif " + name)

            def motifStop(self, name):
                pass

        listeners = (Landing(), Finish(), Motifs())
        world.ball.eventPhysicalCollision(world.ground).connect(listeners[0])
        world.tone.interfaceListener().connect(listeners[1])
        world.music.interfaceMusicManagerListener().connect(listeners[2])
        world.tone.play()
        world.music.playMotif(world.motif)
        start = world.drifter.getPosition()
        for frame in range(300):
            if frame == 150:
                world.ball.setPosition(Vector3(8, 1, 0))
            world.rigMesh.advanceAnimation(0.01)
            tolvatest.frame(0.01)
            time.sleep(0.002)

        self.assertIn(("landed", -0.5), told)
        grounded = [contact for contact in world.contacts if isinstance(contact.p1, T.SinglePhysical)
                    and isinstance(contact.p2, T.SinglePhysical)]
        self.assertTrue(grounded)
        for contact in grounded:
            between = contact.p1.getPosition() - contact.p2.getPosition()
            self.assertGreater(contact.normal.dotProduct(between), 0)
        self.assertEqual(["entered", "exited"], [event for event in told if event in ("entered", "exited")])
        self.assertIn("tone finished", told)
        self.assertIn("motif worldMotif", told)
        pushed = world.drifter.getPosition() - start
        self.assertGreater(pushed.z, 1.0)
        self.assertLess(abs(pushed.x) + abs(pushed.y), 0.01)
        self.assertLess((world.ballMesh.getWorldPosition() - world.ball.getPosition()).length(), 0.01)
        self.assertIsInstance(world.ballMesh.getBody(), T.MovableObject)
        self.assertEqual(1, world.rig.getGeometryCount())
        self.assertEqual(2, world.wall.getGeometryCount())
        self.assertEqual(Vector3(-8, 3, 0), world.carrier.getBase().getPosition())
        self.assertTrue(world.rigMesh.isAnimated() and not world.rigMesh.isFadeRunning())


class ReachedThroughHandles(unittest.TestCase):
    def test_signals_and_holders_reached_through_a_handle_refuse_use_once_their_object_is_gone(self):
        physics = T.TolvaSingleton.getInstance().getPhysics()

        class Quiet(T.CollisionListener):
            def collision(self, partner, contact):
                pass

        def carried():
            """An object a physics object made and owns, and the handle getBase gives of it."""
            carrier = T.PhysicsObject(physics.createSphereGeometry(1.0))
            return carrier, carrier.getBase()

        def parented(owner):
            """An object the script made, and the handle a child's getParent gives of it."""
            child = T.GameObject()
            child.setParent(owner)
            return owner, child.getParent()

        def compound():
            owner = T.CompoundPhysical()
            owner.addGeometry(physics.createSphereGeometry(1.0))
            return parented(owner)

        partner = T.SinglePhysical(physics.createSphereGeometry(1.0))
        slot = lambda *arguments: None
        trigger = lambda: parented(T.Trigger(Vector3(1, 1, 1)))
        # what the script is told names the part's class and the class of the object it went with
        cases = {
            "collision signal": (carried, lambda base: base.eventCollision(), slot, "SinglePhysical"),
            "partner listener holder": (carried, lambda base: base.eventPhysicalCollision(partner), Quiet(),
                                        "SinglePhysical"),
            "geometry listener holder": (compound, lambda base: base.eventGeometryCollision(base.getGeometry(0)),
                                         Quiet(), "CompoundPhysical"),
            "entered signal": (trigger, lambda base: base.eventEntered(), slot, "Trigger"),
            "exited signal": (trigger, lambda base: base.eventExited(), slot, "Trigger"),
        }
        for name, (make, reach, listener, gone) in cases.items():
            with self.subTest(name):
                owner, handle = make()
                part = reach(handle)
                part.connect(listener)
                del owner, handle
                gc.collect()
                with self.assertRaisesRegex(ReferenceError, "^The %s's %s no longer exists\\.$"
                                            % (type(part).__name__, gone)):
                    part.connect(listener)
        tolvatest.frame(0.01)

    def test_every_use_of_a_handle_of_a_gone_object_raises_reference_error_naming_it(self):
        engine = T.TolvaSingleton.getInstance()
        physics, music = engine.getPhysics(), engine.getAudio().getMusicManager()

        def parent():
            owner, child = T.GameObject(), T.GameObject()
            child.setParent(owner)
            return child.getParent()

        def geometry():
            geometry = physics.createSphereGeometry(1.0)
            T.SinglePhysical(geometry)
            return geometry

        def motif():
            name = music.addMotif(SHORT_TONE, "goneMotif", 0.5)
            handle = music.getMotif(name)
            music.removeMotif(name)
            return handle

        body = lambda: T.MovableObject(physics.createSphereGeometry(0.5), 1.0).getBody()
        base = lambda: T.PhysicsObject(physics.createSphereGeometry(1.0)).getBase()
        # the class that is gone, how a script kept a handle of it, one use of the handle
        cases = [
            ("GameObject", parent, lambda gone: gone.getPosition()),
            ("GameObject", parent, lambda gone: T.GameObject().setParent(gone)),
            ("SphereGeometry", geometry, lambda gone: gone.getRadius()),
            ("SphereGeometry", geometry, lambda gone: T.CompoundPhysical().addGeometry(gone)),
            ("Body", body, lambda gone: gone.isAwake()),
            ("SinglePhysical", base, lambda gone: gone.getPosition()),
            ("SinglePhysical", base, lambda gone: gone.eventCollision()),
            ("Sound", motif, lambda gone: gone.getFilename()),
        ]
        for index, (name, make, use) in enumerate(cases):
            with self.subTest(index=index, gone=name):
                handle = make()
                gc.collect()
                with self.assertRaisesRegex(ReferenceError, "^The %s no longer exists\\.$" % name):
                    use(handle)
        # A gone object handed where no object of its class goes is still the wrong argument.
        with self.assertRaisesRegex(TypeError, "did not match C\\+\\+ signature"):
            T.GameObject().setPosition(parent())

    def test_a_geometry_given_again_as_the_base_it_already_is_stays_carried(self):
        physics = T.TolvaSingleton.getInstance().getPhysics()
        geometry = physics.createSphereGeometry(1.5)
        carrier = T.PhysicsObject()
        for _ in range(2):
            carrier.setBase(geometry)
        self.assertEqual(1.5, geometry.getRadius())
        self.assertEqual(1.5, carrier.getBase().getGeometry(0).getRadius())
        carrier.setBase(physics.createSphereGeometry(0.5))
        gc.collect()
        with self.assertRaisesRegex(ReferenceError, "The SphereGeometry no longer exists"):
            geometry.getRadius()


class Rigs(unittest.TestCase):
    def test_a_rig_lent_to_a_physics_object_keeps_riding_its_bone_after_the_object_goes(self):
        physics = T.TolvaSingleton.getInstance().getPhysics()
        mesh = T.MeshObject("lentRig", "TestRig.mesh")
        mesh.selectAnimation("Lift")
        rig = T.SkeletalRig()
        rig.addGeometry("Arm", physics.createSphereGeometry(0.25), Vector3(0, 1, 0), Quaternion())
        rig.rig(mesh)
        carrier = T.PhysicsObject(rig)
        carrier.setPosition(Vector3(50, 0, 0))
        tolvatest.frame(0.01)
        del carrier
        gc.collect()
        positions = []
        for _ in range(40):
            mesh.advanceAnimation(0.02)
            tolvatest.frame(0.01)
            positions.append(rig.getGeometry(0).getWorldPosition())
        self.assertLess(positions[0].x, 10)
        self.assertNotEqual(positions[0], positions[-1])
        rig.unrig()
        tolvatest.frame(0.01)


if __name__ == "__main__":
    unittest.main()
