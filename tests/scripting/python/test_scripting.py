"""The script modules themselves: what TolvaEngine's enums and classes offer scripts, and the outside
libraries' values of TolvaValues as a script writer uses them."""
import gc
import math
import os
import unittest

import TolvaEngine
from TolvaValues import CEGUI, OIS, Ogre
from TolvaValues.Ogre import AxisAlignedBox, ColourValue, Degree, Quaternion, Radian, Vector2, Vector3, Vector4

class TheEngineModule(unittest.TestCase):
    def test_enums_carry_the_values_stored_in_files_and_given_to_the_engine(self):
        enums = {
            "Physics_MassType": {"MASS": 0, "MASS_AUTO": 1, "MASS_BOX": 2, "MASS_CAPSULE": 3, "MASS_CYLINDER": 4,
                                 "MASS_SPHERE": 5},
            "PhysicalBase_CollidableType": {"COLL_NONE": 0, "COLL_FIXED": 1, "COLL_MOVABLE": 2, "COLL_VIRTUAL": 4,
                                            "COLL_TRIGGER": 8, "COLL_SPHERE": 16, "COLL_CAMERA": 32,
                                            "COLL_GRAVITY": 64, "COLL_CUSTOM0": 128, "COLL_CUSTOM1": 256,
                                            "COLL_CUSTOM2": 512, "COLL_CUSTOM3": 1024},
            "GravityMap_OperationMode": {"MODE_AUTO": 0, "MODE_MANUAL": 1},
            "MeshObjectRenderType": {"RT_SKY": 5, "RT_STENCIL": 10, "RT_CLIP": 20, "RT_STENCILLED_CLIPPED": 30,
                                     "RT_NORMAL": 50},
            "Sound_Category": {"CAT_UNKNOWN": 0, "CAT_EFFECT": 1, "CAT_MUSIC": 2, "CAT_VOICE": 3},
            "MusicManager_FadeTarget": {"FADE_BACKGROUND": 1, "FADE_MOTIFS": 2, "FADE_ALL": 255},
            "GameControlRegistry_Control_Type": {"TYPE_NONE": 0, "TYPE_KEY": 1, "TYPE_MOUSE_BUTTON": 2,
                                                 "TYPE_MOUSE_AXIS_X": 4, "TYPE_MOUSE_AXIS_Y": 8,
                                                 "TYPE_MOUSE_AXIS_Z": 16, "TYPE_MOUSE_AXIS_MASK": 28},
            "GameControlRegistry_Modifier_Type": {"TYPE_NONE": 0, "TYPE_CUSTOM": 1},
        }
        for name, values in enums.items():
            enum = getattr(TolvaEngine, name)
            self.assertEqual(values, {value: int(getattr(enum, value)) for value in values}, name)
            self.assertFalse(any(hasattr(TolvaEngine, value) for value in values), name)
        self.assertIs(TolvaEngine.Engine.getInstance, TolvaEngine.TolvaSingleton.getInstance)

    def test_engine_classes_cannot_be_made_by_scripts(self):
        for name in ["TolvaSingleton", "GameSingleton", "Engine", "ConfigFile", "Graphics", "AudioListener", "Audio",
                     "KeyEvent",
                     "MouseMotionEvent", "MouseButtonEvent", "Input", "Time", "Log", "Gui", "GameBase",
                     "GameControlRegistry", "InterfaceHolder_CollisionListener"]:
            with self.assertRaisesRegex(RuntimeError, "cannot be instantiated", msg=name):
                getattr(TolvaEngine, name)()

    def test_the_value_types_are_registered_without_importing_them(self):
        # A member returning a value converts it although this module never asked for the class:
        # the interpreter module imported TolvaValues when it started.
        self.assertEqual("TolvaValues.Ogre", type(Vector3()).__module__)
        self.assertIn("TolvaValues", __import__("sys").modules)


