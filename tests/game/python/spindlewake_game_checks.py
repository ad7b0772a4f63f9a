"""The game's own module on the running game: the game module, its camera and controls, and a play
sphere's inventory holding items implemented by scripts. Run inside the game by its tests."""
import unittest

import Spindlewake
import TolvaEngine
from TolvaValues.Ogre import Vector3


class Lamp(Spindlewake.Inventory_Item):
    def __init__(self, name, calls):
        Spindlewake.Inventory_Item.__init__(self, name, False)
        self.calls = calls

    def modeChanged(self, mode):
        self.calls.append((self.getName(), "mode"))

    def equipped(self):
        self.calls.append((self.getName(), "equipped"))

    def unequipped(self):
        self.calls.append((self.getName(), "unequipped"))


class RunningGame(unittest.TestCase):
    def setUp(self):
        self.game = TolvaEngine.GameSingleton.getInstance()

    def test_the_running_game_is_the_game_class_with_its_parts(self):
        self.assertIsInstance(self.game, Spindlewake.Game)
        self.assertIsNone(self.game.getPlaySphere())
        self.assertIsInstance(self.game.getCamera(), Spindlewake.Camera)
        self.assertIsInstance(self.game.getControls(), Spindlewake.GameControl)
        self.assertIsInstance(self.game.getControlRegistry(), TolvaEngine.GameControlRegistry)
        self.assertIsNone(self.game.getGameScript(), "the script is being built")

    def test_camera_and_controls_settings_keep_their_limits(self):
        camera, controls = self.game.getCamera(), self.game.getControls()
        camera.setPitchLimit(120)
        self.assertEqual(90, camera.getPitchLimit())
        camera.setMinimumFocalDistance(200)
        self.assertEqual(100, camera.getMinimumFocalDistance())
        camera.setMinimumFocalDistance(1)
        controls.setMode(Spindlewake.GameControl_Mode.MODE_ROLL)
        self.assertEqual(Spindlewake.GameControl_Mode.MODE_ROLL, controls.getMode())
        controls.setSpeed(3)
        self.assertEqual(3, controls.getSpeed())
        self.assertEqual(Vector3(0, 1, 0), controls.getSphereFloorPlaneNormal())

    def test_script_items_come_back_from_the_inventory_as_themselves(self):
        calls = []
        sphere = Spindlewake.PlaySphere("Checked Sphere", "play_sphere.mesh")
        self.game.setPlaySphere(sphere)
        self.assertIsInstance(self.game.getPlaySphere(), Spindlewake.PlaySphere)
        inventory = sphere.getInventory()
        first, other, second = Lamp("A", calls), Lamp("B", calls), Lamp("A", calls)
        first.colour = "red"
        for item in (first, other, second):
            inventory.addItem(item)
        self.assertIs(first, inventory.getItem(0))
        self.assertEqual("red", inventory.getItem(0).colour)
        self.assertIs(second, inventory.getItem(2))
        self.assertIs(second, inventory.getItem(index=1, name="A"))
        self.assertEqual(2, inventory.getItemCount("A"))
        with self.assertRaises(TypeError):
            inventory.getItem()
        self.assertFalse(inventory.isItemPresent(None))
        self.assertTrue(inventory.isItemPresent(""))
        inventory.equipItem(0, "B")
        self.assertIs(other, inventory.getEquippedItem())
        inventory.equipNextItem()
        self.assertIs(second, inventory.getEquippedItem())
        self.assertEqual([("B", "equipped"), ("B", "unequipped"), ("A", "equipped")], calls)
        inventory.removeAllItems()
        self.assertIsNone(inventory.getEquippedItem())
        self.game.setPlaySphere(None)
        self.assertIsNone(self.game.getPlaySphere())
