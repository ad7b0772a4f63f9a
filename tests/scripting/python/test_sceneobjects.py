# engine: window
"""Scene objects as scripts build them: the object tree, transforms, lights, billboards, chains,
trails, meshes and particles; misuse and values the rendering engine cannot take raising Python
errors that change nothing."""
import gc
import os
import pickle
import tempfile
import unittest

import TolvaEngine
import tolvatest
from TolvaEngine import (BillboardChainEffect, BillboardEffect, GameObject, MeshObject, MeshObjectRenderType,
                         ParticleSystem, PointLight, RibbonTrailEffect, SpotLight, TolvaSingleton, TransformObject,
                         Transformable)
from TolvaValues import Ogre
from TolvaValues.Ogre import AxisAlignedBox, ColourValue, Quaternion, Vector3, Vector4

NAN, INF = float("nan"), float("inf")

_serial = [0]


def unique(prefix):
    _serial[0] += 1
    return "%s%d" % (prefix, _serial[0])


class ObjectTree(unittest.TestCase):
    def test_children_follow_their_parent_through_the_scene(self):
        parent, child = GameObject(), TransformObject()
        self.assertTrue(parent.addChild(child))
        self.assertIsInstance(child.getParent(), GameObject)
        parent.setPosition(Vector3(10, 0, 0))
        child.setPosition(Vector3(1, 2, 3))
        self.assertEqual(Vector3(11, 2, 3), child.getWorldPosition())
        self.assertEqual(Vector3(1, 0, 0), child.localise(Vector3(12, 2, 3), isPosition=True))
        self.assertEqual(child.localise(Vector3(1, 0, 0)), child.localise(vector=Vector3(1, 0, 0), isPosition=False))
        child.rotate(Vector3(0, 1, 0), 90)
        child.rotate(Vector3(0, 1, 0), 90, Ogre.Node_TransformSpace.TS_WORLD)
        self.assertTrue(child.getOrientation().equals(Quaternion(0, 0, 1, 0), Ogre.Radian(0.001)))
        child.setParent(None)
        self.assertTrue(child.isRoot() and parent.isLeaf())
        self.assertIsNone(child.getParent())

    def test_a_parent_handle_refuses_use_once_its_parent_is_gone(self):
        parent, child = GameObject(), GameObject()
        parent.addChild(child)
        handle = child.getParent()
        del parent
        gc.collect()
        self.assertIsNone(child.getParent())
        for use in (handle.getPosition, handle.isLeaf, lambda: child.setParent(handle)):
            with self.assertRaisesRegex(ReferenceError, "The GameObject no longer exists"):
                use()

    def test_the_root_node_object_takes_no_parent(self):
        root = root_node_object()
        detached, child = GameObject(), GameObject()
        detached.setParent(None)
        detached.addChild(child)
        warning = "Warning: Attempt to add an ancestor of a hierarchical as its child."
        self.assertFalse(detached.addChild(root))
        self.assertIn(warning, last_log_line())
        root.setParent(child)
        self.assertIn(warning, last_log_line())
        self.assertTrue(root.isRoot())
        self.assertTrue(child.isLeaf())
        tolvatest.frame(0.02)

    def test_a_tree_deeper_than_its_bound_is_refused_with_a_warning(self):
        # The root node object is the first of the 1000 levels; new objects hang below it.
        chain = [GameObject()]
        for level in range(998):
            chain.append(GameObject())
            self.assertTrue(chain[-2].addChild(chain[-1]), level)
        warning = "Warning: Attempt to make a hierarchy deeper than 1000 levels."
        extra, other, pair, below = GameObject(), GameObject(), GameObject(), GameObject()
        pair.addChild(below)
        self.assertFalse(chain[-1].addChild(extra))
        self.assertIn(warning, last_log_line())
        other.setParent(chain[-1])
        self.assertIn(warning, last_log_line())
        self.assertFalse(chain[-2].addChild(pair))
        self.assertIn(warning, last_log_line())
        for refused in (extra, other, pair):
            self.assertIsInstance(refused.getParent(), TolvaEngine.NodeObject)
        self.assertTrue(chain[-1].isLeaf())
        self.assertTrue(chain[-3].addChild(pair))
        tolvatest.frame(0.02)
        del chain, pair, below
        gc.collect()
        tolvatest.frame(0.02)

    def test_transformable_members_raise_for_every_object(self):
        with self.assertRaisesRegex(RuntimeError, "Pure virtual"):
            Transformable.getPosition(GameObject())


