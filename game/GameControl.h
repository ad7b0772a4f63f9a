// The player controls: registers the eleven movement and view commands in the game's control
// registry and turns them into play sphere and camera actions.
//
// Rolling mode pushes the sphere with torques about the camera's two horizontal axes, tilted onto
// the floor the sphere last touched. Flying mode bends the sphere's velocity toward up, down or
// the sides while keeping its speed, and switches the sphere's thruster on in the first frame of
// thrust and off in the first frame without. Look and zoom commands turn, pitch and zoom the
// camera, scaled by the mouse sensitivity ("Mouse Sensitivity" in the section "Game" of
// "engine.cfg"). A held look or zoom key acts by time: each frame it moves the camera by one
// command's amount times the frame's share of a sixtieth of a second, so the camera turns as
// fast at any frame rate; mouse motion moves it by one amount per event.
//
// The game module frames this module before the control registry, so the commands that the
// registry repeats in one frame are seen by the next frame's thruster step.
#pragma once

#include <OgreVector.h>

#include <list>

#include "core/EngineModule.h"
#include "input/GameControlRegistry.h"

namespace tolva {

class Camera;
class PlaySphere;

class GameControl : public EngineModule {
public:
    enum Mode { MODE_BASE = 0, MODE_FLY = 1, MODE_ROLL = 2 };

    /// Calls one member of the controls with a command's value.
    class GenericCommandHandler : public GameControlRegistry::CommandHandler {
    public:
        typedef void (GameControl::*Handler)(int value);

        GenericCommandHandler(GameControl* controls, Handler handler)
            : mControls(controls)
            , mHandler(handler)
        {
        }
        void handleCommand(int value) override { (mControls->*mHandler)(value); }

    private:
        GameControl* mControls;
        Handler mHandler;
    };

    /// Flying mode; reads the mouse sensitivity (without writing it back).
    GameControl();
    /// The registered commands keep pointing at handlers of this object: the registry must go
    /// first.
    ~GameControl() override = default;

    GameControl(const GameControl&) = delete;
    GameControl& operator=(const GameControl&) = delete;

    /// Registers the commands in the game module's control registry.
    void initialise() override;
    /// The thruster follows thrust (flying mode only), then the thrust of this frame is reset.
    void frame(float seconds) override;
    void shutdown() override { }

    Mode getMode() const { return mMode; }
    /// Switches nothing else (the thruster stays as it is).
    void setMode(Mode mode) { mMode = mode; }
    bool isCameraEnabled() const { return mCameraEnabled; }
    /// Look, zoom and view toggle act only while the camera is enabled.
    void setCameraEnabled(bool enabled) { mCameraEnabled = enabled; }
    Camera* getCamera() const { return mCamera; }
    void setCamera(Camera* camera) { mCamera = camera; }
    PlaySphere* getPlaySphere() const { return mPlaySphere; }
    /// Null: movement commands move nothing.
    void setPlaySphere(PlaySphere* sphere) { mPlaySphere = sphere; }
    const Ogre::Vector3& getSphereFloorPlaneNormal() const { return mSphereFloorPlaneNormal; }
    /// Stored at unit length (a vector of length 1e-8 or less as it is); the torque axes follow.
    /// The setters of numbers refuse NaN and infinities (InvalidArgumentException).
    void setSphereFloorPlaneNormal(const Ogre::Vector3& normal);
    float getMouseSensitivity() const { return mMouseSensitivity; }
    /// Also stored in the configuration.
    void setMouseSensitivity(float sensitivity);
    /// Torque per rolling command.
    float getSpeed() const { return mSpeed; }
    void setSpeed(float speed);
    /// How far one flying command bends the velocity, relative to the speed.
    float getFlySpeed() const { return mFlySpeed; }
    void setFlySpeed(float speed);

    // Command handlers.
    void moveLeft(int value);
    void moveRight(int value);
    void moveForward(int value);
    void moveBackward(int value);
    void lookUp(int value);
    void lookDown(int value);
    void lookLeft(int value);
    void lookRight(int value);
    void zoomIn(int value);
    void zoomOut(int value);
    void viewToggle(int value);

    /// The axis tilted from the horizontal onto the floor plane (not normalised).
    static Ogre::Vector3 tiltOntoFloor(const Ogre::Vector3& axis, const Ogre::Vector3& floorNormal);

private:
    GameControlRegistry::CommandHandler* createCommandHandler(GenericCommandHandler::Handler handler);
    void populateCommandRegistry();
    /// Marks thrust; in flying mode brings the fly vectors up to date first.
    /// @return whether the controls fly
    bool startMove();
    /// In rolling mode: the pitch (forward) or roll (sideways) torque with that sign.
    void roll(bool pitch, float sign);
    void fly(const Ogre::Vector3& direction);
    void updateFlyVectors();
    void updatePitchTorqueVector();
    void updateRollTorqueVector();
    bool isSteerable() const;
    /// How many frames of 60 a second one call stands for: the elapsed time of a held key's
    /// repeat, 1 for a single event (mouse motion, a key going down).
    double heldFrames() const;
    /// Hands the camera a look or zoom step; a step it refuses is skipped with a warning.
    void moveCamera(void (Camera::*step)(float), float amount);
    float lookAmount(int value) const;
    float zoomAmount(int value) const;

    Camera* mCamera = nullptr;
    PlaySphere* mPlaySphere = nullptr;
    Mode mMode = MODE_FLY;
    bool mCameraEnabled = true;
    std::list<GenericCommandHandler> mCommandHandlers;
    bool mThrusting = false;
    bool mThrustRequested = false;
    Ogre::Vector3 mSampledVelocity = Ogre::Vector3::ZERO;
    double mSampledSpeed = 0.0;
    bool mFlyVectorsStale = true;
    Ogre::Vector3 mFlyUp = Ogre::Vector3::UNIT_Y;
    Ogre::Vector3 mFlyRight = Ogre::Vector3::UNIT_X;
    Ogre::Vector3 mSphereFloorPlaneNormal = Ogre::Vector3::UNIT_Y;
    bool mRollTorqueStale = true;
    bool mPitchTorqueStale = true;
    Ogre::Vector3 mRollTorque = Ogre::Vector3::ZERO;
    Ogre::Vector3 mPitchTorque = Ogre::Vector3::ZERO;
    float mMouseSensitivity = 1.0f;
    float mSpeed = 500.0f;
    float mFlySpeed = 1.0f;
    /// A refused camera step or bend has been reported since the value behind it was set.
    bool mViewStepWarned = false;
    bool mFlyBendWarned = false;
};

} // namespace tolva
