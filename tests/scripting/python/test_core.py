"""Core classes as scripts see them: the engine and its singletons, the configuration, resources,
restarts, schedules, connections, listener holders, the log as the interpreter's output,
exception translation and the value converters."""
import atexit
import builtins
import gc
import os
import subprocess
import sys
import tempfile
import time
import unittest
import weakref

import TolvaEngine
import tolvatest
from TolvaEngine import TolvaSingleton


def clock():
    return TolvaSingleton.getInstance().getTime()


class TheEngine(unittest.TestCase):
    def test_the_engine_and_the_game_are_reached_through_their_singletons(self):
        engine = TolvaSingleton.getInstance()
        self.assertIsInstance(engine, TolvaEngine.Engine)
        # Each call makes a new script object for the same engine.
        self.assertIsNot(engine, TolvaEngine.Engine.getInstance())
        self.assertEqual(os.path.join(os.environ["HOME"], ".spindlewake"), engine.getDataDirectory())
        self.assertIsInstance(TolvaEngine.GameSingleton.getInstance(), TolvaEngine.GameBase)
        self.assertIsInstance(engine.getGame(), TolvaEngine.GameBase)
        self.assertIsInstance(engine.getTime(), TolvaEngine.Time)
        # This engine runs without a window: no graphics and no input module.
        self.assertIsNone(engine.getGraphics())
        self.assertIsNone(engine.getInput())
        # The interpreter module itself is not for scripts.
        with self.assertRaisesRegex(TypeError, "No Python class registered"):
            engine.getScripting()

    def test_configuration_text_by_section_and_key(self):
        config = TolvaSingleton.getInstance().getConfigFile()
        self.assertEqual("../media/core,true", config.getValueString("Resources", "FileSystem"))
        config.setValueString("Game", "Pull Camera", "yes")
        self.assertEqual("yes", config.getValueString("Game", "Pull Camera"))
        with self.assertRaisesRegex(ValueError, "^The parameter requested does not exist within section.$"):
            config.getValueString("Game", "No Such Key")
        with self.assertRaisesRegex(ValueError, "^The section requested does not exist within config file.$"):
            config.getValueString("No Such Section", "Key")

    def test_resources_are_read_as_bytes(self):
        engine = TolvaSingleton.getInstance()
        path = os.path.join(engine.getDataDirectory(), "binary.dat")
        data = b"\x80\x02K\x00\xff not text"
        with open(path, "wb") as out:
            out.write(data)
        self.assertTrue(engine.isResourceAvailable(path))
        self.assertEqual(data, engine.getResourceData(path))
        self.assertFalse(engine.isResourceAvailable(path + ".missing"))
        with self.assertRaisesRegex(RuntimeError, "binary.dat.missing"):
            engine.getResourceData(path + ".missing")


class Restarts(unittest.TestCase):
    """The runner builds a new engine, with a new interpreter, whenever the main loop ends with a
    restart, and runs this whole script again in it."""

    def test_a_script_restarts_the_engine_twice_and_each_engine_starts_clean(self):
        generation = tolvatest.getEngineGeneration()
        # Nothing of an earlier interpreter reaches this one.
        self.assertFalse(hasattr(builtins, "restartedFrom"))
        builtins.restartedFrom = generation
        engine = TolvaSingleton.getInstance()
        stops = [lambda: engine.stop(True), lambda: engine.stop(restart=True), lambda: engine.stop()]

        class Stopper(TolvaEngine.ScheduleListener):
            def scheduled(self):
                stops[generation]()

        stopper = Stopper()
        engine.getTime().addSchedule(0.01, stopper)
        self.assertEqual(generation < 2, tolvatest.runMainLoop())
        self.assertFalse(engine.getTime().isScheduled(stopper))
        self.assertNotIn("Traceback", tolvatest.getLogTail())


