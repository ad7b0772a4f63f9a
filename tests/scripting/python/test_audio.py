"""The audio module as scripts see it: the listener's gain and the sound layer's own sounds."""
import os
import unittest

import TolvaEngine
from TolvaEngine import TolvaSingleton
from TolvaValues import al

# Written by the tests' tone encoder into the build tree; the runner works in its bin folder.
SHORT_TONE = os.path.abspath("../tests/sounds/tone-mono-short.ogg")


class Audio(unittest.TestCase):
    def setUp(self):
        self.audio = TolvaSingleton.getInstance().getAudio()

    def test_the_listener_is_no_scene_object_to_scripts(self):
        listener = self.audio.getListener()
        self.assertIsInstance(listener, TolvaEngine.AudioListener)
        self.assertFalse(hasattr(listener, "getPosition"))
        listener.setGain(0.5)
        self.assertEqual(0.5, listener.getGain())
        listener.setGain(1.0)

    def test_a_layer_sound_made_by_a_script_plays(self):
        sound = self.audio.createSound("scriptTone", SHORT_TONE)
        self.assertIsInstance(sound, al.Sound)
        self.assertEqual(SHORT_TONE, sound.getFileName())
        self.assertAlmostEqual(0.25, sound.getSecondDuration(), 2)
        self.assertTrue(sound.play())
        self.assertTrue(sound.isPlaying())
        sound.setLoop(True)
        self.assertTrue(sound.stop() and sound.isStopped() and sound.isLooping())

    def test_a_layer_sound_a_script_drops_is_freed_with_its_source(self):
        # More than the 100 sources: each dropped sound must give its source back to play the next.
        for index in range(150):
            sound = self.audio.createSound("dropped", SHORT_TONE)
            self.assertTrue(sound.play(), index)
            del sound