class ReachedThroughHandles(unittest.TestCase):
    def test_a_listener_holder_of_music_the_manager_let_go_refuses_use(self):
        music = TolvaEngine.TolvaSingleton.getInstance().getAudio().getMusicManager()
        tone = os.path.abspath("../tests/sounds/tone-mono-short.ogg")

        class Quiet(TolvaEngine.Sound_Listener):
            pass

        goings = {
            "motif removed": (lambda: music.getMotif(music.addMotif(tone, "heldMotif")),
                              lambda: music.removeMotif("heldMotif")),
            "background replaced": (lambda: (music.setBackground(tone, "heldBackground"), music.getBackground())[1],
                                    lambda: music.setBackground(tone, "otherBackground")),
        }
        for name, (reach, letGo) in goings.items():
            with self.subTest(name):
                holder = reach().interfaceListener()
                self.assertTrue(holder.connect(Quiet()).isConnected())
                letGo()
                gc.collect()
                with self.assertRaisesRegex(ReferenceError, "The InterfaceHolder_Sound_Listener's Sound no longer"):
                    holder.connect(Quiet())


class Vectors(unittest.TestCase):
    def test_arithmetic_and_comparison(self):
        v, w = Vector3(1, 2, 3), Vector3(4, 5, 6)
        cases = [
            (v + w, Vector3(5, 7, 9)),
            (w - v, Vector3(3, 3, 3)),
            (v * 2, Vector3(2, 4, 6)),
            (2 * v, Vector3(2, 4, 6)),
            (v * w, Vector3(4, 10, 18)),
            (w / 2, Vector3(2, 2.5, 3)),
            (w / Vector3(4, 5, 2), Vector3(1, 1, 3)),
            (-v, Vector3(-1, -2, -3)),
            (Vector2(1, 2) + Vector2(1, 1), Vector2(2, 3)),
            (Vector4(1, 2, 3, 4) * 0.5, Vector4(0.5, 1, 1.5, 2)),
            (Vector3(), Vector3(0, 0, 0)),
            (Vector3(5), Vector3(5, 5, 5)),
        ]
        for result, expected in cases:
            self.assertEqual(expected, result)
            self.assertFalse(expected != result)
        self.assertNotEqual(v, w)
        self.assertEqual(v, Vector3(v))

    def test_components_indexing_and_text(self):
        v = Vector3(1, 0.5, -2)
        self.assertEqual((1.0, 0.5, -2.0), (v.x, v.y, v.z))
        self.assertEqual([1.0, 0.5, -2.0], list(v))
        self.assertEqual(-2.0, v[-1])
        with self.assertRaises(IndexError):
            v[3]
        v.y = 7
        self.assertEqual("Vector3(1, 7, -2)", repr(v))
        self.assertEqual(Vector3(0.1, 2, 3), eval(repr(Vector3(0.1, 2, 3)), vars(Ogre)))
        self.assertEqual("Vector2(0.5, 0)", repr(Vector2(0.5, 0)))
        self.assertEqual(Vector3.UNIT_Z, Vector3.UNIT_X.crossProduct(Vector3.UNIT_Y))
        # A method that changes the vector changes the script's own object.
        unit = Vector3(0, 3, 4)
        self.assertEqual(5.0, unit.normalise())
        self.assertTrue(unit.positionEquals(Vector3(0, 0.6, 0.8)))

    def test_constants_are_fresh_copies(self):
        zero = Vector3.ZERO
        zero.x = 9
        self.assertEqual(Vector3(0, 0, 0), Vector3.ZERO)

    def test_division_by_zero_raises_as_for_numbers(self):
        for divide in (lambda: Vector3(1, 1, 1) / 0, lambda: Vector3(1, 1, 1) / Vector3(1, 0, 1),
                       lambda: ColourValue() / 0, lambda: Radian(1) / 0):
            with self.assertRaises(ZeroDivisionError):
                divide()

    def test_values_are_not_hashable(self):
        # They compare by value and can change: as dictionary keys they would get lost.
        for value in (Vector3(), Quaternion(), ColourValue(), AxisAlignedBox(), Radian(1)):
            with self.assertRaises(TypeError):
                hash(value)

    def test_wrong_arguments_raise_type_errors(self):
        for call in (lambda: Vector3(1, 2), lambda: Vector3("x", 1, 2), lambda: Vector3() + 1,
                     lambda: Vector3() + Vector2()):
            with self.assertRaises(TypeError):
                call()


