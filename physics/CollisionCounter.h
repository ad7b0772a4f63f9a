// Remembers whether something collided in the current and in the previous frame.
#pragma once

namespace tolva {

class CollisionCounter {
public:
    /// A collision happened in the current frame.
    void collision() { mCurrent = true; }
    /// Starts a new frame: the current flag becomes the previous one.
    void frame()
    {
        mPrevious = mCurrent;
        mCurrent = false;
    }
    bool isColliding() const { return mCurrent; }
    bool wasColliding() const { return mPrevious; }
    void setColliding(bool colliding) { mPrevious = mCurrent = colliding; }

private:
    bool mPrevious = false;
    bool mCurrent = false;
};

} // namespace tolva
