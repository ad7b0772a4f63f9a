#include "scene/ParticleSystem.h"

#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include "core/Engine.h"
#include "scene/Graphics.h"
#include "scene/SceneNames.h"
#include "scene/SceneValueCheck.h"

namespace tolva {

namespace {

Ogre::ParticleSystem* createSystem(const std::string& name, const std::string& templateName)
{
    Ogre::SceneManager* scene = Engine::getInstance()->getGraphics()->getSceneManager();
    requireFreeName(scene->hasParticleSystem(name), "particle system", name);
    return scene->createParticleSystem(name, templateName);
}

} // namespace

ParticleSystem::ParticleSystem(const std::string& name, const std::string& templateName)
    : RenderableObject(nullptr)
    , mSystem(createSystem(name, templateName))
{
    setObject(mSystem, true);
    Engine::getInstance()->getGraphics()->getRoot()->addFrameListener(this);
}

ParticleSystem::~ParticleSystem()
{
    Engine::getInstance()->getGraphics()->getRoot()->removeFrameListener(this);
    setObject(nullptr, true);
    Engine::getInstance()->getGraphics()->getSceneManager()->destroyParticleSystem(mSystem);
}

void ParticleSystem::setEnabled(bool enabled)
{
    mEnabled = enabled;
    for (unsigned short i = 0; i < mSystem->getNumEmitters(); ++i) {
        mSystem->getEmitter(i)->setEnabled(enabled);
    }
}

bool ParticleSystem::frameStarted(const Ogre::FrameEvent&)
{
    const Ogre::Node* node = mSystem->getParentNode();
    const bool invertible = !node || SceneValueCheck::isInvertibleScale(node->_getDerivedScale());
    if (invertible == mScaleInvertible) {
        return true;
    }
    mScaleInvertible = invertible;
    if (!invertible) {
        mWasEmitting = mSystem->getEmitting();
        mSystem->setEmitting(false);
        mSystem->clear();
    } else {
        mSystem->setEmitting(mWasEmitting);
    }
    return true;
}

void ParticleSystem::setEmittersDirection(const Ogre::Vector3& direction)
{
    for (unsigned short i = 0; i < mSystem->getNumEmitters(); ++i) {
        mSystem->getEmitter(i)->setDirection(direction);
    }
}

} // namespace tolva
