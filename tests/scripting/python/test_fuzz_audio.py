# engine: window
"""Hostile calls into sounds, the music manager, the audio module and the sound layer's sounds:
each raises a Python error, none crashes, aborts or hangs the engine."""
import gc
import itertools
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import TolvaEngine
import TolvaValues
import tolvatest
from TolvaEngine import (AngularVelocitySound, ImpactSound, JointAngleRateSound, MovableObject,
                         MusicManager_FadeTarget, MusicManager_Listener, Sound, Sound_Category, Sound_Listener)
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


# --- what the action members do ---------------------------------------------------------------------
# One effect a frame after the call must show, for each member that changes state with no getter to
# read it back by.
def check(condition, text):
    if not condition:
        raise AssertionError(text)


def acted(make, *calls):
    """The receiver after the calls (member names, or (name, arguments)) and a frame."""
    made = make()
    for call in calls:
        name, args = (call, ()) if isinstance(call, str) else call
        getattr(made, name)(*args)
    tolvatest.frame(0.02)
    return made


def state(made):
    return [flag for flag in ("isPlaying", "isPaused", "isStopped") if getattr(made, flag)()]


def in_state(make, calls, expected):
    made = acted(make, *calls)
    check(state(made) == [expected], "the sound is %s, not %s" % (state(made), expected))


def offsets_heard(watch, unwatch=()):
    """The offsets a listener watching these heard while the short tone played to its end."""
    heard, finished = [], []

    class Offsets(Heard):
        def soundAtOffset(self, offset, position):
            heard.append(round(offset, 3))

        def soundFinished(self):
            finished.append(True)

    sound, listener = Sound(unique("watched"), SHORT_TONE), Offsets()
    sound.interfaceListener().connect(listener)
    for offset in watch:
        listener.addSoundOffset(offset)
    for offset in unwatch:
        listener.removeSoundOffset(offset)
    sound.play()
    end = time.monotonic() + 3
    while not finished and time.monotonic() < end:
        time.sleep(0.01)
        tolvatest.frame(0.01)
    check(finished, "the sound did not finish")
    return heard


def motif_gain(act):
    """A motif's gain after the music manager's act and a frame; the manager's gain is back at 1 after."""
    music = audio().getMusicManager()
    music.setGain(1.0, MusicManager_FadeTarget.FADE_ALL)
    handle = motif()
    act(music)
    tolvatest.frame(0.02)
    try:
        return handle.getGain()
    finally:
        music.fade(0.0, 1.0)
        music.setGain(1.0, MusicManager_FadeTarget.FADE_ALL)


def motif_played(*calls):
    """Whether the music manager plays a motif after the calls, each followed by a frame but the last
    playMotif (called with the motif's name): stopped motifs end at the next frame."""
    music = audio().getMusicManager()
    name = music.addMotif(SHORT_TONE, unique("played"), 1.0)
    music.setSpaceMinimum(0.0)
    music.setSpaceMaximum(0.0)
    for index, call in enumerate(calls):
        getattr(music, call)(*([name] if call == "playMotif" else []))
        if call != "playMotif" or index + 1 < len(calls):
            tolvatest.frame(0.02)
    playing = music.isMotifPlaying() and (calls[-1] != "playMotif" or music.getMotif(name).isPlaying())
    music.stopMotifs()
    tolvatest.frame(0.02)
    music.removeMotif(name)
    music.playMotifs()
    return playing


def motif_gone(remove):
    music = audio().getMusicManager()
    name = music.addMotif(SHORT_TONE, unique("removed"), 0.5)
    check(music.getMotif(name) is not None, "no motif was added")
    remove(music, name)
    check(music.getMotif(name) is None, "the motif is still there")


def category_gain():
    effects = Sound_Category.CAT_EFFECT
    old = audio().getSoundCategoryGain(effects)
    audio().setSoundCategoryGain(effects, 0.25)
    try:
        check(audio().getSoundCategoryGain(effects) == 0.25, "the effects' gain is not 0.25")
    finally:
        audio().setSoundCategoryGain(effects, old)


def layer_sound():
    return audio().createSound(unique("layer"), SHORT_TONE)


