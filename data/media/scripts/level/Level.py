"""The shipped level's own pieces, built around the game's floor, blocks and ramp:

- a pressure plate (a trigger) just ahead of the start that opens a gate further on: the gate
  sinks into the floor, with its sound, so that nothing stands between the following camera and
  the updraft;
- behind the gate an updraft (a gravity map read plainly, scaled by the sphere's "gravityScale")
  that lifts the sphere to the gem and holds it there, slowed by the air, with rising sparks (particles) and a lamp over it that casts shadows;
- at the top of the updraft a gem to pick up (a trigger around a spinning mesh), which goes into
  the sphere's inventory; then the goal line says so and the updraft weakens, letting the sphere
  back down;
- to the left a magnetic field (a gravity map read magnetically) that pushes the charged sphere
  sideways, toward the floor's rim, its corners marked by billboards;
- a windmill whose rotor turns (a skeletal animation), a ribbon trail behind the sphere, music
  with motifs and a heads-up display.

Every event is printed as a line beginning "Level:", which the log keeps. With the environment
variable SPINDLEWAKE_AUTOPILOT set, the level pushes the sphere along its path by itself, over
and over: plate, gate, updraft."""
import math
import os

import Spindlewake
import TolvaEngine
from TolvaEngine import PhysicalBase_CollidableType as Collidable
from TolvaValues.Ogre import ColourValue, Quaternion, Vector3

PLATE = (Vector3(0, 0.25, 2), Vector3(3, 0.5, 3))
GATE = (Vector3(0, 1.5, -4), Vector3(6, 3, 0.5))
# Its whole height and a little more: the open gate's top lies just under the floor's surface.
GATE_SINK = 3.05
GATE_SECONDS = 1.2
# The updraft's grid is 4 x 6 x 4 cells of 1 unit from its corner; the level doubles it across.
LIFT_CORNER = Vector3(-4, 0, -12)
LIFT_SCALE = Vector3(2, 1, 2)
LIFT_CENTRE = Vector3(0, 3, -8)
# High enough that a sphere rolling through the updraft's foot does not touch it.
GEM = Vector3(0, 4.5, -8)
PUSH_CORNER = Vector3(-12, 0, -9)
PUSH_SCALE = Vector3(1, 1, 1)
PUSH_INTENSITY = 4.0
WINDMILL = Vector3(-12, 0, -11)
MARK_SIZE = 0.6
# The autopilot's waypoints, on the floor, then into the updraft.
PATH = [Vector3(0, 1, 2), Vector3(0, 1, -4), Vector3(0, 1, -8)]
AUTOPILOT_FORCE = 12.0
# Inside the updraft the air slows the sphere and its spin (both fall by this rate a second), so
# the field's springs settle it at the gem instead of flinging it up the back wall. Once the gem
# is taken the updraft weakens to this share of its lift and draws nothing sideways any more, and
# the air still slows the sphere, so that it comes down and rests; left, the springs would swing
# it to and fro across the floor for ever, and pull it back at the edge.
LIFT_DRAG = 4.0
SPENT_LIFT = 0.3
HOVER_SECONDS = 4.0


# The level being played, for the console.
current = None


def describe():
    """Where the sphere is and what has happened, as one line (for the console and the log)."""
    print(current.describe() if current is not None else "Level: none")


def log(text):
    print("Level: " + text)


class Gem(Spindlewake.Inventory_Item):
    """The item the sphere picks up."""

    def __init__(self):
        Spindlewake.Inventory_Item.__init__(self, "Gem", False)

    def modeChanged(self, mode):
        pass

    def equipped(self):
        log("gem equipped")

    def unequipped(self):
        log("gem unequipped")


