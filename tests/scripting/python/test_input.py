# engine: window
"""Input, GUI and controls as scripts see them: the input signals with keys typed into the window,
the events slots receive, GUI windows and their handles, and the control registry with commands,
modifier layers, bindings, script command handlers and the controls file (the registry of the
test game, which hears input before scripts do)."""
import atexit
import gc
import os
import time
import unittest
import weakref

import TolvaEngine
import tolvatest
from TolvaEngine import GameControlRegistry_Command as Command
from TolvaEngine import GameControlRegistry_Control as Control
from TolvaEngine import GameControlRegistry_Control_Type as ControlType
from TolvaEngine import GameControlRegistry_Modifier as Modifier
from TolvaEngine import TolvaSingleton
from TolvaValues import CEGUI, OIS


def key(code):
    return Control(ControlType.TYPE_KEY, int(code))


def frameUntil(condition, seconds=15):
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        tolvatest.frame(0.02)
        time.sleep(0.02)
    return condition()


class Recorder(TolvaEngine.GameControlRegistry_CommandHandler):
    def __init__(self, calls, name=""):
        TolvaEngine.GameControlRegistry_CommandHandler.__init__(self)
        self.calls, self.name = calls, name

    def handleCommand(self, value):
        self.calls.append((self.name, value) if self.name else value)


class InputTest(unittest.TestCase):
    """Each test leaves the registry with the commands and layers it found."""

    def setUp(self):
        self.input = TolvaSingleton.getInstance().getInput()
        self.registry = tolvatest.getControlRegistry()
        self.connections = []
        self.commandsBefore = self.registry.getCommands()
        self.modifiersBefore = self.registry.getModifiers()

    def tearDown(self):
        for connection in self.connections:
            connection.disconnect()
        for command in self.registry.getCommands():
            if command not in self.commandsBefore:
                self.registry.removeCommand(command)
        for modifier in self.registry.getModifiers():
            if modifier not in self.modifiersBefore:
                self.registry.removeModifier(modifier)

    def connect(self, signal, slot):
        self.connections.append(signal.connect(slot))

    def registered(self, command):
        """The registry's copy of the command."""
        return [registered for registered in self.registry.getCommands() if registered == command][0]


class InputSignals(InputTest):
    def test_keys_typed_into_the_window_reach_a_consumer_and_what_it_passes_on(self):
        consumed, seen = [], []
        self.connect(self.input.eventKeyPressed(), lambda e: e.key == OIS.KC_B and not consumed.append(e))
        self.connect(self.input.eventKeyPressed(), lambda e: seen.append(("press", e.key, e.text)))
        # Through another script object of the same signal.
        self.connect(self.input.eventKeyReleased(), lambda e: seen.append(("release", e.key)))
        tolvatest.typeKeys("a b")
        self.assertTrue(frameUntil(lambda: ("release", OIS.KC_B) in seen), seen)
        self.assertIn(("press", OIS.KC_A, ord("a")), seen)
        self.assertNotIn(OIS.KC_B, [event[1] for event in seen if event[0] == "press"])
        self.assertEqual([(OIS.KC_B, ord("b"))], [(e.key, e.text) for e in consumed])

    def test_a_slot_that_raises_in_the_main_loop_gives_the_script_its_exception_and_the_engine_goes_on(self):
        engine, seen = TolvaSingleton.getInstance(), []

        def clumsy(event):
            seen.append(event.key)
            if event.key == OIS.KC_X:
                raise LookupError("no action for %d" % event.text)

        class Stopper(TolvaEngine.ScheduleListener):
            def scheduled(self):
                engine.stop()

        self.connect(self.input.eventKeyPressed(), clumsy)
        stopper = Stopper()
        engine.getTime().addSchedule(15.0, stopper)
        tolvatest.typeKeys("x")
        with self.assertRaisesRegex(LookupError, "^no action for 120$"):
            tolvatest.runMainLoop()
        engine.getTime().removeSchedule(stopper)
        self.assertEqual([OIS.KC_X], seen)
        tolvatest.typeKeys("y")
        self.assertTrue(frameUntil(lambda: OIS.KC_Y in seen), seen)

    def test_slot_results_decide_whether_the_event_goes_on(self):
        for result, consumed in [(None, False), (0, False), (False, False), (1, True), (True, True)]:
            connection = self.input.eventKeyPressed().connect(lambda e, r=result: r)
            self.assertEqual(consumed, tolvatest.pressKey(OIS.KC_Q), repr(result))
            tolvatest.releaseKey(OIS.KC_Q)
            connection.disconnect()
        self.connect(self.input.eventKeyPressed(), lambda e: "consumed?")
        with self.assertRaises(TypeError):
            tolvatest.pressKey(OIS.KC_Q)

    def test_mouse_events_keep_the_state_of_their_own_moment(self):
        moves, buttons = [], []
        self.connect(self.input.eventMouseMoved(), moves.append)
        self.connect(self.input.eventMousePressed(), lambda e, b: buttons.append((e.state.buttonDown(b), b)))
        tolvatest.moveMouse(x=5, y=-3)
        tolvatest.moveMouse(z=120)
        tolvatest.pressMouseButton(OIS.MB_Right)
        self.assertEqual([(5, -3, 0), (0, 0, 120)], [(m.state.X.rel, m.state.Y.rel, m.state.Z.rel) for m in moves])
        self.assertEqual([(True, OIS.MB_Right)], buttons)


