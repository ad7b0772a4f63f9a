"""Physical objects as scripts make and steer them: geometries that change hands, collisions and
triggers reported to scripts, handles that outlive what they refer to, and values the simulation
cannot take."""
import gc
import math
import unittest

import TolvaEngine
import tolvatest
from TolvaEngine import (CompoundPhysical, MovableObject, PhysicalBase, RayObject, SinglePhysical, SkeletalRig, Trigger,
                         TolvaSingleton)
from TolvaEngine import Physics_MassType as MassType
from TolvaValues.Ogre import Quaternion, Vector3

HUGE, INF, NAN = 1e30, math.inf, math.nan


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
        with self.assertRaisesRegex(ReferenceError, "The SphereGeometry no longer exists"):
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

    def test_mass_values_that_are_not_finite_are_refused_and_change_nothing(self):
        ball = MovableObject(physics().createSphereGeometry(1.0), 2.0)
        held = ball.getMass()
        attempts = [
            lambda: ball.setMassValue(NAN), lambda: ball.setMassValue(INF), lambda: ball.setMassValue(-INF),
            lambda: ball.translateMass(Vector3(NAN, 0, 0)), lambda: ball.translateMass(Vector3(0, 0, INF)),
            lambda: MovableObject(physics().createSphereGeometry(1.0), NAN),
            lambda: physics().createMass(ball.getGeometry(0), massValue=INF),
            lambda: physics().createMass(ball.getGeometry(0), massType=MassType.MASS_BOX, dimY=NAN),
            lambda: held.adjust(NAN), lambda: held.translate(Vector3(0, INF, 0)),
        ]
        for index, attempt in enumerate(attempts):
            with self.subTest(attempt=index), self.assertRaises(ValueError):
                attempt()
        self.assertEqual((2.0, 2.0, Vector3(0, 0, 0)),
                         (ball.getMassValue(), ball.getMass().getMassValue(), ball.getMass().getCentre()))


class Collisions(unittest.TestCase):
    def test_a_dropped_ball_reports_contacts_whose_normal_points_from_the_second_object_to_the_first(self):
        world = Ground()
        slotContacts, listened = [], []

        class Landing(TolvaEngine.CollisionListener):
            def collision(self, partner, contact):
                listened.append((partner.getPosition().y, contact.penetrationDepth))

        world.ball.eventCollision().connect(
            lambda partner, contact: slotContacts.append((contact, contact.penetrationDepth)))
        landing = Landing()
        world.ball.eventPhysicalCollision(world.slab).connect(landing)
        run(150)
        self.assertTrue(slotContacts and listened)
        self.assertEqual(-0.5, listened[0][0])
        for contact, depth in slotContacts:
            between = contact.p1.getPosition() - contact.p2.getPosition()
            self.assertGreater(contact.normal.dotProduct(between), 0)
            self.assertEqual(depth, contact.penetrationDepth)
        self.assertAlmostEqual(0.5, world.ball.getPosition().y, 1)

    def test_a_one_off_collision_names_the_object_of_each_side_and_a_miss_is_all_zero(self):
        def sphere(name, x):
            made = SinglePhysical(physics().createSphereGeometry(1.0))
            made.setProperty("name", name)
            made.setPosition(Vector3(x, 0, 0))
            return made

        tested, other, far, bare = sphere("tested", 1.5), sphere("other", 2.5), sphere("far", 10), \
            physics().createSphereGeometry(1.0)
        # The normal points from the second side to the first; the position lies halfway
        # through the overlap.
        cases = [("an object", other.getGeometry(0), ("tested", "other"), 1.0, (-1, 0, 0), (2.0, 0, 0)),
                 ("a geometry no object holds", bare, ("tested", None), 0.5, (1, 0, 0), (0.75, 0, 0)),
                 ("a miss", far.getGeometry(0), (None, None), 0.0, (0, 0, 0), (0, 0, 0))]
        for what, geometry, names, depth, normal, position in cases:
            contact = tested.collide(geometry)
            self.assertEqual(names, tuple(side and side.getProperty("name") for side in (contact.p1, contact.p2)),
                             what)
            self.assertAlmostEqual(depth, contact.penetrationDepth, 4, what)
            self.assertTrue(contact.normal.positionEquals(Vector3(*normal), 1e-4), (what, contact.normal))
            self.assertTrue(contact.position.positionEquals(Vector3(*position), 1e-4), (what, contact.position))
        miss = tested.collide(far.getGeometry(0))
        self.assertEqual((Vector3(0, 0, 0), Vector3(0, 0, 0), 0, 0),
                         (miss.position, miss.normal, miss.firstSide, miss.secondSide))

    def test_a_kept_contact_reads_none_for_a_destroyed_side_whatever_is_made_after_it(self):
        physics().setGravity(Vector3(0, 0, 0))
        kinds = {"SinglePhysical": lambda: SinglePhysical(physics().createSphereGeometry(1.0)),
                 "MovableObject": lambda: MovableObject(physics().createSphereGeometry(1.0)),
                 "Trigger": lambda: Trigger(Vector3(1, 1, 1)), "RayObject": lambda: RayObject(Vector3(0, 0, 1))}

        def fromCollide(keeper, other):
            return keeper.collide(other.getGeometry(0))

        def fromSlot(keeper, other):
            kept = []
            keeper.eventCollision().connect(lambda partner, contact: kept.append(contact))
            run(1)
            return kept[0]

        for keep in (fromCollide, fromSlot):
            for gone in ("SinglePhysical", "MovableObject"):
                for made in kinds:
                    with self.subTest(keep=keep.__name__, gone=gone, made=made):
                        keeper, other = kinds["MovableObject"](), kinds[gone]()
                        keeper.setProperty("name", "keeper")
                        other.setPosition(Vector3(1.5, 0, 0))
                        contact = keep(keeper, other)
                        del other
                        gc.collect()
                        # Memory freed last is handed out first: the next objects are likely
                        # made where the destroyed side was.
                        after = [kinds[made]() for _ in range(10)]
                        for later in after:
                            later.setProperty("name", "made later")
                            # Handed back to the script, as a collision would.
                            later.collide(keeper.getGeometry(0))
                        names = sorted(str(side and side.getProperty("name")) for side in (contact.p1, contact.p2))
                        self.assertEqual(["None", "keeper"], names)
                        del after

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

    def test_a_trigger_destroyed_by_its_own_entered_slot_is_let_go_safely(self):
        world = Ground(height=1.0)
        world.ball.setCollisionCategory(TolvaEngine.PhysicalBase_CollidableType.COLL_SPHERE)
        world.trigger = Trigger(Vector3(4, 4, 4))
        world.trigger.setPosition(Vector3(0, 2.6, 0))
        entered = []

        def destroyTrigger():
            entered.append(world.trigger.isEnabled())
            world.trigger = None
            gc.collect()

        world.trigger.eventEntered().connect(destroyTrigger)
        run(20)
        self.assertEqual([True], entered)


