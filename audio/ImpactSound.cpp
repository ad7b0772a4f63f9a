#include "audio/ImpactSound.h"

#include "physics/Contact.h"

#include <algorithm>
#include <cmath>

namespace tolva {

ImpactSound::ImpactSound(const std::string& name, const std::string& fileName)
    : Sound(name, fileName)
{
}

void ImpactSound::collision(PhysicalBase* partner, Contact* contact)
{
    // A depth that is not a number would make a gain that is none either.
    if (!contact || std::isnan(contact->penetrationDepth)) {
        return;
    }
    const float depth = contact->penetrationDepth;
    auto known = std::find(mCollidees.begin(), mCollidees.end(), partner);
    if (known != mCollidees.end()) {
        known->timer = mBackoff;
        known->touched = true;
        if (depth >= mThresholdOverride) {
            record(depth, contact->position);
        }
        return;
    }
    if (depth >= mThreshold) {
        record(depth, contact->position);
    }
    mCollidees.emplace_back(partner, mBackoff);
}

void ImpactSound::record(float depth, const Ogre::Vector3& position)
{
    mPending = true;
    mPendingGain = mImpactGainScale * std::clamp(std::max(mPendingGain, depth), 0.0f, 1.0f);
    mPendingPosition = position;
}

void ImpactSound::frame(float seconds)
{
    Sound::frame(seconds);
    mCoolTimer -= seconds;
    if (mPending) {
        // An impact during the cooloff is dropped, not kept for later.
        if (mCoolTimer <= 0.0f) {
            if (mGainChange) {
                setGain(mPendingGain);
            }
            setPosition(mPendingPosition);
            setSecondOffset(0.0f);
            if (!isPlaying()) {
                play();
            }
            mCoolTimer = mCooloff;
        }
        mPending = false;
        mPendingGain = 0.0f;
    }
    for (auto it = mCollidees.begin(); it != mCollidees.end();) {
        it->timer -= seconds;
        if (it->timer <= 0.0f && !it->touched) {
            it = mCollidees.erase(it);
        } else {
            it->touched = false;
            ++it;
        }
    }
}

} // namespace tolva
