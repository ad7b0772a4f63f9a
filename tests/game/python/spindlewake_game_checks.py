"""The game's own module on the running game: the game module, its camera and controls, and a play
sphere's inventory holding items implemented by scripts. Run inside the game by its tests."""
import gc
import unittest
import weakref

import Spindlewake
import TolvaEngine
from TolvaValues.Ogre import Quaternion, Vector3


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
        self.assertEqual(Spindlewake.GameControl_Mode.MODE_FLY, self.game.getControls().getMode())

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


class Potion(Lamp):
    """Used up as it is equipped."""

    def __init__(self, inventory, calls):
        Lamp.__init__(self, "Potion", calls)
        self.inventory = inventory

    def equipped(self):
        Lamp.equipped(self)
        self.inventory.removeItem(self)
        self.inventory = None


class Dropper(Lamp):
    """Once armed, drops the last reference to the sphere whose inventory tells it anything."""

    def __init__(self, held, calls):
        Lamp.__init__(self, "Dropper", calls)
        self.held, self.armed = held, False

    def drop(self):
        if self.armed:
            self.held.clear()
            gc.collect()

    def equipped(self):
        Lamp.equipped(self)
        self.drop()

    def unequipped(self):
        Lamp.unequipped(self)
        self.drop()


class Lifetimes(unittest.TestCase):
    def setUp(self):
        self.game = TolvaEngine.GameSingleton.getInstance()
        self.calls = []

    def test_what_a_script_kept_of_a_dropped_sphere_refuses_use(self):
        sphere = Spindlewake.PlaySphere("Dropped Sphere", "play_sphere.mesh")
        self.game.setPlaySphere(sphere)
        kept = self.game.getPlaySphere()
        body = kept.getMovableBody()
        focal = self.game.getCamera().getFocalPoint()
        inventory = kept.getInventory()
        inventory.addItem(Lamp("Beacon", self.calls))
        item = weakref.ref(inventory.getItem(0))
        del sphere
        gc.collect()
        self.assertIsNone(self.game.getPlaySphere())
        self.assertIsNone(self.game.getCamera().getFocalPoint())
        self.assertIsNone(item(), "the item went with the inventory that kept it")
        sphereGone, inventoryGone = "The PlaySphere no longer exists.", "The inventory's play sphere no longer exists."
        cases = [(kept.getPosition, sphereGone), (kept.getInventory, sphereGone),
                 (body.getPosition, "The MovableObject no longer exists."), (focal.getPosition, sphereGone),
                 (inventory.getItemCount, inventoryGone), (inventory.equipNextItem, inventoryGone),
                 (lambda: inventory.getItem(0), inventoryGone),
                 (lambda: inventory.addItem(Lamp("Late", self.calls)), inventoryGone)]
        for call, text in cases:
            with self.assertRaises(ReferenceError, msg=call) as raised:
                call()
            self.assertEqual(text, str(raised.exception))

    def test_an_item_whose_reaction_drops_the_sphere_ends_the_call_and_the_inventory_refuses_use(self):
        operations = [("equip", False, lambda inventory, item: inventory.equipItem(item)),
                      ("equip next", False, lambda inventory, item: inventory.equipNextItem()),
                      ("unequip", True, lambda inventory, item: inventory.unequipItem()),
                      ("remove", True, lambda inventory, item: inventory.removeItem(item))]
        for name, equipFirst, operation in operations:
            held = [Spindlewake.PlaySphere("Sphere Dropped On " + name, "play_sphere.mesh")]
            inventory = held[0].getInventory()
            item = Dropper(held, self.calls)
            inventory.addItem(item)
            if equipFirst:
                inventory.equipItem(item)
            item.armed = True
            operation(inventory, item)
            self.assertEqual([], held, name)
            with self.assertRaises(ReferenceError, msg=name):
                inventory.getItemCount()

    def test_an_item_only_the_inventory_holds_lives_until_it_is_removed(self):
        sphere = Spindlewake.PlaySphere("Holding Sphere", "play_sphere.mesh")
        inventory = sphere.getInventory()
        removals = [("by item", lambda item: inventory.removeItem(item)),
                    ("by index", lambda item: inventory.removeItem(0, "Beacon")),
                    ("by name", lambda item: inventory.removeAllItems("Beacon")),
                    ("all", lambda item: inventory.removeAllItems())]
        for name, remove in removals:
            inventory.addItem(Lamp("Beacon", self.calls))
            gc.collect()
            self.assertEqual("Beacon", inventory.getItem(0).getName(), name)
            inventory.equipItem(0)
            self.assertEqual(("Beacon", "equipped"), self.calls[-1], name)
            item = inventory.getItem(0)
            gone = weakref.ref(item)
            remove(item)
            del item
            gc.collect()
            self.assertIsNone(gone(), name)
            self.assertEqual(("Beacon", "unequipped"), self.calls[-1], name)

    def test_items_that_use_themselves_up_or_are_none(self):
        sphere = Spindlewake.PlaySphere("Using Sphere", "play_sphere.mesh")
        inventory = sphere.getInventory()
        inventory.addItem(Potion(inventory, self.calls))
        inventory.addItem(Lamp("Lamp", self.calls))
        inventory.equipItem(0, "Potion")
        self.assertIsNone(inventory.getEquippedItem())
        self.assertEqual(["Lamp"], [inventory.getItem(0).getName()] * inventory.getItemCount())
        with self.assertRaises(ValueError):
            inventory.addItem(None)
        self.assertEqual(0, inventory.getItemCount("A"))
        inventory.equipNextItem()
        self.assertEqual("Lamp", inventory.getEquippedItem().getName())
        self.assertEqual([("Potion", "equipped"), ("Lamp", "equipped")], self.calls)

    def test_the_camera_refuses_numbers_that_would_break_the_view(self):
        camera = self.game.getCamera()
        nan, inf = float("nan"), float("inf")
        cases = [lambda: camera.setPitch(nan), lambda: camera.addFocalDistance(inf),
                 lambda: camera.place(Vector3(nan, 0, 0), Vector3(1, 0, 0)), lambda: camera.lookAt(Vector3(0, inf, 0)),
                 lambda: camera.setOrientation(Quaternion(0, 0, 0, 0))]
        for call in cases:
            with self.assertRaises(ValueError):
                call()
        self.assertEqual(10.0, camera.getFocalDistance())
