# engine: window
"""Scene objects as scripts build them: the object tree, transforms, lights, billboards, chains,
trails, meshes and particles; every bound class with its members; misuse raising Python errors."""
import gc
import os
import pickle
import tempfile
import unittest

import TolvaEngine
from TolvaEngine import (BillboardChainEffect, BillboardEffect, GameObject, MeshObject, MeshObjectRenderType,
                         ParticleSystem, PointLight, RibbonTrailEffect, SpotLight, TolvaSingleton, TransformObject,
                         Transformable)
from TolvaValues import Ogre
from TolvaValues.Ogre import ColourValue, Quaternion, Vector3, Vector4

MEMBERS = {
    "Hierarchical": "isRoot getParent setParent isLeaf addChild removeChild",
    "Transformable": "getPosition setPosition translate getOrientation setOrientation getScale setScale scale",
    "GameObject": "frame updateOnce getName localise parentise globalise rotate setRotationMode getWorldPosition "
                  "getWorldOrientation getWorldScale",
    "RenderableObject": "getObject setObject isVisible setVisible isEffectEnabled getEffects setEffectEnable "
                        "attachEffect detachEffect",
    "Light": "getDiffuse setDiffuse getSpecular setSpecular getAttenuationRange getAttenuationConstant "
             "getAttenuationLinear getAttenuationQuadric setAttenuation getPowerScale setPowerScale",
    "DirectionalLight": "getDirection setDirection",
    "SpotLight": "getOuterAngle setOuterAngle getFalloff setFalloff",
    "BillboardEffect": "isVisible setVisible createBillboard removeBillboard getType setType getOrigin setOrigin "
                       "getSize setSize getCommonDirection setCommonDirection getCommonUpVector setCommonUpVector "
                       "getColour setColour getRotation setRotation rotate",
    "BillboardChainEffect": "getChain setChain getMaxElements setMaxElements getNumberOfChains setNumberOfChains "
                            "getTexCoordDirection setTexCoordDirection getOtherTextureCoordRange "
                            "setOtherTextureCoordRange",
    "RibbonTrailEffect": "getLength setLength getInitialColour setInitialColour getColourChange setColourChange "
                         "getInitialWidth setInitialWidth getWidthChange setWidthChange",
    "MeshObject": "getRenderType setRenderType isBodyAttached addChildAsBody getMesh getBody getBoundingBox "
                  "setBoundingBox isAnimated getAnimationState selectAnimation isAnimationLooped setAnimationLooped "
                  "advanceAnimation isAnimationFinished enableAnimationPerBoneBlending setAnimationBoneWeight "
                  "disableAnimationPerBoneBlending disableAnimation disableAllAnimations setMaterialName "
                  "getCustomParameter setCustomParameter attachObjectToBone detachObjectFromBone isFadeEnabled "
                  "setFadeEnabled isFadeRunning fade setAlpha isDistanceFadeRunning setDistanceFadeEnabled "
                  "getFadeStartDistance getFadeFinishDistance setFadeStartDistance setFadeFinishDistance "
                  "getShadowCast setShadowCast",
    "ParticleSystem": "isEnabled setEnabled",
    "Contact": "position normal penetrationDepth firstSide secondSide p1 p2",
    "ContactListener": "returnValue",
    "Physics": "getCFM getERP getStepSize getMaxInterval getTimeScale getGravity getFriction setCFM setERP "
               "setContactCorrectionVelocity setStepSize setMaxInterval setTimeScale setFriction setGravity "
               "impulseToForce createMass createBoxGeometry createCapsuleGeometry createCylinderGeometry "
               "createRayGeometry createSphereGeometry createTriangleMeshGeometry createFixedJoint createHingeJoint",
    "PhysicalBase": "isEnabled setEnabled isCollidable setCollidable isSolid setSolid collide eventCollision "
                    "eventPhysicalCollision isPropertyPresent getProperty setProperty removeProperty "
                    "getGeometryCount getGeometry setGeometry getCollisionCategory setCollisionCategory "
                    "getCollisionPartners setCollisionPartners rotate getOffsetPosition setOffsetPosition "
                    "getOffsetOrientation setOffsetOrientation getWorldPosition getWorldOrientation getWorldScale",
    "CollisionEvent": "connect",
    "OccupancyEvent": "connect",
    "CompoundPhysical": "eventGeometryCollision eventGeometryPhysicalCollision addGeometry removeGeometry",
    "SkeletalRig": "rig unrig",
    "PhysicsObject": "getBase setBase",
    "GravityMap": "getMode setMode isMagnetic setMagnetic getMagneticCharge setMagneticCharge getGravity "
                  "getIntensity setIntensity getWorldCentrePosition",
    "Trigger": "getSize setSize eventEntered eventExited",
    "MovableObject": "getBody isBodyEnabled setBodyEnabled getMass setMass getMassValue setMassValue getMassType "
                     "setMassType translateMass getForce addForce setForce getImpulse addImpulse setImpulse "
                     "getTorque addTorque setTorque getAngularVelocity setAngularVelocity setAngularDamping "
                     "getAngularVelocityMax setAngularVelocityMax getLinearVelocity setLinearVelocity "
                     "setLinearDamping isUnidirectional setUnidirectional isAffectedByGravity setAffectedByGravity",
    "Sound_Listener": "addSoundOffset removeSoundOffset soundPlaying soundPaused soundLooped soundStopped "
                      "soundFinished soundAtOffset",
    "Sound": "interfaceListener getFilename getCategory setCategory isRelativeToListener setRelativeToListener "
             "isInitial isStopped stop isPlaying play isPaused pause getPitch setPitch getGain setGain getMaxGain "
             "setMaxGain getMinGain setMinGain getMaxDistance setMaxDistance getRolloffFactor setRolloffFactor "
             "getReferenceDistance setReferenceDistance getSecondDuration getSecondOffset setSecondOffset isFading "
             "fadeIn fadeOut cancelFade isLooping setLoop getLoopOffset setLoopOffset",
    "ImpactSound": "isGainChanged setGainChange getImpactGainScale setImpactGainScale getBackoff setBackoff "
                   "getCooloff setCooloff getThreshold setThreshold getThresholdOverride setThresholdOverride "
                   "collision",
    "GainControlSound": "isEnabled setEnabled getMaxGainControl setMaxGainControl",
    "FadeModule": "isFadeRunning fade fadeFQ",
    "MusicManager_Listener": "motifPlay motifStop",
    "MusicManager": "getBackground setBackground isMotifFileLoaded isMotifPlaying playMotifs playMotif stopMotifs "
                    "getMotif addMotif addMotifUnique removeMotif getProbability setProbability getSpaceMinimum "
                    "getSpaceMaximum setSpaceMinimum setSpaceMaximum getSpace setGain flush "
                    "interfaceMusicManagerListener",
}
ENUMS = {
    "Physics_MassType": {"MASS": 0, "MASS_AUTO": 1, "MASS_BOX": 2, "MASS_CAPSULE": 3, "MASS_CYLINDER": 4,
                         "MASS_SPHERE": 5},
    "PhysicalBase_CollidableType": {"COLL_NONE": 0, "COLL_FIXED": 1, "COLL_MOVABLE": 2, "COLL_VIRTUAL": 4,
                                    "COLL_TRIGGER": 8, "COLL_SPHERE": 16, "COLL_CAMERA": 32, "COLL_GRAVITY": 64,
                                    "COLL_CUSTOM0": 128, "COLL_CUSTOM1": 256, "COLL_CUSTOM2": 512,
                                    "COLL_CUSTOM3": 1024},
    "GravityMap_OperationMode": {"MODE_AUTO": 0, "MODE_MANUAL": 1},
    "MeshObjectRenderType": {"RT_SKY": 5, "RT_STENCIL": 10, "RT_CLIP": 20, "RT_STENCILLED_CLIPPED": 30,
                             "RT_NORMAL": 50},
    "Sound_Category": {"CAT_UNKNOWN": 0, "CAT_EFFECT": 1, "CAT_MUSIC": 2, "CAT_VOICE": 3},
    "MusicManager_FadeTarget": {"FADE_BACKGROUND": 1, "FADE_MOTIFS": 2, "FADE_ALL": 255},
}


