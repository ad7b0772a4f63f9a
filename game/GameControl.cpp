#include "game/GameControl.h"

#include <OgreMath.h>
#include <OgreMatrix3.h>

#include <boost/any.hpp>

#include <cmath>
#include <string>

#include "core/ConfigFile.h"
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/GameBase.h"
#include "core/LogLine.h"
#include "core/ToString.h"
#include "game/Camera.h"
#include "game/GameMath.h"
#include "game/PlaySphere.h"

namespace tolva {

namespace {

const char* const GameSection = "Game";
const char* const SensitivityKey = "Mouse Sensitivity";
/// The camera turns by at most 1e15 degrees a call: beyond this, held look keys are mostly refused.
const float LargestSensitivity = 1e15f;
/// The frame rate at which a held look or zoom key moves the camera by one command's amount.
const double ReferenceFramesPerSecond = 60.0;

// Numbers reach the camera and the sphere's body, whose libraries abort on NaN.
float finite(float value, const char* member)
{
    if (!std::isfinite(value)) {
        throw InvalidArgumentException(std::string("GameControl.") + member + " needs a finite number.");
    }
    return value;
}

} // namespace

GameControl::GameControl()
{
    Engine* engine = Engine::getInstance();
    if (ConfigFile* config = engine ? engine->getConfigFile() : nullptr) {
        const boost::any value
            = config->getValueDefault(GameSection, ConfigFile::PT_REAL, SensitivityKey, boost::any(1.0f));
        const float* sensitivity = boost::any_cast<float>(&value);
        if (sensitivity && std::isfinite(*sensitivity)) {
            mMouseSensitivity = *sensitivity;
            // A value this large turns the camera farther in one key's step than it takes, so
            // the player's look keys would do nothing without a word.
            if (std::fabs(*sensitivity) > LargestSensitivity) {
                logWarning("Warning: [" + std::string(GameSection) + "] " + SensitivityKey + "="
                    + config->getValueString(GameSection, SensitivityKey) + " in '" + config->getFileName()
                    + "' is beyond 1e15: look and zoom steps the camera cannot take are skipped.");
            }
        }
    }
}

void GameControl::initialise()
{
    populateCommandRegistry();
}

void GameControl::frame(float seconds)
{
    if (mMode == MODE_FLY) {
        mFlyVectorsStale = true;
        const bool steerable = isSteerable();
        if (steerable) {
            mSampledVelocity = mPlaySphere->getMovableBody()->getLinearVelocity();
        }
        if (steerable && mThrusting && !mThrustRequested) {
            mPlaySphere->setThrusterEnabled(false);
        }
        if (steerable && !mThrusting && mThrustRequested) {
            mPlaySphere->setThrusterEnabled(true);
        }
    }
    mThrusting = mThrustRequested;
    mThrustRequested = false;
}

void GameControl::setSphereFloorPlaneNormal(const Ogre::Vector3& normal)
{
    if (!std::isfinite(normal.squaredLength())) {
        throw InvalidArgumentException("GameControl.setSphereFloorPlaneNormal needs a vector of finite length.");
    }
    mSphereFloorPlaneNormal = normalisedOrSame(normal);
    mRollTorqueStale = true;
    mPitchTorqueStale = true;
}

void GameControl::setMouseSensitivity(float sensitivity)
{
    finite(sensitivity, "setMouseSensitivity");
    mMouseSensitivity = sensitivity;
    mViewStepWarned = false;
    Engine* engine = Engine::getInstance();
    if (ConfigFile* config = engine ? engine->getConfigFile() : nullptr) {
        config->setValue(GameSection, ConfigFile::PT_REAL, SensitivityKey, boost::any(sensitivity));
    }
}

void GameControl::setSpeed(float speed)
{
    // The speed scales a unit torque into the play sphere, which refuses components beyond 1e30.
    if (!(std::fabs(speed) <= 1e29f)) {
        throw InvalidArgumentException("GameControl.setSpeed needs a finite number of at most 1e29.");
    }
    mSpeed = speed;
}

void GameControl::setFlySpeed(float speed)
{
    mFlySpeed = finite(speed, "setFlySpeed");
    mFlyBendWarned = false;
}

// ---------------------------------------------------------------------------------------------
// Commands

GameControlRegistry::CommandHandler* GameControl::createCommandHandler(GenericCommandHandler::Handler handler)
{
    mCommandHandlers.emplace_back(this, handler);
    return &mCommandHandlers.back();
}

void GameControl::populateCommandRegistry()
{
    struct Row {
        const char* name;
        const char* category;
        bool repeat;
        GenericCommandHandler::Handler handler;
    };
    static const Row table[] = {
        {"Left", "Movement", true, &GameControl::moveLeft},
        {"Right", "Movement", true, &GameControl::moveRight},
        {"Forward", "Movement", true, &GameControl::moveForward},
        {"Backward", "Movement", true, &GameControl::moveBackward},
        {"Up", "View", true, &GameControl::lookUp},
        {"Down", "View", true, &GameControl::lookDown},
        {"Left", "View", true, &GameControl::lookLeft},
        {"Right", "View", true, &GameControl::lookRight},
        {"Zoom In", "View", true, &GameControl::zoomIn},
        {"Zoom Out", "View", true, &GameControl::zoomOut},
        {"Toggle Local", "View", false, &GameControl::viewToggle},
    };
    GameControlRegistry* registry = Engine::getInstance()->getGame()->getControlRegistry();
    for (const Row& row : table) {
        registry->addCommand(
            GameControlRegistry::Command(row.name, row.category, row.repeat, createCommandHandler(row.handler)));
    }
}

void GameControl::moveLeft(int value)
{
    if (startMove()) {
        fly(-mFlyRight);
    }
    roll(false, -1.0f);
}

void GameControl::moveRight(int value)
{
    if (startMove()) {
        fly(mFlyRight);
    }
    roll(false, 1.0f);
}

void GameControl::moveForward(int value)
{
    if (startMove()) {
        fly(-mFlyUp);
    }
    roll(true, 1.0f);
}

void GameControl::moveBackward(int value)
{
    if (startMove()) {
        fly(mFlyUp);
    }
    roll(true, -1.0f);
}

void GameControl::lookUp(int value)
{
    if (mCamera && mCameraEnabled) {
        moveCamera(&Camera::addPitch, lookAmount(value));
    }
}

void GameControl::lookDown(int value)
{
    if (mCamera && mCameraEnabled) {
        moveCamera(&Camera::addPitch, -lookAmount(value));
    }
}

void GameControl::lookLeft(int value)
{
    // The torque axes follow the camera's turn, whether or not the camera may turn now.
    mRollTorqueStale = true;
    mPitchTorqueStale = true;
    if (mCamera && mCameraEnabled) {
        moveCamera(&Camera::rotate, lookAmount(value));
    }
}

void GameControl::lookRight(int value)
{
    mRollTorqueStale = true;
    mPitchTorqueStale = true;
    if (mCamera && mCameraEnabled) {
        moveCamera(&Camera::rotate, -lookAmount(value));
    }
}

void GameControl::zoomIn(int value)
{
    if (mCamera && mCameraEnabled) {
        moveCamera(&Camera::addFocalDistance, zoomAmount(value));
    }
}

void GameControl::zoomOut(int value)
{
    if (mCamera && mCameraEnabled) {
        moveCamera(&Camera::addFocalDistance, -zoomAmount(value));
    }
}

void GameControl::viewToggle(int value)
{
    if (mCamera && mCameraEnabled) {
        mCamera->setLocal(!mCamera->isLocal());
    }
}

void GameControl::moveCamera(void (Camera::*step)(float), float amount)
{
    // The amount grows with the sensitivity and with the frame's time, so no setter can rule it
    // out; a key handler must not end the game over it. One line for a held key, not one a frame.
    try {
        (mCamera->*step)(amount);
    } catch (const InvalidArgumentException& e) {
        if (!mViewStepWarned) {
            mViewStepWarned = true;
            logWarning("Warning: A look or zoom step of " + ToString(amount) + " (" + SensitivityKey + " "
                + ToString(mMouseSensitivity) + ") is skipped: " + e.what());
        }
    }
}

double GameControl::heldFrames() const
{
    // Held keys repeat once a frame; by time, the camera turns as fast at any frame rate.
    Engine* engine = Engine::getInstance();
    GameBase* game = engine ? engine->getGame() : nullptr;
    const GameControlRegistry* registry = game ? game->getControlRegistry() : nullptr;
    if (!registry || !registry->isRepeating()) {
        return 1.0;
    }
    const double seconds = registry->getRepeatSeconds();
    return std::isfinite(seconds) && seconds > 0.0 ? seconds * ReferenceFramesPerSecond : 0.0;
}

float GameControl::lookAmount(int value) const
{
    return static_cast<float>(0.1 * value * mMouseSensitivity * heldFrames());
}

float GameControl::zoomAmount(int value) const
{
    // In floating point: a held key repeats with the value 1, which in whole numbers would
    // zoom by nothing.
    return static_cast<float>(value / 120.0 * 10.5 * mMouseSensitivity * heldFrames());
}

// ---------------------------------------------------------------------------------------------
// Movement

bool GameControl::isSteerable() const
{
    return mPlaySphere && mPlaySphere->isEnabled();
}

bool GameControl::startMove()
{
    mThrustRequested = true;
    if (mMode != MODE_FLY) {
        return false;
    }
    if (mFlyVectorsStale) {
        updateFlyVectors();
        mFlyVectorsStale = false;
    }
    return true;
}

void GameControl::roll(bool pitch, float sign)
{
    if (mMode != MODE_ROLL) {
        return;
    }
    if (pitch && mPitchTorqueStale) {
        updatePitchTorqueVector();
        mPitchTorqueStale = false;
    } else if (!pitch && mRollTorqueStale) {
        updateRollTorqueVector();
        mRollTorqueStale = false;
    }
    if (isSteerable()) {
        mPlaySphere->addTorque((pitch ? mPitchTorque : mRollTorque) * (sign * mSpeed));
    }
}

void GameControl::updateFlyVectors()
{
    // A sphere at rest has no direction of flight; fly() moves nothing then. In double
    // precision: the squares of a fast body's velocity pass the float range.
    const Ogre::Vector3& v = mSampledVelocity;
    mSampledSpeed = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    if (mSampledSpeed == 0.0) {
        return;
    }
    const Ogre::Vector3 direction(
        float(v.x / mSampledSpeed), float(v.y / mSampledSpeed), float(v.z / mSampledSpeed));
    if (std::fabs(direction.dotProduct(Ogre::Vector3::UNIT_Y)) > 0.95f) {
        mFlyRight = mCamera ? mCamera->getXZRight() : Ogre::Vector3::UNIT_X;
    } else {
        mFlyRight = direction.crossProduct(Ogre::Vector3::UNIT_Y);
    }
    mFlyUp = mFlyRight.crossProduct(direction);
}

void GameControl::fly(const Ogre::Vector3& direction)
{
    if (!isSteerable() || mSampledVelocity == Ogre::Vector3::ZERO) {
        return;
    }
    // In double precision: the fly speed times the speed passes the float range long before the
    // bent velocity, which has the sampled speed again, does.
    const double reach = double(mFlySpeed) * mSampledSpeed;
    double bent[3] = {mSampledVelocity.x + direction.x * reach, mSampledVelocity.y + direction.y * reach,
        mSampledVelocity.z + direction.z * reach};
    const double length = std::sqrt(bent[0] * bent[0] + bent[1] * bent[1] + bent[2] * bent[2]);
    const double scale = length > 1e-08 ? mSampledSpeed / length : mSampledSpeed;
    const Ogre::Vector3 velocity(float(bent[0] * scale), float(bent[1] * scale), float(bent[2] * scale));
    try {
        mPlaySphere->getMovableBody()->setLinearVelocity(velocity);
    } catch (const InvalidArgumentException& e) {
        // A movement key must not end the game: the flight goes on unbent.
        if (!mFlyBendWarned) {
            mFlyBendWarned = true;
            logWarning(std::string("Warning: A bend of the flight is skipped: ") + e.what());
        }
    }
}

void GameControl::updatePitchTorqueVector()
{
    mPitchTorque
        = tiltOntoFloor(mCamera ? mCamera->getXZRight() : Ogre::Vector3::NEGATIVE_UNIT_X, mSphereFloorPlaneNormal);
}

void GameControl::updateRollTorqueVector()
{
    mRollTorque
        = tiltOntoFloor(mCamera ? mCamera->getXZDirection() : Ogre::Vector3::NEGATIVE_UNIT_Z, mSphereFloorPlaneNormal);
}

Ogre::Vector3 GameControl::tiltOntoFloor(const Ogre::Vector3& axis, const Ogre::Vector3& floorNormal)
{
    const float cosine = Ogre::Vector3::UNIT_Y.dotProduct(floorNormal);
    if (std::fabs(1.0f - cosine) <= 0.01f) {
        return axis;
    }
    const Ogre::Vector3 reference = std::fabs(-1.0f - cosine) <= 0.01f ? axis : Ogre::Vector3::UNIT_Y;
    const Ogre::Radian angle = Ogre::Math::ACos(cosine);
    // The turn axis keeps its length (sin of the angle for the up reference), as the feel of
    // the controls on slopes was tuned with it.
    const Ogre::Vector3 turnAxis = reference.crossProduct(floorNormal);
    Ogre::Matrix3 tilt;
    tilt.FromAngleAxis(turnAxis, angle);
    return tilt * axis;
}

} // namespace tolva