class Rotations(unittest.TestCase):
    def test_quaternions_rotate_vectors(self):
        quarter = Quaternion(Degree(90), Vector3.UNIT_Y)
        self.assertTrue((quarter * quarter * Vector3.UNIT_X).positionEquals(Vector3(-1, 0, 0)))
        angle, axis = quarter.ToAngleAxis()
        self.assertAlmostEqual(90.0, angle.valueDegrees(), 4)
        self.assertTrue(axis.positionEquals(Vector3.UNIT_Y))
        self.assertEqual("Quaternion(1, 0, 0, 0)", repr(Quaternion.IDENTITY))

    def test_angles_convert_between_units(self):
        self.assertAlmostEqual(math.pi, Radian(Degree(180)).valueRadians(), 6)
        self.assertAlmostEqual(180.0, float(Degree(Radian(math.pi))), 4)
        self.assertAlmostEqual(math.pi / 2, float(Radian(math.pi / 4) + Degree(45)), 6)
        self.assertTrue(Degree(10) < Radian(1))
        self.assertEqual(Radian(2), Radian(1) * 2)
        self.assertEqual("Degree(90)", repr(Degree(90)))


class ColoursAndBoxes(unittest.TestCase):
    def test_colours(self):
        self.assertEqual(ColourValue(1, 1, 1, 1), ColourValue())
        self.assertEqual(ColourValue(0.5, 0.5, 0.5, 0.5), ColourValue.White * 0.5)
        self.assertEqual(ColourValue(1, 1, 0, 1), ColourValue.Red + ColourValue.Green - ColourValue(0, 0, 0, 1))
        bright = ColourValue(2, -1, 0.5)
        bright.saturate()
        self.assertEqual(ColourValue(1, 0, 0.5), bright)
        self.assertEqual("ColourValue(0.25, 0.5, 1, 1)", repr(ColourValue(0.25, 0.5, 1)))

    def test_boxes(self):
        box = AxisAlignedBox(Vector3(0, 0, 0), Vector3(2, 4, 6))
        self.assertEqual(Vector3(1, 2, 3), box.getCenter())
        self.assertEqual(Vector3(2, 4, 6), box.getSize())
        self.assertTrue(box.contains(Vector3(1, 1, 1)))
        self.assertFalse(box.intersects(AxisAlignedBox(3, 0, 0, 4, 1, 1)))
        box.merge(Vector3(-1, 0, 0))
        self.assertEqual(Vector3(-1, 0, 0), box.getMinimum())
        self.assertEqual(72.0, box.volume())
        self.assertEqual("AxisAlignedBox(Vector3(-1, 0, 0), Vector3(2, 4, 6))", repr(box))
        self.assertTrue(AxisAlignedBox().isNull())
        self.assertEqual("AxisAlignedBox.BOX_INFINITE", repr(AxisAlignedBox.BOX_INFINITE))

    def test_boxes_refuse_what_has_no_answer(self):
        with self.assertRaisesRegex(ValueError, "minimum corner"):
            AxisAlignedBox(Vector3(1, 0, 0), Vector3(0, 1, 1))
        with self.assertRaisesRegex(ValueError, "no centre"):
            AxisAlignedBox().getCenter()


class Enums(unittest.TestCase):
    def test_enums_and_their_values(self):
        cases = [
            (Ogre.FogMode, {"FOG_NONE": 0, "FOG_EXP": 1, "FOG_EXP2": 2, "FOG_LINEAR": 3}),
            (Ogre.Node_TransformSpace, {"TS_LOCAL": 0, "TS_PARENT": 1, "TS_WORLD": 2}),
            (Ogre.BillboardChain_TexCoordDirection, {"TCD_U": 0, "TCD_V": 1}),
            (OIS.MouseButtonID, {"MB_Left": 0, "MB_Right": 1, "MB_Middle": 2, "MB_Button7": 7}),
            (CEGUI.MouseButton, {"LeftButton": 0, "RightButton": 1, "MiddleButton": 2, "NoButton": 6}),
        ]
        for enum, values in cases:
            for name, number in values.items():
                self.assertEqual(number, int(getattr(enum, name)), name)
        self.assertEqual(0x1E, int(OIS.KC_A))
        self.assertEqual(145, len(OIS.KeyCode.values))
        # Namespace-level enums export their values, as in C++; nested ones keep them to their type.
        self.assertIs(Ogre.FOG_LINEAR, Ogre.FogMode.FOG_LINEAR)
        self.assertFalse(hasattr(Ogre, "TS_LOCAL"))

    def test_submodules_import_by_their_dotted_names(self):
        import TolvaValues.OIS
        from TolvaValues.CEGUI import Window

        self.assertIs(OIS, TolvaValues.OIS)
        with self.assertRaisesRegex(RuntimeError, "cannot be instantiated"):
            Window()