class Level:
    def __init__(self, game, sphere):
        engine = TolvaEngine.TolvaSingleton.getInstance()
        self.game = game
        self.sphere = sphere
        self.physics = engine.getPhysics()
        self.objects = []
        self.gateOpening = None
        self.gemTaken = False
        self.gem = None
        self.waypoint = 0 if os.environ.get("SPINDLEWAKE_AUTOPILOT") else None
        self.hover = 0.0
        self.buildPlateAndGate()
        self.buildUpdraft(engine)
        self.buildGem()
        self.buildMagneticField()
        self.buildScenery(engine)
        self.buildSound(engine)
        self.buildHud(engine)
        global current
        current = self
        log("built")

    def keep(self, *objects):
        self.objects += objects
        return objects[0]

    def buildPlateAndGate(self):
        position, size = PLATE
        plate = self.keep(TolvaEngine.Trigger(size))
        plate.setPosition(position)
        plate.eventEntered().connect(self.plateEntered)
        plateShape = self.keep(TolvaEngine.MeshObject("Level Plate", "level_block.mesh"))
        plateShape.setPosition(Vector3(position.x, 0.02, position.z))
        plateShape.setScale(Vector3(size.x, 0.04, size.z))
        plateShape.setMaterialName("Level/Gate")

        position, size = GATE
        self.gate = self.keep(TolvaEngine.PhysicsObject(self.physics.createBoxGeometry(size)))
        self.gate.getBase().setCollisionCategory(Collidable.COLL_FIXED)
        self.gate.setPosition(position)
        shape = self.keep(TolvaEngine.MeshObject("Level Gate", "level_block.mesh"))
        shape.setScale(size)
        shape.setMaterialName("Level/Gate")
        self.gate.addChild(shape)
        self.gateSound = self.keep(TolvaEngine.Sound("Level Gate Sound", "level/sounds/gate.ogg"))
        self.gate.addChild(self.gateSound)

    def plateEntered(self):
        if self.gateOpening is None:
            log("plate pressed")
            self.gateOpening = 0.0
            self.gateSound.play()

    def placeUpdraftMap(self, name, intensity):
        """A gravity map of the updraft's grid, over the updraft's place."""
        field = self.keep(TolvaEngine.GravityMap(name))
        field.setPosition(LIFT_CORNER)
        field.setScale(LIFT_SCALE)
        field.setMode(TolvaEngine.GravityMap_OperationMode.MODE_AUTO)
        field.setIntensity(intensity)
        return field

    def buildUpdraft(self, engine):
        self.lift = self.placeUpdraftMap("level_lift.gravity", 1.0)
        # What is left of the updraft after the gem: nothing until then.
        self.spentLift = self.placeUpdraftMap("level_spent.gravity", 0.0)
        self.sphere.getMovableBody().setProperty("gravityScale", "1")
        self.inLift = False
        sparks = self.keep(TolvaEngine.ParticleSystem("Level Updraft", "Level/Updraft"))
        sparks.setPosition(Vector3(LIFT_CENTRE.x, 0.1, LIFT_CENTRE.z))
        lamp = self.keep(TolvaEngine.SpotLight("Level Lamp"))
        lamp.setPosition(LIFT_CENTRE + Vector3(3, 9, 4))
        lamp.setDirection(Vector3(-3, -9, -4))
        lamp.setDiffuse(1.0, 0.9, 0.7)
        lamp.setOuterAngle(50)
        engine.getGraphics().setShadowsEnable(True)

    def buildGem(self):
        self.gemShape = self.keep(TolvaEngine.MeshObject("Level Gem", "level_gem.mesh"))
        self.gemShape.setPosition(GEM)
        self.glow = self.keep(TolvaEngine.BillboardEffect("Level Gem Glow", "Level/Spark"))
        self.glow.setColour(ColourValue(1, 0.8, 0.3, 1))
        self.glow.setSize(2.0, 2.0)
        self.gemShape.addChild(self.glow)
        self.gemTrigger = self.keep(TolvaEngine.Trigger(Vector3(1.5, 1.5, 1.5)))
        self.gemTrigger.setPosition(GEM)
        self.gemTrigger.eventEntered().connect(self.gemEntered)
        self.pickupSound = self.keep(TolvaEngine.Sound("Level Pickup Sound", "level/sounds/pickup.ogg"))
        self.pickupSound.setRelativeToListener(True)

    def gemEntered(self):
        if self.gemTaken:
            return
        self.gemTaken = True
        self.gemShape.setVisible(False)
        self.glow.setVisible(False)
        self.gem = Gem()
        self.sphere.getInventory().addItem(self.gem)
        self.pickupSound.play()
        self.lift.setIntensity(0.0)
        self.spentLift.setIntensity(SPENT_LIFT)
        self.showGoal("LevelGoalTaken.layout")
        log("gem taken at %.1f units up" % self.sphere.getPosition().y)

    def buildMagneticField(self):
        push = self.keep(TolvaEngine.GravityMap("level_push.gravity"))
        push.setPosition(PUSH_CORNER)
        push.setScale(PUSH_SCALE)
        push.setMode(TolvaEngine.GravityMap_OperationMode.MODE_AUTO)
        push.setMagnetic(True)
        push.setMagneticCharge(1.0)
        # Enough to turn a sphere's path, or to roll one at rest out of it at a walking pace; the
        # floor's rim stops it on the level's edge.
        push.setIntensity(PUSH_INTENSITY)
        # A charge of the field's sign: the field pushes the sphere against its vectors.
        self.sphere.getMovableBody().setProperty("charge", "1")
        for index, (x, z) in enumerate(((0, 0), (4, 0), (0, 4), (4, 4))):
            mark = self.keep(TolvaEngine.BillboardEffect("Level Field Mark %d" % index, "Level/Spark"))
            mark.setPosition(PUSH_CORNER + Vector3(x, 0.5, z))
            mark.setColour(ColourValue(0.4, 0.6, 1, 1))
            # Marks, not walls: a billboard keeps its set's default size of 100 units otherwise.
            mark.setSize(MARK_SIZE, MARK_SIZE)

    def buildScenery(self, engine):
        self.windmill = self.keep(TolvaEngine.MeshObject("Level Windmill", "level_windmill.mesh"))
        self.windmill.setPosition(WINDMILL)
        self.windmill.selectAnimation("Spin", True)
        self.windmill.setAnimationLooped(True)
        self.windmill.setShadowCast(True)
        trail = self.keep(TolvaEngine.RibbonTrailEffect("Level Sphere Trail", "Level/Trail"))
        trail.setLength(12)
        trail.setInitialWidth(0.6)
        trail.setWidthChange(0.4)
        trail.setInitialColour(0.5, 0.8, 1.0, 1.0)
        trail.setColourChange(0.6, 0.6, 0.3, 1.0)
        self.sphere.addChild(trail)
        self.trail = trail

    def buildSound(self, engine):
        music = engine.getAudio().getMusicManager()
        music.setBackground("level/music/background.ogg")
        music.addMotif("level/music/motif_rise.ogg", "Level Rise", 0.6)
        music.addMotif("level/music/motif_fall.ogg", "Level Fall", 0.4)
        music.setSpaceMinimum(4)
        music.setSpaceMaximum(12)
        music.playMotifs()
        self.music = music

    def buildHud(self, engine):
        # An engine without the GUI (a test's) plays the level without its display.
        self.gui = engine.getGui()
        self.hud = None
        self.goal = None
        if self.gui is not None:
            self.hud = self.gui.createHud("LevelHud.layout", "Level")
            self.gui.addChild(self.hud)
            self.showGoal("LevelGoal.layout")

    def showGoal(self, layout):
        """Puts the goal line of the layout over the HUD's top band, in place of the one shown."""
        if self.gui is None:
            return
        if self.goal is not None:
            self.gui.destroyWindow(self.goal)
        self.goal = self.gui.createHud(layout, "Level")
        self.gui.addChild(self.goal)

    def frame(self, seconds):
        self.windmill.advanceAnimation(seconds, True)
        if not self.gemTaken:
            self.gemShape.rotate(Vector3.UNIT_Y, seconds * 90)
        if self.gateOpening is not None and self.gateOpening < GATE_SECONDS:
            step = min(seconds, GATE_SECONDS - self.gateOpening)
            self.gateOpening += step
            self.gate.translate(Vector3(0, -GATE_SINK * step / GATE_SECONDS, 0))
            if self.gateOpening >= GATE_SECONDS:
                log("gate open")
        position = self.sphere.getPosition()
        inLift = abs(position.x - LIFT_CENTRE.x) < 4 and abs(position.z - LIFT_CENTRE.z) < 4 and position.y < 6
        if inLift != self.inLift:
            self.inLift = inLift
            log("sphere %s the updraft" % ("in" if inLift else "out of"))
        if inLift:
            # By the frame's time, so the sphere settles alike at any frame rate.
            body = self.sphere.getMovableBody()
            slowing = math.exp(-LIFT_DRAG * seconds)
            body.setLinearVelocity(body.getLinearVelocity() * slowing)
            body.setAngularVelocity(body.getAngularVelocity() * slowing)
        if self.waypoint is not None:
            self.steer(seconds)

    def steer(self, seconds):
        """The autopilot: pushes toward the next waypoint, then starts the path again."""
        position = self.sphere.getPosition()
        if self.waypoint == len(PATH):
            # At the end of the path the updraft has the sphere for a while.
            self.hover += seconds
            if self.hover < HOVER_SECONDS:
                return
            self.hover = 0.0
            self.waypoint = 0
            body = self.sphere.getMovableBody()
            body.setLinearVelocity(Vector3(0, 0, 0))
            body.setAngularVelocity(Vector3(0, 0, 0))
            self.sphere.setPosition(Vector3(0, 1, 8))
            return
        target = PATH[self.waypoint]
        offset = Vector3(target.x - position.x, 0, target.z - position.z)
        if offset.length() < 1.0:
            self.waypoint += 1
            return
        self.sphere.getMovableBody().addForce(offset.normalisedCopy() * AUTOPILOT_FORCE)

    def describe(self):
        """One line for the console and the log: where the sphere is and what has happened."""
        p = self.sphere.getPosition()
        return "Level: sphere at %.2f %.2f %.2f, gate %s, gem %s" % (
            p.x, p.y, p.z, "open" if self.gateOpening is not None else "closed",
            "taken" if self.gemTaken else "waiting")

    def shutdown(self):
        global current
        current = None
        if self.gem is not None:
            self.sphere.getInventory().removeItem(self.gem)
            self.gem = None
        self.sphere.removeChild(self.trail)
        if self.hud is not None:
            self.gui.removeChild(self.goal)
            self.gui.removeChild(self.hud)
        self.music.stopMotifs()
        self.music = None
        while self.objects:
            self.objects.pop()
        self.sphere = None
        self.game = None