class Schedules(unittest.TestCase):
    def test_a_scheduled_listener_is_called_once_when_due(self):
        calls = []

        class Reminder(TolvaEngine.ScheduleListener):
            def scheduled(self):
                calls.append(("due", clock().isScheduled(self)))

        reminder = Reminder()
        time_ = clock()
        time_.addSchedule(0.05, reminder)
        self.assertTrue(time_.isScheduled(reminder))
        tolvatest.frame()
        self.assertEqual([], calls)
        time.sleep(0.06)
        tolvatest.frame()
        tolvatest.frame()
        self.assertEqual([("due", True)], calls, "scheduled until its call is over")
        self.assertFalse(time_.isScheduled(reminder))

    def test_a_removed_schedule_is_never_called(self):
        calls = []

        class Reminder(TolvaEngine.ScheduleListener):
            def scheduled(self):
                calls.append("due")

        reminder = Reminder()
        clock().addSchedule(0.0, reminder)
        clock().removeSchedule(reminder)
        time.sleep(0.002)
        tolvatest.frame()
        self.assertEqual([], calls)

    def test_a_listener_given_only_to_the_schedule_lives_until_called_or_removed(self):
        calls = []

        class Reminder(TolvaEngine.ScheduleListener):
            def scheduled(self):
                calls.append("due")

        ends = {
            "called": lambda listener: (time.sleep(0.002), tolvatest.frame()),
            "removed": lambda listener: clock().removeSchedule(listener),
        }
        for end, finish in ends.items():
            with self.subTest(end):
                del calls[:]
                listener = Reminder()
                alive = weakref.ref(listener)
                clock().addSchedule(0.0 if end == "called" else 60.0, listener)
                del listener
                gc.collect()
                self.assertTrue(clock().isScheduled(alive()))
                finish(alive())
                self.assertEqual(["due"] if end == "called" else [], calls)
                clock().isScheduled(None)
                gc.collect()
                self.assertIsNone(alive())

    def test_many_pending_schedules_are_added_and_run_in_linear_time(self):
        # Each schedule costs O(log n): 40,000 take well under a second. A cost that grows with
        # the number pending (every add asking about every other schedule) takes minutes.
        calls = []

        class Reminder(TolvaEngine.ScheduleListener):
            def scheduled(self):
                calls.append(1)

        count = 40000
        start = time.monotonic()
        for _ in range(count):
            clock().addSchedule(0.0, Reminder())
        time.sleep(0.002)
        tolvatest.frame()
        self.assertEqual(count, len(calls))
        self.assertLess(time.monotonic() - start, 10.0)

    def test_a_listener_without_scheduled_raises_type_error_out_of_the_frame(self):
        class Forgetful(TolvaEngine.ScheduleListener):
            pass

        forgetful = Forgetful()
        clock().addSchedule(0.0, forgetful)
        time.sleep(0.002)
        with self.assertRaises(TypeError):
            tolvatest.frame()
        # The entry went with its one call: the next frames run clean.
        self.assertFalse(clock().isScheduled(forgetful))
        time.sleep(0.002)
        tolvatest.frame()

    def test_none_where_a_listener_is_needed_raises_value_error(self):
        with self.assertRaisesRegex(ValueError, r"^Time.addSchedule needs a ScheduleListener, not None.$"):
            clock().addSchedule(1.0, None)
        self.assertFalse(clock().isScheduled(None))

    def test_a_listener_whose_init_skips_the_base_is_refused(self):
        class Careless(TolvaEngine.ScheduleListener):
            def __init__(self):
                pass

            def scheduled(self):
                pass

        with self.assertRaisesRegex(Exception, "Python argument types"):
            clock().addSchedule(1.0, Careless())


class ScriptImplementedInterfaces(unittest.TestCase):
    def test_the_interface_methods_themselves_are_pure_virtual(self):
        class Quiet(TolvaEngine.ScheduleListener):
            pass

        calls = [
            lambda: TolvaEngine.ScheduleListener().scheduled(),
            lambda: Quiet().scheduled(),
            lambda: TolvaEngine.GameControlRegistry_CommandHandler().handleCommand(1),
            lambda: TolvaEngine.CollisionListener().collision(None, None),
        ]
        for call in calls:
            with self.assertRaisesRegex(RuntimeError, "^Pure virtual function called$"):
                call()



class Connections(unittest.TestCase):
    def test_blocking_and_unblocking_a_slot(self):
        signal = tolvatest.TestSignal()
        hits = []
        connection = signal.connect(lambda: hits.append(1))
        other = signal.connect(lambda: hits.append(2))
        steps = [
            (lambda: connection.block(True), [2]),
            (lambda: (connection.block(True), connection.unblock()), [1, 2]),
            (lambda: (connection.block(True), connection.block(False)), [1, 2]),
            (lambda: connection.disconnect(), [2]),
        ]
        for change, expected in steps:
            change()
            hits.clear()
            tolvatest.emitSignal(signal)
            self.assertEqual(expected, hits)
        self.assertFalse(connection.connected())
        self.assertTrue(other.connected())
        with self.assertRaisesRegex(Exception, "Python argument types"):
            other.block()

    def test_a_block_ends_with_its_slot(self):
        signal = tolvatest.TestSignal()
        first = signal.connect(lambda: None)
        first.block(True)
        del signal
        replacement = tolvatest.TestSignal()
        hits = []
        second = replacement.connect(lambda: hits.append("second"))
        first.unblock()
        tolvatest.emitSignal(replacement)
        self.assertFalse(first.connected())
        self.assertFalse(second.blocked())
        self.assertEqual(["second"], hits)

    def test_only_signals_declared_constructible_can_be_made_by_scripts(self):
        own = tolvatest.TestSignal()
        connection = own.connect(lambda: None)
        self.assertTrue(connection.connected())
        with self.assertRaisesRegex(RuntimeError, "cannot be instantiated"):
            tolvatest.FixedSignal()
        del own
        self.assertFalse(connection.connected())

    def test_connecting_none_raises_value_error(self):
        signal = tolvatest.TestSignal()
        with self.assertRaisesRegex(ValueError, r"^A signal needs a callable to connect, not None.$"):
            signal.connect(None)
        self.assertEqual(0, tolvatest.countSlots(signal))

    def test_an_empty_connection_is_not_connected_and_swaps_handles(self):
        signal = tolvatest.TestSignal()
        empty = TolvaEngine.Connection()
        live = signal.connect(lambda: None)
        self.assertFalse(empty.connected())
        empty.swap(live)
        self.assertTrue(empty.connected())
        self.assertFalse(live.connected())
        empty.disconnect()
        empty.disconnect()
        self.assertEqual(0, tolvatest.countSlots(signal))

    def test_a_slot_that_raises_ends_the_emission(self):
        signal = tolvatest.TestSignal()
        hits = []
        signal.connect(lambda: 1 / 0)
        signal.connect(lambda: hits.append("after"))
        with self.assertRaises(ZeroDivisionError):
            tolvatest.emitSignal(signal)
        self.assertEqual([], hits)