class TheClasses(unittest.TestCase):
    def test_every_class_has_its_members_and_every_enum_its_values(self):
        for name, members in MEMBERS.items():
            for member in members.split():
                self.assertTrue(hasattr(getattr(TolvaEngine, name), member), name + "." + member)
        for name, values in ENUMS.items():
            enum = getattr(TolvaEngine, name)
            self.assertEqual(values, {value: int(getattr(enum, value)) for value in values}, name)
            self.assertFalse(any(hasattr(TolvaEngine, value) for value in values), name)


class ObjectTree(unittest.TestCase):
    def test_children_follow_their_parent_through_the_scene(self):
        parent, child = GameObject(), TransformObject()
        self.assertTrue(parent.addChild(child))
        self.assertIsInstance(child.getParent(), GameObject)
        parent.setPosition(Vector3(10, 0, 0))
        child.setPosition(Vector3(1, 2, 3))
        self.assertEqual(Vector3(11, 2, 3), child.getWorldPosition())
        self.assertEqual(Vector3(1, 0, 0), child.localise(Vector3(12, 2, 3), isPosition=True))
        self.assertEqual(child.localise(Vector3(1, 0, 0)), child.localise(vector=Vector3(1, 0, 0), isPosition=False))
        child.rotate(Vector3(0, 1, 0), 90)
        child.rotate(Vector3(0, 1, 0), 90, Ogre.Node_TransformSpace.TS_WORLD)
        self.assertTrue(child.getOrientation().equals(Quaternion(0, 0, 1, 0), Ogre.Radian(0.001)))
        child.setParent(None)
        self.assertTrue(child.isRoot() and parent.isLeaf())
        self.assertIsNone(child.getParent())

    def test_a_parent_handle_refuses_use_once_its_parent_is_gone(self):
        parent, child = GameObject(), GameObject()
        parent.addChild(child)
        handle = child.getParent()
        del parent
        gc.collect()
        self.assertIsNone(child.getParent())
        for use in (handle.getPosition, handle.isLeaf, lambda: child.setParent(handle)):
            with self.assertRaises(TypeError):
                use()

    def test_transformable_members_raise_for_every_object(self):
        with self.assertRaisesRegex(RuntimeError, "Pure virtual"):
            Transformable.getPosition(GameObject())