class SlotsAfterADrop(unittest.TestCase):
    """An early slot drops the script's last reference to an object the emission lends: every later
    slot of that emission still gets it alive, and it goes once the emission is over."""

    def test_every_collision_slot_gets_both_objects_though_an_earlier_slot_dropped_one(self):
        def singleFloor():
            return SinglePhysical(physics().createBoxGeometry(Vector3(20, 1, 20)))

        def compoundFloor():
            floor = CompoundPhysical()
            floor.addGeometry(physics().createBoxGeometry(Vector3(20, 1, 20)))
            return floor

        def ball():
            return MovableObject(physics().createSphereGeometry(0.5), 2.0)

        def ray():
            return RayObject(Vector3(0, -2, 0))

        cases = [(singleFloor, ball, "partner"), (compoundFloor, ball, "partner"), (singleFloor, ray, "partner"),
                 (compoundFloor, ray, "partner"), (singleFloor, ball, "floor"), (compoundFloor, ray, "floor")]
        physics().setGravity(Vector3(0, -9.81, 0))
        for makeFloor, makePartner, dropped in cases:
            with self.subTest(floor=makeFloor.__name__, partner=makePartner.__name__, dropped=dropped):
                held = {"floor": makeFloor(), "partner": makePartner()}
                held["floor"].setPosition(Vector3(0, -0.5, 0))
                held["partner"].setPosition(Vector3(0, 1, 0))
                partnerClass = type(held["partner"]).__name__
                seen, contacts = [], []

                def drop(partner, contact):
                    held.pop(dropped, None)
                    gc.collect()

                def look(partner, contact):
                    contacts.append(contact)
                    seen.append((type(partner).__name__, partner.getPosition().x,
                                 None not in (contact.p1, contact.p2)))

                held["floor"].eventCollision().connect(drop)
                held["floor"].eventCollision().connect(look)
                run(100)
                self.assertEqual([(partnerClass, 0.0, True)], seen)
                # Gone after the emission: the contact no longer names the dropped side.
                self.assertEqual(1, (contacts[0].p1, contacts[0].p2).count(None))
                held.clear()
                gc.collect()

    def test_every_occupancy_slot_runs_though_an_earlier_slot_dropped_the_trigger(self):
        for signal in ("eventEntered", "eventExited"):
            with self.subTest(signal=signal):
                world = Ground(height=1.0)
                world.ball.setCollisionCategory(TolvaEngine.PhysicalBase_CollidableType.COLL_SPHERE)
                world.trigger = Trigger(Vector3(4, 4, 4))
                world.trigger.setPosition(Vector3(0, 2.6, 0))
                calls = []

                def drop():
                    calls.append(("first", world.trigger.getSize()))
                    world.trigger = None
                    gc.collect()

                getattr(world.trigger, signal)().connect(drop)
                getattr(world.trigger, signal)().connect(lambda: calls.append("second"))
                run(20)
                world.ball.setPosition(Vector3(8, 1, 0))
                run(20)
                self.assertEqual([("first", Vector3(4, 4, 4)), "second"], calls)


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
                           lambda: TolvaEngine.Contact(), lambda: TolvaEngine.CollisionListener().collision(None, None)],
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
            with self.assertRaisesRegex(ReferenceError, "The SphereGeometry no longer exists"):
                use()


