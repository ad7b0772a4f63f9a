// A gain-controlled sound following how fast a rigid body spins: the rolling sound of a ball.
// The body is not owned. When it is destroyed first, the sound hears of it and falls silent.
#pragma once

#include "audio/GainControlSound.h"

struct dxBody;

namespace tolva {

namespace ode {
class Body;
}

class AngularVelocitySound : public GainControlSound {
public:
    AngularVelocitySound(const std::string& name, const std::string& fileName, ode::Body* body);
    ~AngularVelocitySound() override;

    /// The length of the body's angular velocity (radians per second); 0 below the smallest
    /// normal float, and 0 once the body is gone.
    float getGainControl() override;
    /// Null once the body is gone.
    ode::Body* getBody() const { return mBody; }

    /// Called when the body is destroyed.
    void _bodyDestroyed()
    {
        mBody = nullptr;
        mBodyId = nullptr;
    }

private:
    ode::Body* mBody;
    /// The body's ODE id, beside the sound's other fields: each frame reads the spin from ODE
    /// without a visit to the body's wrapper.
    dxBody* mBodyId;
};

} // namespace tolva