class Controls(InputTest):
    def test_a_key_typed_into_the_window_calls_the_script_handler_of_its_command(self):
        calls = []
        self.registry.addCommand(Command("Jump", "Movement", False, Recorder(calls)))
        self.registry.bind(Modifier(), key(OIS.KC_J), Command("Jump", "Movement"))
        tolvatest.typeKeys("j")
        self.assertTrue(frameUntil(lambda: calls), "the handler was not called")
        self.assertEqual([int(OIS.KC_J)], calls)

    def test_modifier_layers_and_repeating_commands(self):
        calls = []
        shift = Modifier()
        shift.addControl(key(OIS.KC_LSHIFT))
        self.registry.addModifier(shift)
        for name, repeat in [("Walk", False), ("Run", True)]:
            self.registry.addCommand(Command(name, "Movement", repeat, Recorder(calls, name)))
        self.registry.bind(Modifier(), key(OIS.KC_W), Command("Walk", "Movement"))
        self.registry.bind(shift, key(OIS.KC_W), Command("Run", "Movement"))
        tolvatest.pressKey(OIS.KC_W)
        tolvatest.releaseKey(OIS.KC_W)
        tolvatest.pressKey(OIS.KC_LSHIFT)
        tolvatest.pressKey(OIS.KC_W)
        tolvatest.frame()
        tolvatest.frame()
        tolvatest.releaseKey(OIS.KC_W)
        tolvatest.frame()
        tolvatest.releaseKey(OIS.KC_LSHIFT)
        self.assertEqual([("Walk", int(OIS.KC_W)), ("Run", 1), ("Run", 1)], calls)
        self.assertEqual({"Run"}, {c.name for c in self.registry.getBindings(shift).values()})
        self.assertIn(shift, self.registry.getModifiers())

    def test_a_handler_given_only_to_the_registry_lives_while_it_is_set(self):
        calls = []
        self.registry.addCommand(Command("Fire", "Combat"))
        handler = Recorder(calls)
        handlerAlive = weakref.ref(handler)
        self.registry.setHandler(Command("Fire", "Combat"), handler)
        self.registry.bind(Modifier(), key(OIS.KC_F), Command("Fire", "Combat"))
        del handler
        gc.collect()
        tolvatest.pressKey(OIS.KC_F)
        self.assertEqual([int(OIS.KC_F)], calls)
        self.assertIs(handlerAlive(), self.registered(Command("Fire", "Combat")).handler)
        self.registry.setHandler(Command("Fire", "Combat"), None)
        gc.collect()
        self.assertIsNone(handlerAlive())

    def test_commands_whose_names_differ_only_after_a_nul_byte_keep_their_own_handlers(self):
        pairs = [
            (Command("High", "Moves\0Jump"), Command("Jump\0High", "Moves")),
            (Command("Jump", "Moves"), Command("Jump\0Twice", "Moves")),
            (Command("b", "a\0"), Command("\0b", "a")),
        ]
        keys = (OIS.KC_1, OIS.KC_2)
        for pair in pairs:
            with self.subTest(pair=[(c.category, c.name) for c in pair]):
                calls, alive = [], []
                for command, code in zip(pair, keys):
                    self.registry.addCommand(command)
                    handler = Recorder(calls, command.name)
                    alive.append(weakref.ref(handler))
                    self.registry.setHandler(command, handler)
                    self.registry.bind(Modifier(), key(code), command)
                del handler
                gc.collect()
                self.assertEqual([True, True], [ref() is not None for ref in alive])
                for code in keys:
                    tolvatest.pressKey(code)
                    tolvatest.releaseKey(code)
                self.assertEqual([(c.name, int(code)) for c, code in zip(pair, keys)], calls)
                for command in pair:
                    self.registry.removeCommand(command)

    def test_a_handler_may_remove_its_own_command_while_only_the_registry_holds_it(self):
        calls, registry = [], self.registry

        class Once(TolvaEngine.GameControlRegistry_CommandHandler):
            def handleCommand(self, value):
                registry.removeCommand(Command("Once", "Test"))
                calls.append(value)

        registry.addCommand(Command("Once", "Test"))
        handler = Once()
        handlerAlive = weakref.ref(handler)
        registry.setHandler(Command("Once", "Test"), handler)
        registry.bind(Modifier(), key(OIS.KC_O), Command("Once", "Test"))
        del handler
        self.assertTrue(tolvatest.pressKey(OIS.KC_O))
        tolvatest.releaseKey(OIS.KC_O)
        gc.collect()
        self.assertEqual([int(OIS.KC_O)], calls)
        self.assertIsNone(handlerAlive())
        self.assertFalse(registry.isCommandPresent(Command("Once", "Test")))

    def test_commands_keep_their_handlers_and_hand_them_back(self):
        command = Command("Duck", "Movement", True, Recorder([]))
        gc.collect()
        self.assertIsInstance(command.handler, Recorder)
        self.assertIsNone(Command("Duck", "Movement").handler)
        self.registry.addCommand(command)
        copy = self.registered(command)
        del command
        self.registry.removeCommand(copy)
        gc.collect()
        self.assertIsInstance(copy.handler, Recorder)
        self.assertEqual(("Duck", "Movement", True), (copy.name, copy.category, copy.repeat))

    def test_a_failing_handler_raises_in_the_script_and_the_registry_goes_on(self):
        calls = []

        class Clumsy(TolvaEngine.GameControlRegistry_CommandHandler):
            def handleCommand(self, value):
                calls.append(value)
                if len(calls) == 1:
                    raise ZeroDivisionError("first press")

        self.registry.addCommand(Command("Grab", "Hands", False, Clumsy()))
        self.registry.bind(Modifier(), key(OIS.KC_G), Command("Grab", "Hands"))
        with self.assertRaisesRegex(ZeroDivisionError, "first press"):
            tolvatest.pressKey(OIS.KC_G)
        tolvatest.releaseKey(OIS.KC_G)
        tolvatest.pressKey(OIS.KC_G)
        self.assertEqual([int(OIS.KC_G)] * 2, calls)
        tolvatest.releaseKey(OIS.KC_G)
        self.registry.setHandler(Command("Grab", "Hands"), TolvaEngine.GameControlRegistry_CommandHandler())
        with self.assertRaisesRegex(TypeError, "not callable"):
            tolvatest.pressKey(OIS.KC_G)

    def test_values_compare_as_the_registry_does(self):
        axis = ControlType.TYPE_MOUSE_AXIS_X
        self.assertEqual(Control(axis, 5), Control(axis, 12))
        self.assertNotEqual(Control(axis, 5), Control(axis, -5))
        self.assertTrue(key(OIS.KC_A) < key(OIS.KC_B) and key(OIS.KC_B) > key(OIS.KC_A))
        self.assertEqual(Command("Jump", "A", True), Command("Jump", "A"))
        self.assertTrue(Command("Z", "A") < Command("A", "B"))
        shift = Modifier()
        shift.addControl(key(OIS.KC_LSHIFT))
        shift.addControl(key(OIS.KC_A))
        self.assertEqual([OIS.KC_A, OIS.KC_LSHIFT], [c.getValue() for c in shift.getControls()])
        self.assertTrue(Modifier() != shift and Modifier(shift) == shift)
        with self.assertRaises(TypeError):
            Control(axis, 1) <= Control(axis, 2)

    def test_misuse_raises_python_exceptions(self):
        cases = [
            (lambda: self.registry.isCommandEnabled(Command("No", "Such")), ValueError,
             "^The command supplied does not exist.$"),
            (lambda: self.registry.removeModifier(Modifier()), ValueError,
             "^The 'none'-type modifier may not be removed.$"),
            (lambda: self.registry.getBindings(Modifier(self.shiftOnly())), KeyError, "non-existent modifier"),
            (lambda: self.registry.bind(Modifier(), Command("a", "b"), key(1)), TypeError, "did not match"),
            (lambda: self.registry.setHandler(Command("a", "b"), "handler"), TypeError, "did not match"),
            (lambda: Command("a", "b", False, 7), TypeError, "did not match"),
            (lambda: TolvaEngine.GameControlRegistry_CommandHandler().handleCommand(1), RuntimeError,
             "Pure virtual"),
        ]
        for call, exception, message in cases:
            with self.assertRaisesRegex(exception, message):
                call()

    def shiftOnly(self):
        shift = Modifier()
        shift.addControl(key(OIS.KC_RSHIFT))
        return shift