class GravityMaps(unittest.TestCase):
    def test_gravity_map_files_and_values_a_script_gives_are_checked(self):
        folder = tempfile.mkdtemp()

        def gravityMap(grid, cells):
            path = os.path.join(folder, "map%d.gmap" % len(os.listdir(folder)))
            with open(path, "wb") as out:
                pickle.dump(((0, 0, 0), (1, 0, 0, 0), grid, cells), out, 2)
            return TolvaEngine.GravityMap(path)

        lists = gravityMap((1.0, 1, 2, 1), ([[(1, 2, 3)], [(4, 5, 6)]],))
        lists.setIntensity(1.0)
        self.assertEqual(Vector3(4, 5, 6), lists.getGravity(Vector3(0.5, 1.5, 0.5)))
        cases = [(IndexError, lambda: gravityMap((1.0, 1, 3, 1), ([[(1, 2, 3)], [(4, 5, 6)]],))),
                 (OverflowError, lambda: gravityMap((1.0, 2**32, 1, 1), ())),
                 (ValueError, lambda: lists.setScale(Vector3(float("nan"), 1, 1))),
                 (ValueError, lambda: lists.scale(Vector3(1, float("inf"), 1))),
                 (ValueError, lambda: lists.setIntensity(float("nan"))),
                 (ValueError, lambda: lists.setMagneticCharge(float("-inf")))]
        for error, attempt in cases:
            with self.subTest(error=error.__name__), self.assertRaises(error):
                attempt()
        self.assertEqual((Vector3(1, 1, 1), 1.0, 0.0), (lists.getScale(), lists.getIntensity(),
                                                        lists.getMagneticCharge()))


