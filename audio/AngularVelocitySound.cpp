#include "audio/AngularVelocitySound.h"

#include "platform/OdeBody.h"
#include "platform/OdeConvert.h"

#include <algorithm>
#include <limits>
#include <map>
#include <vector>

namespace tolva {

namespace {

/// Hears the destruction of one body for the sounds that read it. It sits in the body's single
/// rendering-engine listener slot; a listener the body had before keeps being called through it.
class BodyWatch : public Ogre::MovableObject::Listener {
public:
    static void watch(ode::Body* body, AngularVelocitySound* sound)
    {
        BodyWatch*& watch = watches()[body];
        if (!watch) {
            watch = new BodyWatch(body);
        }
        watch->mSounds.push_back(sound);
    }

    static void unwatch(ode::Body* body, AngularVelocitySound* sound)
    {
        auto it = watches().find(body);
        if (it == watches().end()) {
            return;
        }
        BodyWatch* watch = it->second;
        auto& sounds = watch->mSounds;
        sounds.erase(std::remove(sounds.begin(), sounds.end(), sound), sounds.end());
        // Out of the slot only while nobody took it since; otherwise the watch stays to pass
        // calls on until the body goes.
        if (sounds.empty() && body->getListener() == watch) {
            body->setListener(watch->mPrevious);
            watches().erase(it);
            delete watch;
        }
    }

    void objectDestroyed(Ogre::MovableObject* object) override
    {
        // The rendering engine detaches the object after this call and tells the listener slot:
        // the slot must not hold this watch by then.
        object->setListener(mPrevious);
        if (mPrevious) {
            mPrevious->objectDestroyed(object);
        }
        for (AngularVelocitySound* sound : mSounds) {
            sound->_bodyDestroyed();
        }
        watches().erase(mBody);
        delete this;
    }
    void objectAttached(Ogre::MovableObject* object) override
    {
        if (mPrevious) {
            mPrevious->objectAttached(object);
        }
    }
    void objectDetached(Ogre::MovableObject* object) override
    {
        if (mPrevious) {
            mPrevious->objectDetached(object);
        }
    }
    void objectMoved(Ogre::MovableObject* object) override
    {
        if (mPrevious) {
            mPrevious->objectMoved(object);
        }
    }
    bool objectRendering(const Ogre::MovableObject* object, const Ogre::Camera* camera) override
    {
        return mPrevious ? mPrevious->objectRendering(object, camera) : true;
    }
    const Ogre::LightList* objectQueryLights(const Ogre::MovableObject* object) override
    {
        return mPrevious ? mPrevious->objectQueryLights(object) : nullptr;
    }

private:
    explicit BodyWatch(ode::Body* body)
        : mBody(body)
        , mPrevious(body->getListener())
    {
        body->setListener(this);
    }

    static std::map<Ogre::MovableObject*, BodyWatch*>& watches()
    {
        static std::map<Ogre::MovableObject*, BodyWatch*> all;
        return all;
    }

    Ogre::MovableObject* mBody;
    Ogre::MovableObject::Listener* mPrevious;
    std::vector<AngularVelocitySound*> mSounds;
};

} // namespace

AngularVelocitySound::AngularVelocitySound(const std::string& name, const std::string& fileName, ode::Body* body)
    : GainControlSound(name, fileName)
    , mBody(body)
    , mBodyId(body ? body->getBodyID() : nullptr)
{
    if (mBody) {
        BodyWatch::watch(mBody, this);
    }
}

AngularVelocitySound::~AngularVelocitySound()
{
    if (mBody) {
        BodyWatch::unwatch(mBody, this);
    }
}

float AngularVelocitySound::getGainControl()
{
    if (!mBodyId) {
        return 0.0f;
    }
    const float speed = ode::toOgre(dBodyGetAngularVel(mBodyId)).length();
    return speed < std::numeric_limits<float>::min() ? 0.0f : speed;
}

} // namespace tolva