EFFECTS = {
    "Sound.play": lambda: in_state(lambda: Sound(unique("s"), SHORT_TONE), ["play"], "isPlaying"),
    "Sound.pause": lambda: in_state(lambda: Sound(unique("s"), SHORT_TONE), ["play", "pause"], "isPaused"),
    "Sound.stop": lambda: in_state(lambda: acted(lambda: Sound(unique("s"), SHORT_TONE), "play"), ["stop"],
                                   "isStopped"),
    "Sound.fadeIn": lambda: check(acted(lambda: Sound(unique("s"), SHORT_TONE), ("fadeIn", (10.0,))).isFading(),
                                  "a sound fading in from rest is not fading"),
    "Sound.fadeOut": lambda: in_state(lambda: acted(lambda: Sound(unique("s"), SHORT_TONE), "play"),
                                      [("fadeOut", (0.01,))], "isStopped"),
    "Sound.cancelFade": lambda: check(not acted(lambda: Sound(unique("s"), SHORT_TONE), ("fadeIn", (10.0,)),
                                                "cancelFade").isFading(), "the fade still runs"),
    "Sound_Listener.addSoundOffset": lambda: check(offsets_heard([0.05]) == [0.05], "the offset was not heard"),
    "Sound_Listener.removeSoundOffset": lambda: check(offsets_heard([0.05, 0.1], [0.05]) == [0.1],
                                                      "the removed offset was heard"),
    # A fade of no time lands at once; one from an origin starts there.
    "FadeModule.fade": lambda: check(motif_gain(lambda m: m.fade(0.0, 0.25)) == 0.25, "the fade did not land"),
    "FadeModule.fadeFQ": lambda: check(abs(motif_gain(lambda m: m.fadeFQ(10.0, 0.5, 1.0)) - 0.5) < 0.01,
                                       "the fade did not start at its origin"),
    "MusicManager.setGain": lambda: check(motif_gain(lambda m: m.setGain(0.5, MusicManager_FadeTarget.FADE_MOTIFS))
                                          == 0.5, "the motifs' gain is not 0.5"),
    "MusicManager.playMotif": lambda: check(motif_played("stopMotifs", "playMotif"), "the motif is not played"),
    "MusicManager.stopMotifs": lambda: check(not motif_played("playMotif", "stopMotifs", "stopMotifs"),
                                             "a motif still plays"),
    "MusicManager.playMotifs": lambda: check(motif_played("stopMotifs", "playMotifs"), "no motif was chosen"),
    "MusicManager.addMotif": lambda: check(motif().getFilename() == SHORT_TONE, "the motif plays another file"),
    "MusicManager.addMotifUnique": lambda: check(len({audio().getMusicManager().addMotifUnique(
        SHORT_TONE, unique("once"), 0.5) for _ in range(2)}) == 1, "one file made two motifs"),
    "MusicManager.removeMotif": lambda: motif_gone(lambda music, name: music.removeMotif(name)),
    "MusicManager.flush": lambda: motif_gone(lambda music, name: music.flush()),
    "Audio.setSoundCategoryGain": category_gain,
    "Audio.createSound": lambda: check(layer_sound().getFileName() == SHORT_TONE, "the sound plays another file"),
    "al.Sound.play": lambda: in_state(layer_sound, ["play"], "isPlaying"),
    "al.Sound.pause": lambda: in_state(layer_sound, ["play", "pause"], "isPaused"),
    "al.Sound.stop": lambda: in_state(lambda: acted(layer_sound, "play"), ["stop"], "isStopped"),
    # The strict enum of these classes.
    # Its members take bit masks, not the enum: only its numbers are checked.
    "MusicManager_FadeTarget": lambda: scriptfuzz.enum_row(MusicManager_FadeTarget, dict(
        FADE_BACKGROUND=1, FADE_MOTIFS=2, FADE_ALL=255)),
}


class ScriptFuzz(scriptfuzz.FuzzTest):
    modules = [TolvaEngine, TolvaValues]
    values_module = Ogre
    families = FAMILIES
    frame = staticmethod(lambda: tolvatest.frame(0.02))
    # Sounds placed through a hierarchy, and sequences across sounds and game objects.
    extra_families = [Family(E.GameObject, E.GameObject)]
    program_leaves = ("Sound", "ImpactSound", "AngularVelocitySound")
    sequence_labels = ("GameObject", "Sound", "ImpactSound", "AngularVelocitySound")
    sequences = 250
    max_single_cases = 2000
    effects = EFFECTS


if __name__ == "__main__":
    import unittest
    unittest.main()