class GuiWindows(InputTest):
    def test_windows_reach_scripts_as_handles_that_outlive_them_safely(self):
        gui = TolvaSingleton.getInstance().getGui()
        self.assertIsNone(gui.loadScheme("gui/schemes/Tolva2.scheme"))
        self.assertTrue(gui.isSchemeLoaded("Tolva2"))
        menu = gui.createMenu("gui/layouts/ConsoleWindow.layout")
        hud = gui.createHud(filename="gui/layouts/ConsoleWindow.layout", prefix="Hud/")
        widget = gui.createWidget("Tolva2/Button", "Button", prefix="Test/")
        self.assertEqual(("ConsoleWindow", "Hud/ConsoleWindow", "Test/Button"),
                         (menu.getName(), hud.getName(), widget.getName()))
        gui.addChild(widget)
        gui.removeChild(widget)
        self.assertEqual(CEGUI.RightButton, gui.convertOISMouseButtonToCEGUI(OIS.MB_Right))
        self.assertEqual(OIS.MB_Middle, gui.convertCEGUIMouseButtonToOIS(CEGUI.MiddleButton))
        with self.assertRaisesRegex(RuntimeError, "NoSuchWidget"):
            gui.createWidget("Tolva2/NoSuchWidget", "Missing")
        for window in (menu, hud, widget):
            gui.destroyWindow(window)
            self.assertFalse(window.isAlive())
            for use in (window.getName, lambda: gui.addChild(window), lambda: gui.destroyWindow(window)):
                with self.assertRaisesRegex(ReferenceError, "^The GUI window no longer exists.$"):
                    use()
        for member in (gui.addChild, gui.removeChild, gui.destroyWindow):
            with self.assertRaisesRegex(ValueError, "needs a window, not None"):
                member(None)


