# engine: window
"""The graphics module as scripts see it: display settings, fog, and the rendering engine's own
objects, which have no script class."""
import os
import unittest

import TolvaEngine
import tolvatest
from TolvaEngine import TolvaSingleton
from TolvaValues import Ogre
from TolvaValues.Ogre import ColourValue


class DisplaySettings(unittest.TestCase):
    def setUp(self):
        self.graphics = TolvaSingleton.getInstance().getGraphics()
        self.config = TolvaSingleton.getInstance().getConfigFile()

    def test_resolution_changes_now_or_at_the_next_start(self):
        self.assertEqual((800, 600), self.graphics.getResolution())
        self.graphics.setResolution(640, 480)
        self.assertEqual((800, 600), self.graphics.getResolution())
        self.assertEqual(" 640 x  480", self.config.getValueString("OpenGL", "Video Mode"))
        self.graphics.setResolution(width=1024, height=768, now=True)
        tolvatest.frame()
        self.assertEqual((1024, 768), self.graphics.getResolution())
        self.graphics.setResolution(800, 600, True)
        modes = self.graphics.getAvailableResolutions()
        self.assertIsInstance(modes, tuple)
        self.assertTrue(modes and all(isinstance(mode, str) for mode in modes))
        self.assertTrue(all(isinstance(level, int) for level in self.graphics.getAvailableFSAA()))

    def test_full_screen_and_vsync_store_what_the_window_reports(self):
        self.graphics.setFullScreen(True)
        stored = self.config.getValueString("OpenGL", "Full Screen")
        self.assertEqual("Yes" if self.graphics.isFullScreen() else "No", stored)
        self.graphics.setFullScreen(False)
        self.assertFalse(self.graphics.isFullScreen())
        for enabled in (True, False):
            self.graphics.setVSyncEnable(enabled)
            self.assertEqual(enabled, self.graphics.isVSyncEnabled())
            self.assertEqual(str(enabled).lower(), self.config.getValueString("OpenGL", "VSync"))

    def test_fog_takes_the_rendering_engines_values(self):
        self.graphics.setFogMode(Ogre.FOG_LINEAR)
        self.graphics.setFogEnabled(True)
        self.graphics.setFogColour(ColourValue(0.5, 0.25, 1))
        self.graphics.setFogLinearEnd(250)
        self.assertEqual((Ogre.FOG_LINEAR, ColourValue(0.5, 0.25, 1), 250.0, True), (
            self.graphics.getFogMode(), self.graphics.getFogColour(), self.graphics.getFogLinearEnd(),
            self.graphics.isFogEnabled()))
        with self.assertRaises(TypeError):
            self.graphics.setFogColour((0.5, 0.25, 1))
        self.graphics.setFogEnabled(False)

    def test_shadows_without_their_programs_stay_off_with_a_warning_and_frames_go_on(self):
        # The test engine's resources lack the shadow volume programs.
        self.graphics.setShadowsEnable(True)
        self.assertFalse(self.graphics.getShadowsEnable())
        with open(os.path.join(TolvaSingleton.getInstance().getDataDirectory(), "engine.log")) as log:
            self.assertIn("Warning: Shadows need the shadow volume programs", log.read().rstrip().rsplit("\n", 1)[-1])
        light, mesh = TolvaEngine.PointLight("shadowLight"), TolvaEngine.MeshObject("shadowCaster", "TestPanel.mesh")
        tolvatest.frame(0.02)
        tolvatest.frame(0.02)

    def test_an_effect_that_was_never_set_up_is_not_available(self):
        self.assertFalse(self.graphics.isEffectAvailable("No Such Effect"))

    def test_the_rendering_engines_own_objects_have_no_script_class(self):
        for member in ("getRoot", "getWindow", "getSceneManager", "getCamera", "getViewport"):
            with self.assertRaisesRegex(TypeError, "No Python class registered", msg=member):
                getattr(self.graphics, member)()
        self.assertIsInstance(TolvaSingleton.getInstance().getInput(), TolvaEngine.Input)
