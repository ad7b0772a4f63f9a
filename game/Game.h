// The game module of Spindlewake. It forwards the keyboard and mouse events that reach it (after
// the console and the GUI) to the control registry, owns the registry (kept in "controls.cfg" in
// the data directory), the player controls and the game camera, and runs the game's scripts:
//
//   initialise  the statements of the resource "scripts/game/OgreLoader.py" (the import hook
//               through which scripts are read from the resource locations), then the package
//               "scripts.game", whose Game.Game() becomes the game script object
//   frame       the game script object's frame(seconds); a script error is logged and the game
//               goes on
//   shutdown    its shutdown(), if it has one; errors are ignored
//
// The play sphere belongs to the scripts; the game only points at it and hands it to the camera
// (as focal point) and to the player controls. The camera exists from initialise to shutdown.
#pragma once

#include <OISKeyboard.h>
#include <OISMouse.h>

#include <boost/python/object.hpp>
#include <boost/signals2/connection.hpp>

#include <memory>
#include <vector>

#include "core/GameBase.h"

namespace tolva {

class Camera;
class GameControl;
class OisControlState;
class PlaySphere;

class Game : public GameBase, public OIS::KeyListener, public OIS::MouseListener {
public:
    /// Connects to the input module's five signals (behind the slots already there), creates
    /// the player controls and the control registry.
    Game();
    /// Deletes the control registry and the player controls and releases the game script
    /// object; the camera went at shutdown.
    ~Game() override;

    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    /// Creates the camera (carrying the sound listener), registers the player commands, reads
    /// the bindings and starts the game's scripts.
    /// @throw ScriptingException "Failed to install python OGRE resource loader.", "Failed to
    ///        initialise game script module." or "Failed to create game script instance.",
    ///        with the Python error (if any) left pending for the catcher to report
    void initialise() override;
    /// The updateables, the player controls, the registry's repeats, then the game script.
    void frame(float seconds) override;
    /// Tells the game script, writes the bindings and deletes the camera.
    void shutdown() override;

    // Input events, answered by the control registry: true when it consumed the event.
    bool keyPressed(const OIS::KeyEvent& event) override;
    bool keyReleased(const OIS::KeyEvent& event) override;
    bool mouseMoved(const OIS::MouseEvent& event) override;
    bool mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button) override;
    bool mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button) override;

    /// Null outside initialise to shutdown (and without a graphics module).
    Camera* getCamera() const { return mCamera; }
    /// The game script object (None before initialise).
    boost::python::object getGameScript() const { return mGameScript; }
    PlaySphere* getPlaySphere() const { return mPlaySphere; }
    /// Makes the sphere (not owned; null for none) the camera's focal point and the player
    /// controls' sphere. A sphere that is destroyed takes itself out first.
    void setPlaySphere(PlaySphere* sphere);
    GameControl* getControls() const { return mControls; }

private:
    void startScripts();
    /// Lets go of the sound listener and deletes the camera, if there is one.
    void destroyCamera();

    Camera* mCamera = nullptr;
    boost::python::object mGameScript;
    PlaySphere* mPlaySphere = nullptr;
    GameControl* mControls = nullptr;
    std::unique_ptr<OisControlState> mControlState;
    std::vector<boost::signals2::scoped_connection> mInputConnections;
};

} // namespace tolva