class SimulationLimits(unittest.TestCase):
    def setUp(self):
        self.before = (physics().getStepSize(), physics().getTimeScale(), physics().getGravity())

    def tearDown(self):
        physics().setStepSize(self.before[0])
        physics().setTimeScale(self.before[1])
        physics().setGravity(self.before[2])

    def test_values_out_of_the_simulations_range_are_refused_and_change_nothing(self):
        physics().setGravity(Vector3(0, 0, 0))
        box = SinglePhysical(physics().createBoxGeometry(Vector3(1, 2, 3)))
        ball = MovableObject(physics().createSphereGeometry(1.0))
        ball.setPosition(Vector3(1, 2, 3))
        rig = SkeletalRig()
        huge, wild = Vector3(HUGE, 0, 0), Quaternion(HUGE, HUGE, HUGE, HUGE)
        attempts = [
            lambda: box.setPosition(huge), lambda: box.setPosition(Vector3(0, NAN, 0)),
            lambda: box.translate(Vector3(2e15, 0, 0)), lambda: box.setOrientation(wild),
            lambda: box.rotate(Vector3(HUGE, HUGE, HUGE), 90), lambda: box.rotate(Vector3(0, 1, 0), INF),
            lambda: box.setScale(huge), lambda: box.setScale(Vector3(1e15, 1e15, 1e15)), lambda: box.scale(huge),
            lambda: box.setOffsetPosition(huge), lambda: box.setOffsetPosition(huge, 0),
            lambda: box.setOffsetOrientation(wild), lambda: box.getGeometry(0).setSize(Vector3(1, NAN, 1)),
            lambda: box.getGeometry(0).setSize(huge),
            lambda: ball.setPosition(huge), lambda: ball.translate(Vector3(0, INF, 0)),
            lambda: ball.setOrientation(wild), lambda: ball.rotate(Vector3(HUGE, HUGE, HUGE), 30),
            lambda: ball.setLinearVelocity(Vector3(NAN, 0, 0)), lambda: ball.setAngularVelocity(Vector3(0, 0, INF)),
            lambda: ball.setLinearDamping(NAN), lambda: ball.addForce(Vector3(INF, 0, 0)),
            lambda: ball.setImpulse(Vector3(0, NAN, 0)), lambda: ball.addTorque(Vector3(0, 0, -INF)),
            lambda: ball.getGeometry(0).setRadius(HUGE),
            lambda: physics().createBoxGeometry(huge), lambda: physics().createSphereGeometry(HUGE),
            lambda: physics().createCapsuleGeometry(1.0, HUGE), lambda: physics().createCylinderGeometry(HUGE, 1.0),
            lambda: physics().createRayGeometry(Vector3(0, 0, 0), Vector3(HUGE, HUGE, HUGE)),
            lambda: physics().createRayGeometry(huge, Vector3(0, 0, 1)), lambda: RayObject(Vector3(HUGE, HUGE, HUGE)),
            lambda: Trigger(huge), lambda: physics().setGravity(Vector3(0, NAN, 0)),
            lambda: rig.addGeometry("Arm", physics().createSphereGeometry(1.0), Vector3(NAN, 0, 0), Quaternion()),
            lambda: rig.addGeometry("Arm", physics().createSphereGeometry(1.0), Vector3(), wild),
        ]
        for index, attempt in enumerate(attempts):
            with self.subTest(attempt=index), self.assertRaises(ValueError):
                attempt()
        run(2)
        self.assertEqual((Vector3(0, 0, 0), Vector3(1, 2, 3), Vector3(1, 1, 1), Quaternion()),
                         (box.getPosition(), box.getGeometry(0).getSize(), box.getScale(), box.getOrientation()))
        self.assertEqual((Vector3(1, 2, 3), Vector3(0, 0, 0)), (ball.getPosition(), box.getOffsetPosition()))
        self.assertEqual(0, rig.getGeometryCount())

    def test_a_body_thrown_out_of_range_is_stopped_where_it_stood(self):
        # Each push either throws the ball out at once (it stays where it stood), leaves it
        # within range, or is refused at the call.
        pushes = {
            "velocity": (lambda ball: ball.setLinearVelocity(Vector3(1e15, 0, 0)), True),
            "force": (lambda ball: ball.addForce(Vector3(3e38, 0, 0)), True),
            "impulse": (lambda ball: ball.addImpulse(Vector3(0, HUGE, 0)), True),
            "gravity": (lambda ball: physics().setGravity(Vector3(0, -HUGE, 0)), True),
            "damping": (lambda ball: ball.setLinearDamping(HUGE), ValueError),
            "spin": (lambda ball: ball.setAngularVelocity(Vector3(0, 3e38, 0)), False),
        }
        floor = SinglePhysical(physics().createBoxGeometry(Vector3(1e6, 1, 1e6)))
        floor.setPosition(Vector3(0, -100, 0))
        for name, (push, outcome) in pushes.items():
            with self.subTest(name):
                physics().setGravity(Vector3(0, 0, 0))
                ball = MovableObject(physics().createSphereGeometry(1.0))
                ball.setPosition(Vector3(5, 5, 5))
                if outcome is ValueError:
                    self.assertRaises(ValueError, push, ball)
                else:
                    push(ball)
                run(120)
                position, orientation = ball.getPosition(), ball.getOrientation()
                self.assertEqual(outcome is not True, ball.isBodyEnabled())
                self.assertLess(position.distance(Vector3(5, 5, 5)), 1.0)
                self.assertAlmostEqual(1.0, orientation.Norm(), 3)

    def test_damping_outside_zero_to_one_is_refused_and_damping_inside_slows_the_ball(self):
        physics().setGravity(Vector3(0, 0, 0))
        # Damping, then the speed left of 1 after ten steps (ODE keeps 1 - damping of it in each)
        # or the refusal, after which the ball keeps its speed.
        rows = [(0.0, 1.0), (0.1, 0.9 ** 10), (1.0, 0.0), (-0.5, ValueError), (-1e-30, ValueError),
                (1.0000001, ValueError), (3.0, ValueError), (5.0, ValueError), (HUGE, ValueError),
                (-INF, ValueError), (NAN, ValueError)]
        setters = {"setLinearDamping": (MovableObject.setLinearVelocity, lambda ball: ball.getLinearVelocity().x),
                   "setAngularDamping": (MovableObject.setAngularVelocity, lambda ball: ball.getAngularVelocity().y)}
        for setter, (setVelocity, speed) in setters.items():
            for damping, left in rows:
                with self.subTest(setter=setter, damping=damping):
                    ball = MovableObject(physics().createSphereGeometry(1.0))
                    ball.setCollisionPartners(0)
                    setVelocity(ball, Vector3(0, 1, 0) if "Angular" in setter else Vector3(1, 0, 0))
                    if left is ValueError:
                        with self.assertRaisesRegex(ValueError, r"^A damping must be within \[0, 1\]\.$"):
                            getattr(ball, setter)(damping)
                        left = 1.0
                    else:
                        getattr(ball, setter)(damping)
                    run(10)
                    self.assertAlmostEqual(left, speed(ball), 3)

    def test_step_sizes_and_time_scales_that_cannot_be_simulated_are_refused(self):
        for call, value in ((physics().setStepSize, 1e-9), (physics().setStepSize, 1e-45),
                            (physics().setStepSize, 0.0), (physics().setStepSize, NAN),
                            (physics().setTimeScale, INF), (physics().setTimeScale, -1.0),
                            (physics().setMaxInterval, NAN)):
            with self.subTest(call=call.__name__, value=value), self.assertRaises(ValueError):
                call(value)
        self.assertEqual((0.01, 1.0), (round(physics().getStepSize(), 6), physics().getTimeScale()))

    def test_a_frame_takes_a_bounded_number_of_steps_and_drops_the_rest(self):
        physics().setGravity(Vector3(0, -10, 0))
        ball = MovableObject(physics().createSphereGeometry(0.5))
        ball.setPosition(Vector3(1000, 0, 0))
        physics().setTimeScale(3000.0)
        # One frame asks for 3,000 steps of 0.01 s; a thousand are taken: ten seconds of falling.
        tolvatest.frame(0.01)
        self.assertAlmostEqual(-100.0, ball.getLinearVelocity().y, 1)
        tolvatest.frame(0.0)
        self.assertAlmostEqual(-100.0, ball.getLinearVelocity().y, 1)
        physics().setTimeScale(1e9)
        tolvatest.frame(0.01)
        self.assertAlmostEqual(-200.0, ball.getLinearVelocity().y, 1)


if __name__ == "__main__":
    unittest.main()
