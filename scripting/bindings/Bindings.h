// The pieces of the TolvaEngine module body, one function per bound class (or group of classes),
// called by TolvaEngineModule.cpp in the module's definition order. Each lives in the bindings
// file of the engine folder whose classes it binds: CoreBindings.cpp, SceneBindings.cpp,
// PhysicsBindings.cpp, AudioBindings.cpp, InputBindings.cpp. The game's own module lives in game/.
// The wrappers a binding needs are in scripting/wrappers/, the shared machinery (signals, holders,
// converters) in scripting/support/.
#pragma once

namespace tolva::bindings {

/// The engine exceptions that reach scripts as Python's own: InvalidArgumentException as
/// ValueError, NotFoundException as KeyError, FileAccessException as IOError (OSError).
void registerExceptionTranslators();

/// `Connection`: the signal library's connection handle, with blocking.
void bindConnection();
/// `ScheduleListener`, implemented by scripts.
void bindScheduleListener();
/// `Time`: the one-shot schedule.
void bindTime();
/// `Log`: the engine log, which serves as the interpreter's sys.stdout and sys.stderr.
void bindLog();

/// `InterfaceHolder_CollisionListener`, `InterfaceHolderConnection_CollisionListener` and
/// `CollisionListener`, implemented by scripts.
void bindCollisionListener();

/// `GameControlRegistry_CommandHandler`, implemented by scripts.
void bindCommandHandler();

} // namespace tolva::bindings
