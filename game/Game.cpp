#include "game/Game.h"

#include <OgreDataStream.h>

#include <boost/filesystem/path.hpp>
#include <boost/python.hpp>

#include "audio/Audio.h"
#include "audio/SoundListener.h"
#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "core/ResourceLocator.h"
#include "game/Camera.h"
#include "game/GameControl.h"
#include "game/PlaySphere.h"
#include "input/GameControlRegistry.h"
#include "input/Input.h"
#include "input/OisControlState.h"
#include "scene/Graphics.h"
#include "scripting/Python.h"
#include "scripting/support/RunningScript.h"

namespace bp = boost::python;

namespace tolva {

namespace {

const char* const LoaderResource = "scripts/game/OgreLoader.py";
const char* const ScriptPackage = "scripts.game";

SoundListener* soundListener()
{
    Audio* audio = Engine::getInstance()->getAudio();
    return audio ? audio->getListener() : nullptr;
}

} // namespace

Game::Game()
{
    Engine* engine = Engine::getInstance();
    if (Input* input = engine->getInput()) {
        mInputConnections.emplace_back(
            input->eventKeyPressed().connect([this](const OIS::KeyEvent& event) { return keyPressed(event); }));
        mInputConnections.emplace_back(
            input->eventKeyReleased().connect([this](const OIS::KeyEvent& event) { return keyReleased(event); }));
        mInputConnections.emplace_back(
            input->eventMouseMoved().connect([this](const OIS::MouseEvent& event) { return mouseMoved(event); }));
        mInputConnections.emplace_back(input->eventMousePressed().connect(
            [this](const OIS::MouseEvent& event, OIS::MouseButtonID button) { return mousePressed(event, button); }));
        mInputConnections.emplace_back(input->eventMouseReleased().connect(
            [this](const OIS::MouseEvent& event, OIS::MouseButtonID button) { return mouseReleased(event, button); }));
    }
    mControls = new GameControl();
    setControlRegistry(
        new GameControlRegistry((boost::filesystem::path(engine->getDataDirectory()) / "controls.cfg").string()));
    // A release that the console or the GUI consumed would otherwise leave a command held.
    if (Input* input = engine->getInput()) {
        mControlState = std::make_unique<OisControlState>(input->getKeyboard(), input->getMouse());
        getControlRegistry()->setControlStateSource(mControlState.get());
    }
}

Game::~Game()
{
    mInputConnections.clear();
    delete getControlRegistry();
    setControlRegistry(nullptr);
    delete mControls;
    mControls = nullptr;
    mGameScript = bp::object();
}

void Game::initialise()
{
    GameBase::initialise();
    Engine* engine = Engine::getInstance();
    if (Graphics* graphics = engine->getGraphics()) {
        mCamera = new Camera(graphics->getCamera());
        if (SoundListener* listener = soundListener()) {
            mCamera->addChild(listener);
        }
    }
    mControls->initialise();
    getControlRegistry()->initialise();
    mControls->setCamera(mCamera);
    try {
        startScripts();
    } catch (...) {
        // The engine shuts down only the modules that started; the camera holds the sound
        // listener, which must be let go before the audio module goes.
        destroyCamera();
        throw;
    }
}

void Game::destroyCamera()
{
    if (mCamera) {
        if (SoundListener* listener = soundListener()) {
            mCamera->removeChild(listener);
        }
        Camera* camera = mCamera;
        mCamera = nullptr;
        mControls->setCamera(nullptr);
        delete camera;
    }
}

void Game::startScripts()
{
    Python* python = Python::getInstance();
    try {
        if (!python) {
            throw IllegalStateException("No interpreter.");
        }
        // A resource that is missing, or that its archive fails to extract, is a null stream.
        Ogre::DataStreamPtr stream = ResourceLocator::open(LoaderResource);
        if (!stream) {
            throw NotFoundException(LoaderResource);
        }
        python->executeStatement(stream->getAsString());
    } catch (...) {
        // A damaged archive says only "failed to extract" in the log; the player learns here
        // which file to replace.
        const std::string unreadable = ResourceLocator::describeUnreadable(LoaderResource);
        throw ScriptingException(
            "Failed to install python OGRE resource loader." + (unreadable.empty() ? "" : " " + unreadable));
    }

    bp::object package;
    try {
        package = python->importModule(ScriptPackage);
    } catch (const ScriptingException&) {
        throw ScriptingException("Failed to initialise game script module.");
    }

    try {
        mGameScript = package.attr("Game").attr("Game")();
    } catch (const bp::error_already_set&) {
        throw ScriptingException("Failed to create game script instance.");
    }
}

void Game::frame(float seconds)
{
    GameBase::frame(seconds);
    mControls->frame(seconds);
    getControlRegistry()->frame(seconds);
    try {
        const RunningScript running;
        mGameScript.attr("frame")(seconds);
    } catch (const bp::error_already_set&) {
        Python* python = Python::getInstance();
        logLine(python ? python->getErrorString() : std::string());
    }
}

void Game::shutdown()
{
    GameBase::shutdown();
    if (!mGameScript.is_none()) {
        try {
            mGameScript.attr("shutdown")();
        } catch (const bp::error_already_set&) {
            // Ignored, but not left pending: writing the bindings below runs Python code, which
            // a pending error would make fail.
            PyErr_Clear();
        }
    }
    getControlRegistry()->shutdown();
    mControls->shutdown();
    destroyCamera();
}

void Game::setPlaySphere(PlaySphere* sphere)
{
    mPlaySphere = sphere;
    if (mCamera) {
        mCamera->setFocalPoint(sphere);
    }
    mControls->setPlaySphere(sphere);
}

bool Game::keyPressed(const OIS::KeyEvent& event)
{
    return getControlRegistry()->keyPressed(event);
}

bool Game::keyReleased(const OIS::KeyEvent& event)
{
    return getControlRegistry()->keyReleased(event);
}

bool Game::mouseMoved(const OIS::MouseEvent& event)
{
    return getControlRegistry()->mouseMoved(event);
}

bool Game::mousePressed(const OIS::MouseEvent& event, OIS::MouseButtonID button)
{
    return getControlRegistry()->mousePressed(event, button);
}

bool Game::mouseReleased(const OIS::MouseEvent& event, OIS::MouseButtonID button)
{
    return getControlRegistry()->mouseReleased(event, button);
}

} // namespace tolva
