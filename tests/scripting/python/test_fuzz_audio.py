# engine: window
"""Hostile calls into sounds, the music manager, the audio module and the sound layer's sounds:
each raises a Python error, none crashes, aborts or hangs the engine."""
import gc
import itertools
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import TolvaEngine
import TolvaValues
import tolvatest
from TolvaEngine import (AngularVelocitySound, ImpactSound, JointAngleRateSound, MovableObject,
                         MusicManager_Listener, Sound, Sound_Listener)
from TolvaValues import Ogre, al

import scriptfuzz
from scriptfuzz import Family

SHORT_TONE = os.path.abspath("../tests/sounds/tone-mono-short.ogg")
_names = itertools.count()


def unique(prefix):
    return "%s%d" % (prefix, next(_names))


def audio():
    return TolvaEngine.Engine.getInstance().getAudio()


def physics():
    return TolvaEngine.Engine.getInstance().getPhysics()


def rolling():
    ball = MovableObject(physics().createSphereGeometry(1.0))
    sound = AngularVelocitySound(unique("roll"), SHORT_TONE, ball.getBody())
    sound.ball = ball
    return sound


def creaking():
    joint = physics().createHingeJoint()
    return JointAngleRateSound(unique("creak"), SHORT_TONE, joint)


def motif():
    """A motif of the music manager."""
    music = audio().getMusicManager()
    name = music.addMotif(SHORT_TONE, unique("motif"), 0.5)
    return music.getMotif(name)


def gone_motif():
    """A handle of a motif the music manager has removed."""
    music = audio().getMusicManager()
    name = music.addMotif(SHORT_TONE, unique("gone"), 0.5)
    handle = music.getMotif(name)
    music.removeMotif(name)
    gc.collect()
    return handle


class Heard(Sound_Listener):
    def soundPlaying(self):
        pass

    def soundPaused(self):
        pass

    def soundLooped(self):
        pass

    def soundStopped(self):
        pass

    def soundFinished(self):
        pass

    def soundAtOffset(self, offset, position):
        pass


class Meddler(MusicManager_Listener):
    """Removes what it is told of and flushes: the manager must survive its own listeners."""

    def motifPlay(self, name):
        audio().getMusicManager().removeMotif(name)

    def motifStop(self, name):
        audio().getMusicManager().flush()


def meddled_music():
    music = audio().getMusicManager()
    music.meddler = Meddler()
    music.interfaceMusicManagerListener().connect(music.meddler)
    for index in range(2):
        music.addMotif(SHORT_TONE, unique("m"), 1.0)
    return music


E = TolvaEngine
FAMILIES = [
    Family(E.Audio, audio),
    Family(E.AudioListener, lambda: audio().getListener()),
    Family(E.Sound, lambda: Sound(unique("sound"), SHORT_TONE)),
    Family(E.Sound, motif, label="Motif"),
    Family(E.Sound, gone_motif, label="GoneMotif", gone=True),
    Family(E.ImpactSound, lambda: ImpactSound(unique("impact"), SHORT_TONE)),
    Family(E.AngularVelocitySound, rolling),
    Family(E.JointAngleRateSound, creaking),
    Family(E.Sound_Listener, Heard),
    Family(E.InterfaceHolder_Sound_Listener, lambda: Sound(unique("held"), SHORT_TONE).interfaceListener()),
    Family(E.MusicManager, lambda: audio().getMusicManager()),
    Family(E.MusicManager, meddled_music, label="Meddled"),
    Family(E.MusicManager_Listener, Meddler),
    Family(E.InterfaceHolder_MusicManager_Listener, lambda: audio().getMusicManager().interfaceMusicManagerListener()),
    Family(al.Sound, lambda: audio().createSound(unique("layer"), SHORT_TONE)),
]


class ScriptFuzz(scriptfuzz.FuzzTest):
    modules = [TolvaEngine, TolvaValues]
    values_module = Ogre
    families = FAMILIES
    frame = staticmethod(lambda: tolvatest.frame(0.02))
    # Sounds placed through a hierarchy, and sequences across sounds and game objects.
    extra_families = [Family(E.GameObject, E.GameObject)]
    program_leaves = ("Sound", "ImpactSound", "AngularVelocitySound")
    sequence_labels = ("GameObject", "Sound", "ImpactSound", "AngularVelocitySound")
    sequences = 15
    max_single_cases = 2000


if __name__ == "__main__":
    import unittest
    unittest.main()
