"""The game's own module as scripts see it: inventory items implemented by scripts. What needs the
running game (its inventory, camera and play sphere, the numbers of its enumerations) is played by
the game's tests on the game module itself."""
import unittest

import Spindlewake

Mode = Spindlewake.Inventory_Item_Mode


class Lamp(Spindlewake.Inventory_Item):
    def __init__(self, name="Lamp"):
        Spindlewake.Inventory_Item.__init__(self, name, True)
        self.calls = []

    def modeChanged(self, mode):
        self.calls.append(("mode", mode, self.getMode()))

    def equipped(self):
        self.calls.append("equipped")

    def unequipped(self):
        self.calls.append("unequipped")


class ScriptItems(unittest.TestCase):
    def test_a_script_item_hears_each_change_of_its_mode_once_and_compares_by_name(self):
        lamp = Lamp()
        self.assertTrue(lamp == "Lamp")
        self.assertFalse(lamp == "Torch")
        self.assertEqual(Mode.MODE_WORLD, lamp.getMode())
        for mode in (Mode.MODE_INVENTORY, Mode.MODE_INVENTORY, Mode.MODE_WORLD):
            lamp.setMode(mode)
        self.assertEqual([("mode", Mode.MODE_INVENTORY, Mode.MODE_INVENTORY), ("mode", Mode.MODE_WORLD, Mode.MODE_WORLD)],
                         lamp.calls)

    def test_a_reaction_the_script_class_lacks_is_a_pure_virtual_error(self):
        bare = Spindlewake.Inventory_Item("Bare", False)
        for call in (bare.equipped, bare.unequipped, lambda: bare.modeChanged(Mode.MODE_WORLD)):
            with self.assertRaisesRegex(RuntimeError, "Pure virtual"):
                call()
        with self.assertRaises(TypeError):
            Spindlewake.Inventory_Item("No transitive flag")

    def test_an_error_in_a_reaction_reaches_the_script_that_changed_the_item(self):
        class Broken(Lamp):
            def modeChanged(self, mode):
                raise KeyError("broken")

        broken = Broken()
        with self.assertRaises(KeyError):
            broken.setMode(Mode.MODE_INVENTORY)
        self.assertEqual(Mode.MODE_INVENTORY, broken.getMode())


if __name__ == "__main__":
    unittest.main()
