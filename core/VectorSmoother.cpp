#include "core/VectorSmoother.h"

#include <algorithm>

namespace tolva {

VectorSmoother::VectorSmoother(int smoothingSize)
    // A negative size would become a huge unsigned one and the queue would grow without end.
    : mSmoothingSize(smoothingSize < 0 ? 0u : static_cast<unsigned int>(smoothingSize))
{
}

void VectorSmoother::addVector(const Ogre::Vector3& vector)
{
    dropOldestTo(std::max(mSmoothingSize, 1u) - 1);
    mQueue.push_back(vector);
}

void VectorSmoother::addZeroVector()
{
    addVector(Ogre::Vector3::ZERO);
}

void VectorSmoother::setSmoothingSize(unsigned int smoothingSize)
{
    if (smoothingSize < mSmoothingSize) {
        dropOldestTo(std::max(smoothingSize, 1u));
    }
    mSmoothingSize = smoothingSize;
}

unsigned int VectorSmoother::getSmoothingSize() const
{
    return mSmoothingSize;
}

unsigned int VectorSmoother::getQueueSize() const
{
    return static_cast<unsigned int>(mQueue.size());
}

void VectorSmoother::flushQueue()
{
    mQueue.clear();
}

bool VectorSmoother::isSmoothedVectorReady() const
{
    return mQueue.size() == mSmoothingSize;
}

Ogre::Vector3 VectorSmoother::getVector() const
{
    // With N = 0 the queue holds at most one vector, so the sum is that vector.
    Ogre::Vector3 sum = Ogre::Vector3::ZERO;
    for (const Ogre::Vector3& vector : mQueue) {
        sum += vector;
    }
    return sum;
}

Ogre::Vector3 VectorSmoother::getUnitVector() const
{
    const Ogre::Vector3 vector = getVector();
    const Ogre::Real length = vector.length();
    if (length > 1e-8f) {
        return vector / length;
    }
    return vector;
}

void VectorSmoother::dropOldestTo(unsigned int count)
{
    while (mQueue.size() > count) {
        mQueue.pop_front();
    }
}

} // namespace tolva
