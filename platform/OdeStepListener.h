// Receiver of the calls a step handler makes around each fixed step.
#pragma once

namespace tolva::ode {

class StepListener {
public:
    virtual ~StepListener() = default;
    /// Before the step's collision pass; forces added to bodies here act in this step only.
    virtual bool preStep(float seconds) = 0;
    /// After the collision pass, before the world is integrated.
    virtual bool middleStep(float seconds) = 0;
    /// After the world was integrated.
    virtual bool postStep(float seconds) = 0;
};

} // namespace tolva::ode
