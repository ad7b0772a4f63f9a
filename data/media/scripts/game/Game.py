"""The game script: builds the first small level (a floor with a few obstacles and a ramp, a light,
the play sphere with the camera on it and one item in its inventory), keeps the sphere in play
and takes the level down again when the game shuts down.

The game module, the camera and the player controls keep plain pointers to what is built here,
so every object stays referenced by this script object until shutdown."""
import math

import Spindlewake
import TolvaEngine
from scripts.level import Level
from TolvaEngine import PhysicalBase_CollidableType as Collidable
from TolvaValues.Ogre import Quaternion, Vector3

# The control registry's control type of a keyboard key; the values are OIS key codes.
KEY = 1
# The game's commands and the keys that drive them when a player's controls file binds none.
DEFAULT_KEYS = [
    ("Left", "Movement", 30),  # A
    ("Right", "Movement", 32),  # D
    ("Forward", "Movement", 17),  # W
    ("Backward", "Movement", 31),  # S
    ("Up", "View", 200),  # up arrow
    ("Down", "View", 208),  # down arrow
    ("Left", "View", 203),  # left arrow
    ("Right", "View", 205),  # right arrow
    # "Zoom In" widens the camera's distance, "Zoom Out" narrows it: Page Up brings the camera
    # closer, as the keys' labels say.
    ("Zoom Out", "View", 201),  # Page Up
    ("Zoom In", "View", 209),  # Page Down
    ("Toggle Local", "View", 38),  # L
]

START = Vector3(0, 1, 8)
# Below this height the sphere has fallen off the level and is put back at the start.
FALL_LIMIT = -30.0
GRAVITY = Vector3(0, -9.81, 0)
# A torque fit for a ball of radius 1 and mass 1: the body receives the sum of five requests.
ROLL_SPEED = 2.0
# The closest the camera comes to the sphere's centre: out of the ball (radius 1), of the near
# plane's reach around the eye and of the trail leaving the ball, with the ball a fair part of
# the picture rather than all of it.
CAMERA_MINIMUM_DISTANCE = 4.0
# What the level's fixed pieces collide with. Not triggers: a trigger lying on the floor would
# report the floor as an object entering it.
FIXED_PARTNERS = Collidable.COLL_MOVABLE | Collidable.COLL_SPHERE | Collidable.COLL_CAMERA

# Obstacles: (position of the centre, size, turn about the vertical axis in degrees).
BLOCKS = [
    (Vector3(-6, 1, -2), Vector3(2, 2, 2), 0),
    (Vector3(5, 0.75, -6), Vector3(3, 1.5, 1.5), 30),
    (Vector3(0, 2, -14), Vector3(12, 4, 1), 0),
    (Vector3(-12, 1.5, 6), Vector3(1, 3, 8), 0),
]
# The rim along the floor's edges, higher than the sphere's radius: nothing slows a rolling sphere
# but what it meets, and the rim is what it meets before the edge.
RIM = [
    (Vector3(-19.5, 0.75, 0), Vector3(1, 1.5, 40), 0),
    (Vector3(19.5, 0.75, 0), Vector3(1, 1.5, 40), 0),
    (Vector3(0, 0.75, -19.5), Vector3(38, 1.5, 1), 0),
    (Vector3(0, 0.75, 19.5), Vector3(38, 1.5, 1), 0),
]
# The ramp: a slab tilted about the x axis, rising toward -z.
RAMP = (Vector3(10, 0.6, 4), Vector3(4, 0.4, 8), 12)
# The section of engine.cfg that names a compositor effect (the HDR render path is
# "compositor/HDR"); the level is drawn in it when the graphics module could make it.
EFFECT_SECTION = "CompositorEffect-01"


def turn(degrees, axis):
    """The rotation by the angle about the unit axis."""
    half = math.radians(degrees) / 2
    return Quaternion(math.cos(half), axis.x * math.sin(half), axis.y * math.sin(half), axis.z * math.sin(half))


def configuredEffect(engine):
    """The compositor effect that engine.cfg names, when the graphics module made it; else None."""
    try:
        name = engine.getConfigFile().getValueString(EFFECT_SECTION, "Compositor")
    except ValueError:
        return None
    return name if engine.getGraphics().isEffectAvailable(name) else None


class Beacon(Spindlewake.Inventory_Item):
    """The item the sphere starts with: it only reports what happens to it."""

    def __init__(self):
        Spindlewake.Inventory_Item.__init__(self, "Beacon", False)
        self.isEquipped = False

    def modeChanged(self, mode):
        print("%s is now in mode %s" % (self.getName(), mode))

    def equipped(self):
        self.isEquipped = True
        print("%s equipped" % self.getName())

    def unequipped(self):
        self.isEquipped = False
        print("%s unequipped" % self.getName())


