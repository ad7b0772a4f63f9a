# engine: window
"""Sounds and music as scripts use them: listeners told what a sound did, motifs handed out by the
music manager, fades, and misuse raising Python errors."""
import gc
import os
import time
import unittest

import TolvaEngine
import tolvatest
from TolvaEngine import (ImpactSound, MovableObject, MusicManager_FadeTarget, Sound, Sound_Category, Sound_Listener,
                         TolvaSingleton)

SHORT_TONE = os.path.abspath("../tests/sounds/tone-mono-short.ogg")
LONG_TONE = os.path.abspath("../tests/sounds/tone-mono-1s.ogg")


def music():
    return TolvaSingleton.getInstance().getAudio().getMusicManager()


def frameUntil(condition, seconds=3.0):
    end = time.monotonic() + seconds
    while not condition() and time.monotonic() < end:
        time.sleep(0.01)
        tolvatest.frame(0.01)
    return condition()


class Sounds(unittest.TestCase):
    def test_a_listener_hears_only_what_it_defines(self):
        heard = []

        class Finish(Sound_Listener):
            def soundFinished(self):
                heard.append("finished")

        sound = Sound("short", SHORT_TONE)
        handle = sound.interfaceListener().connect(Finish())
        self.assertIsInstance(sound.interfaceListener(), TolvaEngine.InterfaceHolder_Sound_Listener)
        self.assertTrue(sound.play())
        self.assertTrue(frameUntil(lambda: heard))
        self.assertTrue(sound.isStopped())
        self.assertEqual(["finished"], heard)
        with self.assertRaisesRegex(RuntimeError, "Pure virtual"):
            Finish().soundLooped()
        handle.disconnect()
        self.assertFalse(handle.isConnected())

    def test_a_sound_destroyed_by_its_own_listener_is_let_go_safely(self):
        kept = {"sound": Sound("doomed", SHORT_TONE)}

        class Destroy(Sound_Listener):
            def soundFinished(self):
                kept["sound"] = None
                gc.collect()

        kept["listener"] = Destroy()
        kept["sound"].interfaceListener().connect(kept["listener"])
        kept["sound"].play()
        self.assertTrue(frameUntil(lambda: kept["sound"] is None))

    def test_a_sound_tells_its_file_and_duration_and_categories_convert_from_numbers(self):
        sound = ImpactSound("impact", SHORT_TONE)
        self.assertEqual((Sound_Category.CAT_MUSIC, SHORT_TONE), (Sound_Category(2), sound.getFilename()))
        self.assertAlmostEqual(0.25, sound.getSecondDuration(), 2)

    def test_a_body_sound_follows_its_body_and_outlives_it(self):
        physics = TolvaSingleton.getInstance().getPhysics()
        ball = MovableObject(physics.createSphereGeometry(1.0))
        spin = TolvaEngine.AngularVelocitySound("spin", LONG_TONE, ball.getBody())
        spin.setEnabled(True)
        body = ball.getBody()
        del ball
        gc.collect()
        tolvatest.frame(0.01)
        self.assertTrue(spin.isEnabled())
        with self.assertRaisesRegex(ReferenceError, "The Body no longer exists"):
            TolvaEngine.AngularVelocitySound("late", LONG_TONE, body)


class Music(unittest.TestCase):
    def test_motifs_are_played_told_and_removed(self):
        told = []

        class Motifs(TolvaEngine.MusicManager_Listener):
            def motifPlay(self, name):
                told.append(("play", name))

            def motifStop(self, name):
                told.append(("stop", name))

        listener = Motifs()
        handle = music().interfaceMusicManagerListener().connect(listener)
        name = music().addMotif(SHORT_TONE)
        self.assertIsInstance(name, str)
        self.assertEqual(name, music().addMotifUnique(fileName=SHORT_TONE, probability=0.5))
        motif = music().getMotif(name)
        self.assertIsInstance(motif, Sound)
        music().playMotif(name)
        self.assertTrue(frameUntil(lambda: ("stop", name) in told))
        self.assertEqual(("play", name), told[0])
        music().setGain(0.5, MusicManager_FadeTarget.FADE_ALL)
        self.assertEqual(0.5, motif.getGain())
        music().removeMotif(name)
        with self.assertRaisesRegex(ReferenceError, "The Sound no longer exists"):
            motif.getGain()
        handle.disconnect()

    def test_fades_take_keywords_and_only_fade_fq_takes_an_origin(self):
        music().fade(0.5, 1.0)
        music().fadeFQ(duration=0.5, origin=0.0, destination=1.0)
        self.assertTrue(music().isFadeRunning())
        with self.assertRaises(TypeError):
            music().fade(2.0, 0.0, 1.0, 0)


class Misuse(unittest.TestCase):
    def test_misuse_raises_python_errors(self):
        impact = ImpactSound("misused", SHORT_TONE)
        calls = {
            TypeError: [lambda: Sound("one"), lambda: impact.setCategory(2), lambda: music().setGain(0.5),
                        lambda: TolvaEngine.JointAngleRateSound("j", SHORT_TONE, "joint")],
            ValueError: [lambda: impact.collision(None, None)],
            RuntimeError: [lambda: TolvaEngine.GainControlSound(), lambda: TolvaEngine.FadeModule(),
                           lambda: TolvaEngine.MusicManager(), lambda: Sound_Listener().soundFinished()],
        }
        for error, attempts in calls.items():
            for index, attempt in enumerate(attempts):
                with self.subTest(error=error.__name__, attempt=index), self.assertRaises(error):
                    attempt()


if __name__ == "__main__":
    unittest.main()
