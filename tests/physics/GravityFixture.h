// The physics engine of PhysicsFixture with the interpreter (which reads gravity map files) and
// the gravity manager, and helpers for maps on the committed fixture files.
#pragma once

#include "PhysicsFixture.h"

#include "physics/GravityManager.h"
#include "physics/GravityMap.h"
#include "physics/MovableObject.h"
#include "platform/OdeBody.h"
#include "platform/OdeSphereGeometry.h"
#include "scripting/Python.h"

#include <Python.h>

#include <OgreSceneNode.h>

namespace tolva::test {

class GravityFixture : public PhysicsFixture {
protected:
    void adjustOptions(EngineOptions& options) override
    {
        options.scripting = true;
        options.gravityManager = true;
    }

    void SetUp() override
    {
        PhysicsFixture::SetUp();
        mEngine->initialise();
        mManager = mEngine->getGravityManager();
        ASSERT_NE(nullptr, mManager);
    }

    void TearDown() override
    {
        if (Py_IsInitialized()) {
            PyErr_Clear();
        }
        PhysicsFixture::TearDown();
    }

    static std::string fixture(const std::string& name)
    {
        return std::string(TOLVA_SOURCE_DIR) + "/tests/physics/fixtures/" + name;
    }

    /// A map on a fixture file, on a node under the scene's root.
    std::unique_ptr<GravityMap> makeMap(const std::string& name)
    {
        Ogre::SceneNode* node = mSceneManager->getRootSceneNode()->createChildSceneNode();
        return std::make_unique<GravityMap>(fixture(name), node);
    }

    /// A unit-mass sphere of radius 0.25 that gravity maps sense.
    std::unique_ptr<MovableObject> makeSphere(const Ogre::Vector3& position)
    {
        auto sphere = std::make_unique<MovableObject>(mPhysics->createSphereGeometry(0.25f), 1.0f);
        sphere->setCollisionPartners(sphere->getCollisionPartners() | PhysicalBase::COLL_GRAVITY);
        sphere->setPosition(position);
        return sphere;
    }

    GravityManager* mManager = nullptr;
};

} // namespace tolva::test