class Game:
    def __init__(self):
        engine = TolvaEngine.TolvaSingleton.getInstance()
        self.game = TolvaEngine.GameSingleton.getInstance()
        self.physics = engine.getPhysics()
        self.physics.setGravity(GRAVITY)
        # Every object of the level, in the order it was built.
        self.objects = []
        self.bindDefaultKeys()
        self.buildLevel(engine)
        self.buildSphere()
        self.level = Level(self.game, self.sphere)
        effect = configuredEffect(engine)
        if effect is not None:
            for shown in self.objects + self.level.objects + [self.sphere]:
                if isinstance(shown, TolvaEngine.RenderableObject):
                    shown.setEffectEnable(effect, True)

    def bindDefaultKeys(self):
        """Binds each of the game's commands that the controls file left without a key."""
        registry = self.game.getControlRegistry()
        base = TolvaEngine.GameControlRegistry_Modifier()
        bound = set((command.name, command.category) for command in registry.getBindings(base).values())
        taken = set(control.getValue() for control in registry.getBindings(base).keys())
        for command in registry.getCommands():
            for name, category, key in DEFAULT_KEYS:
                if (command.name, command.category) == (name, category) and (name, category) not in bound:
                    if key not in taken:
                        control = TolvaEngine.GameControlRegistry_Control(
                            TolvaEngine.GameControlRegistry_Control_Type.TYPE_KEY, key)
                        registry.bind(base, control, command)

    def addBox(self, name, mesh, position, size, orientation):
        """A static box of the level: its collision box, and the mesh scaled to it as a child."""
        box = TolvaEngine.PhysicsObject(self.physics.createBoxGeometry(size))
        box.getBase().setCollisionCategory(Collidable.COLL_FIXED)
        box.getBase().setCollisionPartners(FIXED_PARTNERS)
        box.setPosition(position)
        box.setOrientation(orientation)
        shape = TolvaEngine.MeshObject(name, mesh)
        shape.setScale(size)
        box.addChild(shape)
        self.objects += [box, shape]
        return box

    def buildLevel(self, engine):
        # The floor mesh is a 40 x 1 x 40 slab whose top is the plane y = 0.
        floor = TolvaEngine.PhysicsObject(self.physics.createBoxGeometry(Vector3(40, 1, 40)))
        floor.getBase().setCollisionCategory(Collidable.COLL_FIXED)
        floor.getBase().setCollisionPartners(FIXED_PARTNERS)
        floor.setPosition(Vector3(0, -0.5, 0))
        floorShape = TolvaEngine.MeshObject("Level Floor", "level_floor.mesh")
        self.objects += [floor, floorShape]

        for index, (position, size, degrees) in enumerate(BLOCKS + RIM):
            self.addBox("Level Block %d" % index, "level_block.mesh", position, size, turn(degrees, Vector3.UNIT_Y))
        position, size, degrees = RAMP
        self.addBox("Level Ramp", "level_block.mesh", position, size, turn(degrees, Vector3.UNIT_X))

        sun = TolvaEngine.DirectionalLight("Level Sun")
        sun.setDirection(Vector3(-0.3, -0.8, -1))
        sun.setDiffuse(0.9, 0.85, 0.75)
        self.objects.append(sun)

    def buildSphere(self):
        self.sphere = Spindlewake.PlaySphere("PlaySphere", "play_sphere.mesh")
        self.sphere.setPosition(START)
        self.game.setPlaySphere(self.sphere)
        controls = self.game.getControls()
        controls.setMode(Spindlewake.GameControl_Mode.MODE_ROLL)
        controls.setSpeed(ROLL_SPEED)
        camera = self.game.getCamera()
        camera.setMinimumFocalDistance(CAMERA_MINIMUM_DISTANCE)
        camera.place(START + Vector3(0, 3, 8), Vector3.ZERO)
        self.beacon = Beacon()
        self.sphere.getInventory().addItem(self.beacon)

    def frame(self, seconds):
        self.level.frame(seconds)
        if self.sphere is not None and self.sphere.getPosition().y < FALL_LIMIT:
            body = self.sphere.getMovableBody()
            body.setLinearVelocity(Vector3(0, 0, 0))
            body.setAngularVelocity(Vector3(0, 0, 0))
            self.sphere.setPosition(START)

    def shutdown(self):
        self.level.shutdown()
        self.level = None
        # The game, the camera and the controls forget the sphere before it goes, the inventory
        # forgets the item before it goes.
        self.game.setPlaySphere(None)
        if self.sphere is not None:
            self.sphere.getInventory().removeAllItems()
        self.beacon = None
        self.sphere = None
        while self.objects:
            self.objects.pop()
