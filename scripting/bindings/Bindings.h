// The pieces of the TolvaEngine module body, one function per bound class (or group of classes),
// called by TolvaEngineModule.cpp in the module's definition order. Each lives in the bindings
// file of the engine subsystem whose classes it binds: CoreBindings.cpp, SceneBindings.cpp (the
// graphics module), SceneObjectBindings.cpp, MeshBindings.cpp, PhysicsBindings.cpp,
// PhysicalObjectBindings.cpp, AudioBindings.cpp, SoundBindings.cpp, InputBindings.cpp. The game's own module lives in
// game/. The wrappers a binding needs are in scripting/wrappers/, the shared machinery (signals, holders, converters)
// in scripting/support/; the outside libraries' values are the TolvaValues module's (scripting/values/).
//
// Classes that own engine, rendering, physics or sound resources are bound noncopyable, whatever
// their C++ copy constructors: a copy would free what it shares twice.
#pragma once

namespace tolva::bindings {

/// The engine exceptions that reach scripts as Python's own: InvalidArgumentException as
/// ValueError, NotFoundException as KeyError, FileAccessException as IOError (OSError).
void registerExceptionTranslators();

// CoreBindings.cpp

/// `TolvaSingleton` and `GameSingleton`: the static getInstance of the engine and the game.
void bindSingletons();
/// `Engine`: the engine root and its module accessors.
void bindEngine();
/// `ConfigFile`: the text of "engine.cfg" by section and key.
void bindConfigFile();
/// `Connection`: the signal library's connection handle, with blocking.
void bindConnection();
/// `ScheduleListener`, implemented by scripts.
void bindScheduleListener();
/// `Time`: the one-shot schedule.
void bindTime();
/// `Log`: the engine log, which serves as the interpreter's sys.stdout and sys.stderr.
void bindLog();
/// `GameBase`: the engine's side of the game module.
void bindGameBase();

// SceneBindings.cpp

/// `Graphics` and the converters of its resolution and its lists of display settings.
void bindGraphics();

// AudioBindings.cpp

/// `AudioListener` and `Audio`.
void bindAudio();

// InputBindings.cpp

/// `KeyEvent`, `MouseMotionEvent`, `MouseButtonEvent`: the input signals scripts connect to.
void bindInputSignals();
/// `Input`: the input module with its five signals.
void bindInput();
/// `Gui`: the GUI module; windows reach scripts as TolvaValues.CEGUI.Window handles.
void bindGui();
/// `GameControlRegistry_Control_Type`, `GameControlRegistry_Control`,
/// `GameControlRegistry_Modifier_Type`, `GameControlRegistry_Modifier` and the converter of a
/// modifier's controls.
void bindControlValues();
/// `GameControlRegistry_Command`.
void bindCommand();
/// `GameControlRegistry_CommandHandler`, implemented by scripts.
void bindCommandHandler();
/// `GameControlRegistry` and the converters of its commands, modifiers and bindings.
void bindControlRegistry();

// SceneObjectBindings.cpp

/// `Hierarchical` and `Transformable`. Also makes every scene and physical object tell the
/// handles scripts hold of it when it is destroyed.
void bindHierarchy();
/// `GameObject` and `RenderableObject`.
void bindGameObject();
/// `NodeObject`, `TransformObject`, `Light`, `PointLight`, `DirectionalLight`, `SpotLight`,
/// `BillboardEffect`, `BillboardChainEffect`, `RibbonTrailEffect`.
void bindSceneObjects();

// MeshBindings.cpp

/// `MeshObjectRenderType`, `MeshObject`, `ParticleSystem`.
void bindMeshObjects();

// SoundBindings.cpp

/// `Sound_Listener` with its holder classes, `Sound_Category`, `Sound`, `ImpactSound`,
/// `GainControlSound`, `AngularVelocitySound`, `JointAngleRateSound`.
void bindSounds();
/// `FadeModule`, `MusicManager_Listener`, `MusicManager_FadeTarget`, the music listener's holder
/// classes and `MusicManager`.
void bindMusic();

// PhysicsBindings.cpp

/// `Contact`, `ContactListener`, `Physics_MassType`, `Physics`.
void bindPhysics();
/// `PhysicalBase_CollidableType`, `CollisionEvent`, `PhysicalBase`.
void bindPhysicalBase();
/// `InterfaceHolder_CollisionListener`, `InterfaceHolderConnection_CollisionListener` and
/// `CollisionListener`, implemented by scripts.
void bindCollisionListener();

// PhysicalObjectBindings.cpp

/// `SinglePhysical`, `CompoundPhysical`, `SkeletalRig`, `PhysicsObject`,
/// `GravityMap_OperationMode`, `GravityMap`, `RayObject`, `OccupancyEvent`, `Trigger`.
void bindPhysicalObjects();
/// `MovableObject`.
void bindMovableObject();

} // namespace tolva::bindings
