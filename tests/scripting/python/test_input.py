"""Command handlers implemented by scripts, called as the control registry calls them."""
import unittest

import TolvaEngine
import tolvatest


class CommandHandlers(unittest.TestCase):
    def test_a_script_handler_receives_the_value_as_int(self):
        received = []

        class Mover(TolvaEngine.GameControlRegistry_CommandHandler):
            def handleCommand(self, value):
                received.append((type(value).__name__, value))

        mover = Mover()
        tolvatest.callCommandHandler(mover, 17)
        tolvatest.callCommandHandler(mover, 1)
        self.assertEqual([("int", 17), ("int", 1)], received)

    def test_errors_in_a_handler_reach_the_caller(self):
        class Lazy(TolvaEngine.GameControlRegistry_CommandHandler):
            pass

        class Broken(TolvaEngine.GameControlRegistry_CommandHandler):
            def handleCommand(self, value):
                raise KeyError(value)

        with self.assertRaises(TypeError):
            tolvatest.callCommandHandler(Lazy(), 1)
        with self.assertRaises(KeyError) as caught:
            tolvatest.callCommandHandler(Broken(), 3)
        self.assertEqual(3, caught.exception.args[0])
