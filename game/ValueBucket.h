// A scalar that follows requested changes smoothly. Callers pour amounts into a pending bucket;
// once a frame transfer() moves an exponentially decaying share of the bucket into the value, so
// that after t seconds of engine-scaled time the share smooth^t is still pending, whatever the
// frame rate. The value stays within optional inclusive limits. The game camera keeps its yaw,
// distance, pitch, local view and sling in buckets.
#pragma once

namespace tolva {

class ValueBucket {
public:
    /// No limits; smooth and cutoff are limited as by setSmooth and setSmoothCutoff.
    ValueBucket(float smooth, float smoothCutoff);
    /// Limits [minimum, maximum] (a maximum below the minimum becomes the minimum); the value
    /// starts at 0 brought within them.
    ValueBucket(float smooth, float smoothCutoff, float minimum, float maximum);
    virtual ~ValueBucket() = default;

    float getValue() const { return mValue; }
    /// How far the last transfer moved the value.
    float getValueIncrement() const { return mValueIncrement; }
    /// The amount still to be moved into the value.
    float getBucket() const { return mBucket; }
    bool hasMinimum() const { return mHasMinimum; }
    bool hasMaximum() const { return mHasMaximum; }
    /// 0 while no minimum was given.
    float getMinimum() const { return mMinimum; }
    /// 0 while no maximum was given.
    float getMaximum() const { return mMaximum; }
    float getSmooth() const { return mSmooth; }
    float getSmoothCutoff() const { return mSmoothCutoff; }

    /// Stores the value brought within the limits in force.
    void setValue(float value);
    /// Puts a minimum in force, no higher than the stored maximum (0 when none was given), and
    /// brings the value within it.
    void setMinimum(float minimum);
    /// Puts a maximum in force, no lower than the stored minimum (0 when none was given), and
    /// brings the value within it.
    void setMaximum(float maximum);
    /// The share of the bucket still pending after one second, kept within [2^-23, 1]; 1 keeps
    /// the value where it is.
    void setSmooth(float smooth);
    /// A pending amount smaller in magnitude than this is dropped; kept within [0, largest float].
    void setSmoothCutoff(float cutoff);

    /// Adds to the pending amount, but never so much that the value would pass the limit the
    /// bucket moves toward.
    void addToBucket(float amount);
    /// Stores the pending amount as it is, without looking at the limits.
    void setBucket(float bucket) { mBucket = bucket; }
    void emptyBucket() { mBucket = 0.0f; }

    /// Moves the share 1 - smooth^(seconds / time scale) of the bucket into the value (within
    /// the limits) and keeps the rest pending. Nothing moves for an empty bucket or seconds of 0
    /// or less.
    void transfer(float seconds);

private:
    float mValue = 0.0f;
    float mValueIncrement = 0.0f;
    float mBucket = 0.0f;
    bool mHasMinimum = false;
    bool mHasMaximum = false;
    float mMinimum = 0.0f;
    float mMaximum = 0.0f;
    float mSmooth = 1.0f;
    float mSmoothCutoff = 0.0f;
};

} // namespace tolva
