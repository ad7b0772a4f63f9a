// An engine of the core and the physics module alone (no window), with a windowless rendering
// engine root and scene manager for tests that hang physics objects on scene nodes.
#pragma once

#include "core/Engine.h"
#include "physics/Physics.h"
#include "support/LogCapture.h"
#include "support/TestGame.h"
#include "support/TestHome.h"

#include <OgreRoot.h>
#include <OgreSceneManager.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tolva::test {

class PhysicsFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        mRoot = std::make_unique<Ogre::Root>("", "", "");
        mSceneManager = mRoot->createSceneManager();
        EngineOptions options = coreOptions([] { return static_cast<GameBase*>(new TestGame(0)); });
        options.physics = true;
        options.time = false;
        adjustOptions(options);
        static char program[] = "test_physics";
        static char* argv[] = {program, nullptr};
        mEngine = std::make_unique<Engine>(1, argv, options);
        mPhysics = mEngine->getPhysics();
        ASSERT_NE(nullptr, mPhysics);
        mPhysics->setSceneManager(mSceneManager);
    }

    /// For fixtures that need more modules than physics.
    virtual void adjustOptions(EngineOptions& options) { }

    void TearDown() override
    {
        mEngine.reset();
        mRoot.reset();
    }

    /// One engine frame: the game module's updateables, then the physics module.
    void frame(float seconds) { mEngine->frame(seconds); }
    void frames(int count, float seconds)
    {
        for (int i = 0; i < count; ++i) {
            frame(seconds);
        }
    }

    TestHome mHome{TestHome::minimalEngineConfig(), ""};
    std::unique_ptr<Ogre::Root> mRoot;
    Ogre::SceneManager* mSceneManager = nullptr;
    std::unique_ptr<Engine> mEngine;
    Physics* mPhysics = nullptr;
};

} // namespace tolva::test
