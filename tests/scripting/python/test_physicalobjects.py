"""Physical objects as scripts make and steer them: geometries that change hands, collisions and
triggers reported to scripts, and handles that outlive what they refer to."""
import gc
import unittest

import TolvaEngine
import tolvatest
from TolvaEngine import CompoundPhysical, MovableObject, PhysicalBase, SinglePhysical, SkeletalRig, Trigger, TolvaSingleton
from TolvaEngine import Physics_MassType as MassType
from TolvaValues.Ogre import Vector3


def physics():
    return TolvaSingleton.getInstance().getPhysics()


def run(frames, seconds=0.01):
    for _ in range(frames):
        tolvatest.frame(seconds)


class Ground:
    """A fixed slab with its top at y = 0, and a ball of radius 0.5 dropped on it."""

    def __init__(self, height=2.0):
        physics().setGravity(Vector3(0, -9.81, 0))
        self.slab = SinglePhysical(physics().createBoxGeometry(Vector3(20, 1, 20)))
        self.slab.setPosition(Vector3(0, -0.5, 0))
        self.ball = MovableObject(physics().createSphereGeometry(0.5), 2.0)
        self.ball.setPosition(Vector3(0, height, 0))


class Geometries(unittest.TestCase):
    def test_a_geometry_a_physical_object_took_goes_with_that_object(self):
        geometry = physics().createSphereGeometry(1.5)
        single = SinglePhysical(geometry)
        self.assertTrue(geometry.isOwned())
        self.assertEqual(1.5, single.getGeometry(0).getRadius())
        del single
        gc.collect()
        with self.assertRaises(TypeError):
            geometry.getRadius()

    def test_a_geometry_goes_to_one_owner_only(self):
        geometry = physics().createBoxGeometry(Vector3(1, 1, 1))
        first, second = SinglePhysical(geometry), CompoundPhysical()
        self.assertFalse(second.addGeometry(geometry))
        self.assertEqual((1, 0), (first.getGeometryCount(), second.getGeometryCount()))
        self.assertEqual(0, SinglePhysical(geometry).getGeometryCount())

    def test_a_dropped_ray_is_deleted_and_a_taken_one_is_not(self):
        physics().createRayGeometry(Vector3(0, 0, 0), Vector3(0, 0, 1))
        ray = SinglePhysical(physics().createRayGeometry(Vector3(0, 0, 0), Vector3(1, 0, 0)))
        gc.collect()
        self.assertEqual(Vector3(1, 0, 0), ray.getGeometry(0).getDirection())

    def test_masses_follow_the_shape_unless_told_otherwise(self):
        ball = MovableObject(physics().createSphereGeometry(1.0), 5.0)
        self.assertEqual(5.0, ball.getMassValue())
        self.assertEqual(1.0, MovableObject(physics().createSphereGeometry(1.0)).getMassValue())
        mass = physics().createMass(ball.getGeometry(0), massValue=3.0, massType=MassType.MASS_BOX, dimZ=2.0)
        ball.setMass(mass)
        self.assertAlmostEqual(3.0, ball.getMass().getMassValue(), 5)
        self.assertAlmostEqual(3.0, mass.getMassValue(), 5)
        with self.assertRaisesRegex(ValueError, "Geometries need their Physics Objects attached"):
            physics().createMass(physics().createSphereGeometry(1.0))


class Collisions(unittest.TestCase):
    def test_a_dropped_ball_reports_contacts_whose_normal_points_from_the_second_object_to_the_first(self):
        world = Ground()
        slotContacts, listened = [], []

        class Landing(TolvaEngine.CollisionListener):
            def collision(self, partner, contact):
                listened.append((partner.getPosition().y, contact.penetrationDepth))

        world.ball.eventCollision().connect(lambda partner, contact: slotContacts.append(contact))
        landing = Landing()
        world.ball.eventPhysicalCollision(world.slab).connect(landing)
        run(150)
        self.assertTrue(slotContacts and listened)
        self.assertEqual(-0.5, listened[0][0])
        for contact in slotContacts:
            between = contact.p1.getPosition() - contact.p2.getPosition()
            self.assertGreater(contact.normal.dotProduct(between), 0)
        self.assertAlmostEqual(0.5, world.ball.getPosition().y, 1)

    def test_a_trigger_tells_when_it_is_entered_and_left(self):
        world = Ground(height=1.0)
        world.ball.setCollisionCategory(TolvaEngine.PhysicalBase_CollidableType.COLL_SPHERE)
        trigger = Trigger(Vector3(4, 4, 4))
        trigger.setPosition(Vector3(0, 2.6, 0))
        events = []
        trigger.eventEntered().connect(lambda: events.append("entered"))
        trigger.eventExited().connect(lambda: events.append("exited"))
        run(20)
        world.ball.setPosition(Vector3(8, 1, 0))
        run(20)
        self.assertEqual(["entered", "exited"], events)

    def test_objects_destroyed_inside_their_own_callbacks_are_let_go_safely(self):
        world = Ground()
        kept = []

        def destroyBoth(partner, contact):
            kept.append(contact)
            world.ball = world.slab = None
            gc.collect()

        world.ball.eventCollision().connect(destroyBoth)
        run(150)
        self.assertTrue(kept)
        self.assertEqual((None, None), (kept[0].p1, kept[0].p2))
        self.assertGreater(kept[0].penetrationDepth, -1.0)


class Misuse(unittest.TestCase):
    def test_wrong_or_missing_arguments_raise_python_errors(self):
        compound, ball = CompoundPhysical(), MovableObject(physics().createSphereGeometry(1.0))
        calls = {
            TypeError: [lambda: SinglePhysical(), lambda: SkeletalRig().addGeometry(physics().createSphereGeometry(1.0)),
                        lambda: SkeletalRig().removeGeometry(0), lambda: TolvaEngine.ContactListener(),
                        lambda: ball.setLinearVelocity((1, 2, 3)), lambda: ball.setMassValue("heavy")],
            ValueError: [lambda: physics().createMass(None), lambda: ball.collide(None),
                         lambda: ball.eventPhysicalCollision(None), lambda: compound.eventGeometryCollision(None),
                         lambda: SkeletalRig().rig(None), lambda: physics().createTriangleMeshGeometry(None),
                         lambda: ball.eventCollision().connect(None)],
            KeyError: [lambda: ball.getProperty("colour")],
            RuntimeError: [lambda: compound.getPosition(), lambda: TolvaEngine.OccupancyEvent(), lambda: PhysicalBase(),
                           lambda: TolvaEngine.Contact(), lambda: TolvaEngine.GravityMap("no-such-map"),
                           lambda: TolvaEngine.CollisionListener().collision(None, None)],
        }
        for error, attempts in calls.items():
            for index, attempt in enumerate(attempts):
                with self.subTest(error=error.__name__, attempt=index), self.assertRaises(error):
                    attempt()

    def test_refusals_answer_false(self):
        compound = CompoundPhysical()
        self.assertEqual((False, False, False), (compound.removeGeometry(0), compound.removeGeometry(None),
                                                 compound.addGeometry(None)))

    def test_a_handle_of_a_geometry_its_owner_deleted_refuses_use(self):
        compound = CompoundPhysical()
        compound.addGeometry(physics().createSphereGeometry(1.0))
        geometry = compound.getGeometry(0)
        self.assertTrue(compound.removeGeometry(geometry))
        for use in (geometry.getRadius, lambda: compound.addGeometry(geometry),
                    lambda: compound.eventGeometryCollision(geometry)):
            with self.assertRaises(TypeError):
                use()


if __name__ == "__main__":
    unittest.main()
