// A sound played once per impact: a contact with a new partner at least `threshold` deep, or with
// a partner still touching at least `threshold override` deep, is recorded during the physics
// step and played in the next frame at the contact's position, from the start of the file, with
// a gain from the depth (deeper is louder). Impacts that come closer than `cooloff` seconds after
// a play are dropped. A partner counts as touching until `backoff` seconds after its last contact.
// Its owner (the play sphere, or a script) passes it the collisions of the object it listens to.
#pragma once

#include <OgreVector.h>

#include <vector>

#include "audio/Sound.h"

namespace tolva {

class Contact;
class PhysicalBase;

class ImpactSound : public Sound {
public:
    /// A partner the sound has heard from, and for how long it still counts as touching.
    struct CollideeInfo {
        CollideeInfo(PhysicalBase* partner, float timer)
            : partner(partner)
            , timer(timer)
        {
        }
        bool operator==(const PhysicalBase* other) const { return partner == other; }

        /// Only compared, never followed: the partner may be gone.
        PhysicalBase* partner;
        float timer;
        bool touched = true;
    };

    /// Backoff 0 s, cooloff 0.1 s, threshold 0.1, threshold override 100, gain change on, impact
    /// gain scale 1.
    ImpactSound(const std::string& name, const std::string& fileName);

    void frame(float seconds) override;
    bool needsFrames() const override { return true; }
    /// Decides from the contact's depth whether an impact is due and records it; it plays in the
    /// next frame. A contact that is not deeper than zero is no impact.
    void collision(PhysicalBase* partner, Contact* contact);

    float getBackoff() const { return mBackoff; }
    void setBackoff(float seconds) { mBackoff = seconds; }
    float getCooloff() const { return mCooloff; }
    void setCooloff(float seconds) { mCooloff = seconds; }
    float getThreshold() const { return mThreshold; }
    void setThreshold(float depth) { mThreshold = depth; }
    float getThresholdOverride() const { return mThresholdOverride; }
    void setThresholdOverride(float depth) { mThresholdOverride = depth; }
    float getImpactGainScale() const { return mImpactGainScale; }
    void setImpactGainScale(float scale) { mImpactGainScale = scale; }
    bool isGainChanged() const { return mGainChange; }
    /// Off: impacts only move, rewind and start the sound.
    void setGainChange(bool change) { mGainChange = change; }

private:
    void record(float depth, const Ogre::Vector3& position);

    float mBackoff = 0.0f;
    float mCooloff = 0.1f;
    float mCoolTimer = 0.0f;
    float mThreshold = 0.1f;
    float mThresholdOverride = 100.0f;
    std::vector<CollideeInfo> mCollidees;
    bool mPending = false;
    bool mGainChange = true;
    float mPendingGain = 0.0f;
    float mImpactGainScale = 1.0f;
    Ogre::Vector3 mPendingPosition = Ogre::Vector3::ZERO;
};

} // namespace tolva
