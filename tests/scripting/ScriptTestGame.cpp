#include "ScriptTestGame.h"

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "input/GameControlRegistry.h"
#include "input/Input.h"

#include <boost/filesystem/path.hpp>

namespace tolva::test {

namespace {
bool gRefuseNextFrame = false;
}

void ScriptTestGame::refuseNextFrame()
{
    gRefuseNextFrame = true;
}

ScriptTestGame::ScriptTestGame()
    : TestGame(0)
{
    Engine* engine = Engine::getInstance();
    mRegistry = std::make_unique<GameControlRegistry>(
        (boost::filesystem::path(engine->getDataDirectory()) / "controls.cfg").string());
    setControlRegistry(mRegistry.get());
    if (Input* input = engine->getInput()) {
        GameControlRegistry* registry = mRegistry.get();
        mConnections.emplace_back(
            input->eventKeyPressed().connect([registry](const OIS::KeyEvent& e) { return registry->keyPressed(e); }));
        mConnections.emplace_back(
            input->eventKeyReleased().connect([registry](const OIS::KeyEvent& e) { return registry->keyReleased(e); }));
        mConnections.emplace_back(
            input->eventMouseMoved().connect([registry](const OIS::MouseEvent& e) { return registry->mouseMoved(e); }));
        mConnections.emplace_back(input->eventMousePressed().connect(
            [registry](const OIS::MouseEvent& e, OIS::MouseButtonID id) { return registry->mousePressed(e, id); }));
        mConnections.emplace_back(input->eventMouseReleased().connect(
            [registry](const OIS::MouseEvent& e, OIS::MouseButtonID id) { return registry->mouseReleased(e, id); }));
    }
}

ScriptTestGame::~ScriptTestGame()
{
    mConnections.clear();
    setControlRegistry(nullptr);
}

void ScriptTestGame::initialise()
{
    TestGame::initialise();
    mRegistry->initialise();
}

void ScriptTestGame::frame(float seconds)
{
    if (gRefuseNextFrame) {
        gRefuseNextFrame = false;
        throw InvalidArgumentException("The test game refused this frame.");
    }
    TestGame::frame(seconds);
    mRegistry->frame(seconds);
}

void ScriptTestGame::shutdown()
{
    mRegistry->shutdown();
    TestGame::shutdown();
}

} // namespace tolva::test