class SceneObjects(unittest.TestCase):
    def test_lights_billboards_chains_and_trails_keep_what_they_are_given(self):
        spot = SpotLight("spot")
        spot.setDiffuse(1.0, 0.5, 0.25)
        spot.setAttenuation(100, 1, 0.5, 0.25)
        spot.setOuterAngle(60)
        self.assertEqual(ColourValue(1.0, 0.5, 0.25), spot.getDiffuse())
        self.assertEqual((100, 1, 0.5, 0.25), (spot.getAttenuationRange(), spot.getAttenuationConstant(),
                                               spot.getAttenuationLinear(), spot.getAttenuationQuadric()))
        self.assertAlmostEqual(60, spot.getOuterAngle().valueDegrees(), 3)
        billboards = BillboardEffect("dots", "test/Dot")
        billboards.setSize(2, 3)
        billboards.rotate(45)
        self.assertEqual((Ogre.Vector2(2, 3), 45), (billboards.getSize(), billboards.getRotation()))
        chain = BillboardChainEffect("chain", "test/White")
        chain.setMaxElements(12)
        self.assertEqual(12, chain.getMaxElements())
        trail = RibbonTrailEffect("trail", "test/White")
        trail.setInitialColour(1.0, 0.5, 0.0)
        self.assertEqual(ColourValue(1.0, 0.5, 0.0, 1.0), trail.getInitialColour())
        trail.setInitialColour(r=1.0, g=0.5, b=0.0, a=0.25)
        trail.setColourChange(ColourValue(0.5, 0.5, 0.5, 0.5))
        self.assertEqual((0.25, 0.5), (trail.getInitialColour().a, trail.getColourChange().a))
        self.assertIsInstance(PointLight("point"), TolvaEngine.Light)

    def test_a_mesh_animates_fades_and_takes_parameters(self):
        mesh = MeshObject("rig", "TestRig.mesh")
        self.assertTrue(mesh.isAnimated())
        mesh.selectAnimation("Lift")
        mesh.setAnimationLooped(False)
        mesh.advanceAnimation(1.5)
        mesh.advanceAnimation(time=1.0)
        self.assertTrue(mesh.isAnimationFinished())
        mesh.selectAnimation(animationName="Slide", disablePrevious=False)
        mesh.advanceAnimation(0.5, increment=False)
        self.assertFalse(mesh.isAnimationFinished())
        mesh.setFadeEnabled(True)
        mesh.fade(1.0, 1.0, 0.0)
        self.assertTrue(mesh.isFadeRunning())
        mesh.setCustomParameter(3, 1.0)
        self.assertEqual(Vector4(1, 0, 0, 0), mesh.getCustomParameter(3, 0))
        mesh.setRenderType(MeshObjectRenderType.RT_CLIP)
        self.assertEqual(MeshObjectRenderType.RT_CLIP, mesh.getRenderType())
        self.assertEqual((True, True), (mesh.isVisible(), mesh.isVisible("Head")))
        mesh.setVisible(False, "Head")
        self.assertFalse(mesh.isVisible("Head"))
        self.assertIsNone(mesh.getBody())
        sparks = ParticleSystem("sparks", "test/Sparks")
        sparks.setEnabled(False)
        self.assertFalse(sparks.isEnabled())

    def test_misuse_raises_python_errors(self):
        mesh, billboards = MeshObject("misused", "TestPanel.mesh"), BillboardEffect("misusedDots", "test/Dot")
        calls = {
            TypeError: [lambda: PointLight(), lambda: mesh.getCustomParameter(3), lambda: mesh.setCustomParameter(3),
                        lambda: billboards.rotate(Vector3(0, 1, 0), 45), lambda: ParticleSystem("one"),
                        lambda: mesh.setPosition((1, 2, 3)), lambda: GameObject().addChild("child")],
            ValueError: [lambda: mesh.attachObjectToBone("Root", None, Vector3(), Quaternion()),
                         lambda: mesh.detachObjectFromBone(None), lambda: mesh.attachEffect(None),
                         lambda: billboards.removeBillboard(None), lambda: BillboardChainEffect("c", "test/White")
                         .setChain(None, True)],
            RuntimeError: [lambda: TolvaEngine.NodeObject(), lambda: TolvaEngine.RenderableObject(),
                           lambda: TolvaEngine.Light(), lambda: MeshObject("broken", "NoSuch.mesh")],
        }
        for error, attempts in calls.items():
            for index, attempt in enumerate(attempts):
                with self.subTest(error=error.__name__, attempt=index), self.assertRaises(error):
                    attempt()


if __name__ == "__main__":
    unittest.main()