class _UseWhenFinalised:
    """Runs its use from its finaliser, while the interpreter ends: the object is kept in this
    module's namespace, which lives until then."""

    def __init__(self, use):
        self.use = use

    def __del__(self):
        self.use()


_finalisedAtTheEnd = []


class InterpreterEnd(unittest.TestCase):
    """Slots connected while the interpreter ends, to a signal of the input module, which is
    deleted after the interpreter: an atexit function may still connect one (it goes before the
    interpreter does), a finaliser no more. The next engine of the restart reads what they found."""

    def test_slots_connected_at_the_end_go_with_the_interpreter(self):
        engine = TolvaSingleton.getInstance()
        signal = engine.getInput().eventKeyPressed()
        cases = [
            ("atexit", atexit.register, "True"),
            ("finaliser", lambda use: _finalisedAtTheEnd.append(_UseWhenFinalised(use)),
             "RuntimeError: The interpreter is ending: no slot can be connected any more."),
        ]
        for way, register, expected in cases:
            path = os.path.join(engine.getDataDirectory(), "slot-at-the-end-by-%s.txt" % way)
            if tolvatest.getEngineGeneration() > 0:
                with self.subTest(way=way), open(path) as found:
                    self.assertEqual(expected, found.read())

            def connectAtTheEnd(path=path, open=open):
                heard = []
                try:
                    result = repr(signal.connect(lambda event: heard.append(event) or False).connected())
                except Exception as error:
                    result = type(error).__name__ + ": " + str(error)
                with open(path, "w") as out:
                    out.write(result)

            register(connectAtTheEnd)


class SavedControls(InputTest):
    """What a script binds is written to "controls.cfg" when the engine shuts down and read back by
    the next engine. The runner builds that engine when the main loop ends with a restart; this
    class runs last (unittest orders classes by name), so no other test has run in between."""

    def tearDown(self):
        for connection in self.connections:
            connection.disconnect()

    def test_bindings_made_by_a_script_come_back_after_a_restart(self):
        control = Modifier()
        control.addControl(key(OIS.KC_RCONTROL))
        save = Command("Save", "Game", True)
        if tolvatest.getEngineGeneration() == 0:
            self.registry.addCommand(save)
            self.registry.addModifier(control)
            self.registry.bind(control, key(OIS.KC_K), save)
            engine = TolvaSingleton.getInstance()

            class Restarter(TolvaEngine.ScheduleListener):
                def scheduled(self):
                    engine.stop(restart=True)

            restarter = Restarter()
            engine.getTime().addSchedule(0.0, restarter)
            self.assertTrue(tolvatest.runMainLoop())
            return
        self.assertTrue(self.registered(save).repeat)
        self.assertIn(control, self.registry.getModifiers())
        self.assertEqual([(int(OIS.KC_K), "Save")],
                         [(c.getValue(), command.name) for c, command in self.registry.getBindings(control).items()])