class GravityMaps(unittest.TestCase):
    def test_gravity_map_files_and_values_a_script_gives_are_checked(self):
        folder = tempfile.mkdtemp()

        def gravityMap(grid, cells, *extra):
            path = os.path.join(folder, "map%d.gmap" % len(os.listdir(folder)))
            with open(path, "wb") as out:
                pickle.dump(((0, 0, 0), (1, 0, 0, 0), grid, cells) + extra, out, 2)
            return TolvaEngine.GravityMap(path)

        lists = gravityMap((1.0, 1, 2, 1), ([[(1, 2, 3)], [(4, 5, 6)]],))
        lists.setIntensity(1.0)
        self.assertEqual(Vector3(4, 5, 6), lists.getGravity(Vector3(0.5, 1.5, 0.5)))
        annotated = gravityMap((1.0, 1, 1, 1), ([[(1, 2, 3, None)]],), None, {"note": {}})
        annotated.setIntensity(1.0)
        self.assertEqual(Vector3(1, 2, 3), annotated.getGravity(Vector3(0.5, 0.5, 0.5)), "extra data is ignored")
        with self.assertRaisesRegex(RuntimeError, "Cannot locate resource .*no-such-map"):
            TolvaEngine.GravityMap(os.path.join(folder, "no-such-map"))
        cases = [(IndexError, lambda: gravityMap((1.0, 1, 3, 1), ([[(1, 2, 3)], [(4, 5, 6)]],))),
                 (OverflowError, lambda: gravityMap((1.0, 2**32, 1, 1), ())),
                 (ValueError, lambda: lists.setScale(Vector3(float("nan"), 1, 1))),
                 (ValueError, lambda: lists.scale(Vector3(1, float("inf"), 1))),
                 (ValueError, lambda: lists.setIntensity(float("nan"))),
                 (ValueError, lambda: lists.setMagneticCharge(float("-inf")))]
        for error, attempt in cases:
            with self.subTest(error=error.__name__), self.assertRaises(error):
                attempt()
        self.assertEqual((Vector3(1, 1, 1), 1.0, 0.0), (lists.getScale(), lists.getIntensity(),
                                                        lists.getMagneticCharge()))