class Ear(tolvatest.Listener):
    def __init__(self, name, heard):
        tolvatest.Listener.__init__(self)
        self.name = name
        self.heard = heard

    def notify(self, value):
        self.heard.append((self.name, value))


class ListenerHolders(unittest.TestCase):
    def test_script_listeners_join_and_leave_through_their_handles(self):
        holder = tolvatest.WatchedHolder()
        heard = []
        left, right = Ear("left", heard), Ear("right", heard)
        leftHandle = holder.connect(left)
        holder.connect(right)  # the handle is dropped: right stays connected
        holder.notifyAll(1)
        holder.disconnect(leftHandle)
        holder.notifyAll(2)
        leftHandle.disconnect()
        self.assertEqual([("left", 1), ("right", 1), ("right", 2)], heard)
        self.assertFalse(leftHandle.isConnected())
        self.assertEqual(["connected", "connected", "disconnected"], holder.getEvents())
        self.assertEqual(1, holder.getSize())

    def test_none_gets_a_disconnected_handle_and_changes_nothing(self):
        holder = tolvatest.WatchedHolder()
        nobody = holder.connect(None)
        self.assertFalse(nobody.isConnected())
        nobody.disconnect()
        self.assertEqual(0, holder.getSize())
        self.assertEqual([], holder.getEvents())

    def test_a_listener_without_its_method_raises_type_error_on_dispatch(self):
        class Deaf(tolvatest.Listener):
            pass

        holder = tolvatest.WatchedHolder()
        deaf = Deaf()
        handle = holder.connect(deaf)
        with self.assertRaises(TypeError):
            holder.notifyAll(1)
        handle.disconnect()


class _UseWhenFinalised:
    """Uses a module from its finaliser, which runs while the interpreter ends: the object is
    kept in this module's namespace, which lives until then."""

    def __init__(self, use):
        self.use = use

    def __del__(self):
        self.use()


_finalisedAtTheEnd = []


class TheInterpreterEnd(unittest.TestCase):
    """The GUI and game modules go before the interpreter ends, when only atexit functions and
    finalisers still run. The next engine of the restart reads what such code found."""

    def test_modules_kept_to_the_end_refuse_use_once_they_are_gone(self):
        engine = TolvaSingleton.getInstance()
        gui, registry = engine.getGui(), tolvatest.getControlRegistry()
        jump = TolvaEngine.GameControlRegistry_Command("Jump", "Moves")
        cases = [
            ("gui", lambda: gui.isSchemeLoaded("No Such Scheme"), "ReferenceError: The GUI module no longer exists."),
            ("registry", lambda: registry.isCommandPresent(jump),
             "ReferenceError: The control registry no longer exists."),
        ]
        ways = {"atexit": atexit.register, "finaliser": lambda use: _finalisedAtTheEnd.append(_UseWhenFinalised(use))}
        for name, use, expected in cases:
            self.assertFalse(use())
            for way, register in ways.items():
                path = os.path.join(engine.getDataDirectory(), "%s-at-the-end-by-%s.txt" % (name, way))
                with self.subTest(name=name, way=way):
                    if tolvatest.getEngineGeneration() > 0:
                        with open(path) as found:
                            self.assertEqual(expected, found.read())

                def useAtTheEnd(use=use, path=path, open=open):
                    try:
                        result = repr(use())
                    except Exception as error:
                        result = type(error).__name__ + ": " + str(error)
                    with open(path, "w") as out:
                        out.write(result)

                register(useAtTheEnd)


