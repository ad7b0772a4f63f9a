// A sliding window of the last N vectors whose sum (not mean) is the smoothed vector; the play
// sphere feeds its torque requests through one.
#pragma once

#include <OgreVector.h>

#include <deque>

namespace tolva {

class VectorSmoother {
public:
    /// @param smoothingSize N, the number of vectors summed; a negative size counts as 0
    explicit VectorSmoother(int smoothingSize);

    /// Appends the vector, dropping the oldest so that at most max(N, 1) are held.
    void addVector(const Ogre::Vector3& vector);
    void addZeroVector();

    /// A smaller size drops the oldest vectors down to max(size, 1) at once.
    void setSmoothingSize(unsigned int smoothingSize);
    unsigned int getSmoothingSize() const;
    unsigned int getQueueSize() const;
    void flushQueue();

    /// True when exactly N vectors are held.
    bool isSmoothedVectorReady() const;
    /// The sum of the held vectors (zero when none); for N = 0 the one held vector.
    Ogre::Vector3 getVector() const;
    /// getVector() scaled to unit length, or unchanged when its length is 1e-8 or less.
    Ogre::Vector3 getUnitVector() const;

private:
    void dropOldestTo(unsigned int count);

    unsigned int mSmoothingSize;
    /// Oldest at the front.
    std::deque<Ogre::Vector3> mQueue;
};

} // namespace tolva