class SceneObjects(unittest.TestCase):
    def test_lights_billboards_and_trails_take_what_no_single_setter_reads_back(self):
        spot = SpotLight("spot")
        spot.setAttenuation(100, 1, 0.5, 0.25)
        self.assertEqual((100, 1, 0.5, 0.25), (spot.getAttenuationRange(), spot.getAttenuationConstant(),
                                               spot.getAttenuationLinear(), spot.getAttenuationQuadric()))
        billboards = BillboardEffect("dots", "test/Dot")
        billboards.rotate(45)
        billboards.rotate(15)
        self.assertAlmostEqual(60, billboards.getRotation(), 4)
        trail = RibbonTrailEffect("trail", "test/White")
        trail.setInitialColour(1.0, 0.5, 0.0)
        self.assertEqual(ColourValue(1.0, 0.5, 0.0, 1.0), trail.getInitialColour())
        trail.setInitialColour(r=1.0, g=0.5, b=0.0, a=0.25)
        self.assertEqual(0.25, trail.getInitialColour().a)

    def test_a_mesh_animates_fades_and_takes_parameters(self):
        mesh = MeshObject("rig", "TestRig.mesh")
        self.assertTrue(mesh.isAnimated())
        mesh.selectAnimation("Lift")
        mesh.setAnimationLooped(False)
        mesh.advanceAnimation(1.5)
        mesh.advanceAnimation(time=1.0)
        self.assertTrue(mesh.isAnimationFinished())
        mesh.selectAnimation(animationName="Slide", disablePrevious=False)
        mesh.advanceAnimation(0.5, increment=False)
        self.assertFalse(mesh.isAnimationFinished())
        mesh.setFadeEnabled(True)
        mesh.fade(1.0, 1.0, 0.0)
        self.assertTrue(mesh.isFadeRunning())
        mesh.setCustomParameter(3, 1.0)
        self.assertEqual(Vector4(1, 0, 0, 0), mesh.getCustomParameter(3, 0))
        mesh.setRenderType(MeshObjectRenderType.RT_CLIP)
        self.assertEqual(MeshObjectRenderType.RT_CLIP, mesh.getRenderType())
        self.assertEqual((True, True), (mesh.isVisible(), mesh.isVisible("Head")))
        mesh.setVisible(False, "Head")
        self.assertFalse(mesh.isVisible("Head"))
        self.assertIsNone(mesh.getBody())
        panel = MeshObject(unique("panel"), "TestPanel.mesh")
        for call in (lambda: panel.disableAnimationPerBoneBlending("Lift"),
                     lambda: panel.disableAnimationPerBoneBlending("NoSuchAnimation"),
                     lambda: panel.enableAnimationPerBoneBlending("NoSuchAnimation", 1.0)):
            with self.assertRaisesRegex(KeyError, "The mesh does not have a skeleton."):
                call()
        sparks = ParticleSystem("sparks", "test/Sparks")
        sparks.setEnabled(False)
        self.assertFalse(sparks.isEnabled())

    def test_script_subclasses_of_a_mesh_fade_in_the_engines_frames_whatever_frame_they_define(self):
        class OwnFrame(MeshObject):
            def frame(self, seconds):
                MeshObject.frame(self, seconds)

        class LaterFrame(MeshObject):
            pass

        meshes = [OwnFrame(unique("own"), "TestPanel.mesh"), LaterFrame(unique("later"), "TestPanel.mesh"),
                  LaterFrame(unique("gains"), "TestPanel.mesh")]
        LaterFrame.frame = lambda self, seconds: None
        meshes[2].frame = lambda seconds: None
        for mesh in meshes:
            mesh.setFadeEnabled(True)
            mesh.fade(0.05, 1.0, 0.0)
        for _ in range(3):
            tolvatest.frame(0.02)
        self.assertEqual([False] * 3, [mesh.isFadeRunning() for mesh in meshes])

    def test_misuse_raises_python_errors(self):
        mesh, billboards = MeshObject("misused", "TestPanel.mesh"), BillboardEffect("misusedDots", "test/Dot")
        calls = {
            TypeError: [lambda: PointLight(), lambda: mesh.getCustomParameter(3), lambda: mesh.setCustomParameter(3),
                        lambda: billboards.rotate(Vector3(0, 1, 0), 45), lambda: ParticleSystem("one"),
                        lambda: mesh.setPosition((1, 2, 3)), lambda: GameObject().addChild("child")],
            ValueError: [lambda: mesh.attachObjectToBone("Root", None, Vector3(), Quaternion()),
                         lambda: mesh.detachObjectFromBone(None), lambda: mesh.attachEffect(None),
                         lambda: billboards.removeBillboard(None), lambda: BillboardChainEffect("c", "test/White")
                         .setChain(None, True)],
            RuntimeError: [lambda: TolvaEngine.NodeObject(), lambda: TolvaEngine.RenderableObject(),
                           lambda: TolvaEngine.Light(), lambda: MeshObject("broken", "NoSuch.mesh")],
        }
        for error, attempts in calls.items():
            for index, attempt in enumerate(attempts):
                with self.subTest(error=error.__name__, attempt=index), self.assertRaises(error):
                    attempt()


def last_log_line():
    """The last line of "engine.log", as the player finds it."""
    path = os.path.join(TolvaEngine.Engine.getInstance().getDataDirectory(), "engine.log")
    with open(path) as log:
        return log.read().rstrip("\n").rsplit("\n", 1)[-1]


def scaled(target, scale):
    target.setScale(scale)
    return target


def root_node_object():
    return TolvaEngine.Engine.getInstance().getGraphics().getRootNodeObject()


def state(target):
    """What a refused call must leave as it was."""
    turn = target.getOrientation()
    return (tuple(target.getPosition()), tuple(target.getScale()), (turn.w, turn.x, turn.y, turn.z))