# A script of its own for the runner: one test whose body is a row's.
FRAME_SCRIPT = """import time, unittest
import TolvaEngine, tolvatest

class Raising(TolvaEngine.ScheduleListener):
    def scheduled(self):
        raise ValueError("the script's own")

class Frames(unittest.TestCase):
    def test_frames(self):
        try:
%s
        except ValueError:
            pass
"""


class FrameErrors(unittest.TestCase):
    """The shipped game ends when an error of the engine's own leaves a frame; a run of the script
    runner fails then too, even where the script caught the error and went on."""

    def run_script(self, lines):
        path = os.path.join(tempfile.mkdtemp(prefix="frameerrors-"), "test_frames.py")
        with open(path, "w") as out:
            out.write(FRAME_SCRIPT % "\n".join("            " + line for line in lines))
        done = subprocess.run([os.readlink("/proc/self/exe"), path], stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, timeout=120)
        return done.returncode, done.stderr.decode(errors="replace")

    def test_only_the_engines_own_error_out_of_a_frame_fails_the_run(self):
        refused = "A frame ended with the engine's own error: The test game refused this frame."
        rows = [
            ("engine's refusal, caught", ["tolvatest.refuseNextFrame()", "tolvatest.frame()"], 1),
            ("engine's refusal, then frames", ["tolvatest.refuseNextFrame()", "try:", "    tolvatest.frame()",
                                               "except ValueError:", "    pass", "tolvatest.frame()"], 1),
            ("script's own error from its listener, caught",
             ["TolvaEngine.TolvaSingleton.getInstance().getTime().addSchedule(0.0, Raising())", "time.sleep(0.002)",
              "tolvatest.frame()"], 0),
        ]
        for label, lines, status in rows:
            with self.subTest(label):
                found, errors = self.run_script(lines)
                self.assertEqual(status, found, errors[-2000:])
                self.assertEqual(status == 1, refused in errors)


class TheLogAsOutput(unittest.TestCase):
    def test_print_and_writes_reach_the_log(self):
        before = len(tolvatest.getLogTail())
        print("hello")
        print("partial", end="")
        print("flushed", flush=True)
        sys.stderr.write("two\nlines\n")
        sys.stdout.flush()
        self.assertEqual("hello\npartialflushed\ntwo\nlines\n", tolvatest.getLogTail()[before:])


class Exceptions(unittest.TestCase):
    def test_engine_exceptions_reach_scripts_as_python_exceptions(self):
        cases = [
            ("invalid", ValueError, "bad argument"),
            ("notfound", KeyError, "'no such thing'"),
            ("fileaccess", OSError, "cannot open"),
            ("scripting", RuntimeError, "script failed"),
            ("initialisation", RuntimeError, "cannot start"),
            ("io", RuntimeError, "cannot write"),
            ("parser", RuntimeError, "bad syntax"),
            ("illegalstate", RuntimeError, "not now"),
            ("sound", RuntimeError, "no device"),
        ]
        for kind, exception, text in cases:
            with self.assertRaises(exception) as caught:
                tolvatest.raiseEngineException(kind)
            self.assertEqual(text, str(caught.exception))


class Converters(unittest.TestCase):
    def test_pairs_and_sequences_become_tuples(self):
        self.assertEqual((1024, 768), tolvatest.makePair(1024, 768))
        self.assertEqual(("640 x 480", "1024 x 768"), tolvatest.makeStrings(["640 x 480", "1024 x 768"]))
        self.assertEqual((), tolvatest.makeNumbers([]))
        self.assertEqual((0, 2, 4294967295), tolvatest.makeNumbers([0, 2, 4294967295]))
        self.assertIs(int, type(tolvatest.makeNumbers([4294967295])[0]))

    def test_sets_and_lists_of_registry_values_become_tuples_in_order(self):
        controls = tolvatest.makeControls([(2, 1), (1, 30), (1, 2)])
        self.assertEqual([(1, 2), (1, 30), (2, 1)], [(int(c.getType()), c.getValue()) for c in controls])
        commands = tolvatest.makeCommands([("Forward", False), ("Jump", True)])
        self.assertEqual([("Forward", False), ("Jump", True)], [(c.name, c.repeat) for c in commands])

    def test_binding_maps_become_dicts_of_copies(self):
        bindings = tolvatest.BindingMap()
        self.assertEqual({}, bindings.get())
        bindings.bind(57, "Jump")
        bindings.bind(1, "")
        bindings.renameAll("Renamed")
        result = bindings.get()
        bindings.renameAll("Changed later")
        self.assertEqual(
            [(1, None), (57, "Renamed")],
            sorted((c.getValue(), None if cmd is None else cmd.name) for c, cmd in result.items()),
        )