class RefusedValues(unittest.TestCase):
    """Values the rendering engine cannot take: ValueError, nothing changes, the next frame renders."""

    def check_refused(self, rows):
        for label, make, call, read in rows:
            with self.subTest(label):
                target = make()
                before = read(target)
                with self.assertRaises(ValueError):
                    call(target)
                self.assertEqual(repr(before), repr(read(target)))
                tolvatest.frame(0.02)

    def test_transforms_refuse_non_finite_values_and_zero_quaternions(self):
        movers = [("game object", GameObject), ("root node object", root_node_object),
                  ("transform object", TransformObject), ("mesh", lambda: MeshObject(unique("m"), "TestPanel.mesh")),
                  ("billboards", lambda: BillboardEffect(unique("b"), "test/Dot"))]
        # (call, what the object is given first, the refused call)
        calls = [
            ("setPosition nan", None, lambda o: o.setPosition(Vector3(NAN, 0, 0))),
            ("setPosition inf", None, lambda o: o.setPosition(Vector3(0, -INF, 0))),
            ("translate inf", None, lambda o: o.translate(Vector3(0, 0, INF))),
            ("setPosition past 1e15", None, lambda o: o.setPosition(Vector3(0, 2e15, 0))),
            ("translate past 1e15", lambda o: o.setPosition(Vector3(1e15, 0, 0)),
             lambda o: o.translate(Vector3(1e15, 0, 0))),
            ("setScale nan", None, lambda o: o.setScale(Vector3(1, NAN, 1))),
            ("scale inf", None, lambda o: o.scale(Vector3(INF, 1, 1))),
            ("setScale past 1e15", None, lambda o: o.setScale(Vector3(1, 1, -1e16))),
            ("scale past 1e15", lambda o: o.setScale(Vector3(1e15, 1, 1)), lambda o: o.scale(Vector3(2, 1, 1))),
            # The game object's own: a billboard effect's rotate turns its billboard.
            ("rotate nan axis", None, lambda o: GameObject.rotate(o, Vector3(NAN, 1, 0), 90)),
            ("rotate inf degrees", None, lambda o: GameObject.rotate(o, Vector3(0, 1, 0), INF)),
            ("rotate in space nan degrees", None,
             lambda o: GameObject.rotate(o, Vector3(0, 1, 0), NAN, Ogre.Node_TransformSpace.TS_WORLD)),
            ("setOrientation zero", None, lambda o: o.setOrientation(Quaternion(0, 0, 0, 0))),
            ("setOrientation nan", None, lambda o: o.setOrientation(Quaternion(NAN, 0, 0, 1))),
            ("setOrientation too long", None, lambda o: o.setOrientation(Quaternion(1e30, 1e30, 0, 0))),
        ]
        rows = []
        for mover, make in movers:
            for call, prepare, do in calls:
                def made(make=make, prepare=prepare):
                    target = make()
                    # The root node object keeps what an earlier row gave it, and scales every object made after.
                    target.setScale(Vector3(1, 1, 1))
                    target.setPosition(Vector3(1, 2, 3))
                    if prepare:
                        prepare(target)
                    return target
                rows.append(("%s %s" % (mover, call), made, do, state))
        self.check_refused(rows)
        root = root_node_object()
        root.setPosition(Vector3())
        root.setScale(Vector3(1, 1, 1))

    def test_meshes_refuse_boxes_bone_offsets_and_render_types_they_cannot_draw(self):
        rig = lambda: MeshObject(unique("rig"), "TestRig.mesh")
        box = lambda corner: AxisAlignedBox(Vector3(-1, -1, -1), corner)
        self.check_refused([
            ("nan bounding box", rig, lambda m: m.setBoundingBox(box(Vector3(NAN, 1, 1))), lambda m: str(m.getBoundingBox())),
            ("inf bounding box", rig, lambda m: m.setBoundingBox(box(Vector3(1, INF, 1))),
             lambda m: str(m.getBoundingBox())),
            # The box belongs to the mesh file and is multiplied by each entity's world scale.
            ("bounding box corner past 1e15", rig, lambda m: m.setBoundingBox(box(Vector3(1, 1e16, 1))),
             lambda m: str(m.getBoundingBox())),
            ("bounding box minimum past 1e15", rig,
             lambda m: m.setBoundingBox(AxisAlignedBox(Vector3(-2e15, -1, -1), Vector3(1, 1, 1))),
             lambda m: str(m.getBoundingBox())),
            ("nan bone offset", rig, lambda m: m.attachObjectToBone("Root", GameObject(), Vector3(NAN, 0, 0), Quaternion()),
             lambda m: None),
            ("zero bone orientation", rig,
             lambda m: m.attachObjectToBone("Root", GameObject(), Vector3(), Quaternion(0, 0, 0, 0)), lambda m: None),
            ("render type 99", rig, lambda m: m.setRenderType(MeshObjectRenderType(99)), lambda m: m.getRenderType()),
            ("render type -1", rig, lambda m: m.setRenderType(MeshObjectRenderType(-1)), lambda m: m.getRenderType()),
            ("render type between two", rig, lambda m: m.setRenderType(MeshObjectRenderType(7)),
             lambda m: m.getRenderType()),
        ])

    def test_a_mesh_box_at_the_bound_draws_under_the_largest_scale(self):
        mesh = MeshObject(unique("wide"), "TestPanel.mesh")
        original = mesh.getBoundingBox()
        try:
            for bounds in (AxisAlignedBox(), AxisAlignedBox(Vector3(-1e15, -1e15, -1e15), Vector3(1e15, 1e15, 1e15))):
                with self.subTest(str(bounds)):
                    mesh.setBoundingBox(bounds)
                    mesh.setScale(Vector3(1e15, 1e15, 1e15))
                    tolvatest.frame(0.02)
                    # The mesh pads what it is given.
                    read = mesh.getBoundingBox()
                    self.assertEqual(bounds.isNull(), read.isNull())
                    self.assertTrue(bounds.isNull() or read.contains(bounds.getMaximum()))
        finally:
            mesh.setBoundingBox(original)

    def test_chains_and_trails_refuse_sizes_the_rendering_engine_cannot_draw(self):
        chain = lambda: BillboardChainEffect(unique("chain"), "test/White")
        trail = lambda: RibbonTrailEffect(unique("trail"), "test/Trail")
        sizes = lambda c: (c.getMaxElements(), c.getNumberOfChains())
        trail_state = lambda t: (t.getLength(), t.getInitialWidth(), tuple(t.getScale()))
        self.check_refused([
            ("no chain elements", chain, lambda c: c.setMaxElements(0), sizes),
            ("no chains", chain, lambda c: c.setNumberOfChains(0), sizes),
            ("more elements than can be indexed", chain, lambda c: c.setMaxElements(2 ** 31), sizes),
            ("more chains than can be indexed", chain, lambda c: c.setNumberOfChains(40000), sizes),
            ("no trail elements", trail, lambda t: t.setMaxElements(0), sizes),
            ("nan texture range", chain, lambda c: c.setOtherTextureCoordRange(NAN, 1), lambda c: tuple(c.getOtherTextureCoordRange())),
            ("zero trail length", trail, lambda t: t.setLength(0), trail_state),
            ("negative trail length", trail, lambda t: t.setLength(-5), trail_state),
            ("nan trail length", trail, lambda t: t.setLength(NAN), trail_state),
            ("inf trail length", trail, lambda t: t.setLength(INF), trail_state),
            ("trail scaled flat", trail, lambda t: t.setScale(Vector3(1, 1, 0)), trail_state),
            ("trail scaled backwards", trail, lambda t: t.scale(Vector3(1, 1, -1)), trail_state),
            ("trail width past the float range", lambda: scaled(trail(), Vector3(1, 1e15, 1)),
             lambda t: t.setInitialWidth(1e30), trail_state),
            ("nan trail width", trail, lambda t: t.setInitialWidth(NAN), trail_state),
            ("inf width change", trail, lambda t: t.setWidthChange(INF), lambda t: t.getWidthChange()),
            ("nan initial colour", trail, lambda t: t.setInitialColour(NAN, 0, 0), lambda t: str(t.getInitialColour())),
            ("inf colour change", trail, lambda t: t.setColourChange(ColourValue(0, INF, 0, 0)),
             lambda t: str(t.getColourChange())),
        ])

    def test_a_trail_that_moves_after_a_refused_length_keeps_drawing(self):
        trail = RibbonTrailEffect(unique("moving"), "test/Trail")
        with self.assertRaises(ValueError):
            trail.setLength(0)
        for step in range(5):
            trail.setPosition(Vector3(step * 10, 0, 0))
            tolvatest.frame(0.02)
        self.assertGreater(trail.getLength(), 0)

    def test_a_billboard_that_no_script_could_hold_is_not_made(self):
        dots = BillboardEffect(unique("dots"), "test/Dot")
        with self.assertRaisesRegex(TypeError, "no script class"):
            dots.createBillboard(Vector3(1, 0, 0))
        self.assertEqual(1, tolvatest.countBillboards(dots))
        tolvatest.frame(0.02)

    def test_billboards_refuse_non_finite_values(self):
        dots = lambda: BillboardEffect(unique("dots"), "test/Dot")
        self.check_refused([
            ("nan size", dots, lambda b: b.setSize(NAN, 1), lambda b: tuple(b.getSize())),
            ("inf rotation", dots, lambda b: b.setRotation(INF), lambda b: b.getRotation()),
            ("nan turn", dots, lambda b: b.rotate(NAN), lambda b: b.getRotation()),
            ("nan colour", dots, lambda b: b.setColour(ColourValue(NAN, 1, 1, 1)), lambda b: str(b.getColour())),
            ("inf common direction", dots, lambda b: b.setCommonDirection(Vector3(INF, 0, 0)),
             lambda b: tuple(b.getCommonDirection())),
            ("nan common up vector", dots, lambda b: b.setCommonUpVector(Vector3(0, NAN, 0)),
             lambda b: tuple(b.getCommonUpVector())),
        ])


if __name__ == "__main__":
    unittest.main()
