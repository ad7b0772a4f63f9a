// Sounds driven by physics: impacts from contacts, rolling and joint sounds from speeds.
#include "AudioFixture.h"

#include "audio/AngularVelocitySound.h"
#include "audio/ImpactSound.h"
#include "audio/JointAngleRateSound.h"
#include "physics/Contact.h"
#include "physics/MovableObject.h"
#include "physics/SinglePhysical.h"
#include "platform/OdeBody.h"
#include "platform/OdeHingeJoint.h"
#include "platform/OdeSphereGeometry.h"

#include <cmath>
#include <functional>

using namespace tolva;
using tolva::test::soundFile;

namespace {

class PhysicsSounds : public tolva::test::AudioFixture {
protected:
    std::unique_ptr<MovableObject> ball()
    {
        return std::make_unique<MovableObject>(mEngine->getPhysics()->createSphereGeometry(0.5f));
    }
};

struct Touch {
    int partner; // index into the partners; -1 for none
    float depth;
    float x; // the contact's position along x
};

struct ImpactStep {
    Touch touches[2];
    float seconds; // the frame after the contacts
    bool plays;
    float gain;
    float x;
};

/// Each step's contacts reach the sound, then a frame of the step's length runs; after it the
/// sound plays or not as the step says, with the step's gain and at the step's position.
template <std::size_t Steps, std::size_t Partners>
void runImpacts(ImpactSound& sound, const ImpactStep (&steps)[Steps], SinglePhysical (&partners)[Partners],
    const std::function<void(float)>& frame)
{
    int index = 0;
    for (const ImpactStep& step : steps) {
        sound.stop();
        for (const Touch& touch : step.touches) {
            if (touch.partner >= 0) {
                Contact contact;
                contact.penetrationDepth = touch.depth;
                contact.position = Ogre::Vector3(touch.x, 0, 0);
                sound.collision(&partners[touch.partner], &contact);
            }
        }
        frame(step.seconds);
        EXPECT_EQ(step.plays, sound.isPlaying()) << "step " << index;
        if (step.plays) {
            EXPECT_FLOAT_EQ(step.gain, sound.getGain()) << "step " << index;
            EXPECT_EQ(step.x, sound.getPosition().x) << "step " << index;
        }
        ++index;
    }
}

} // namespace

TEST_F(PhysicsSounds, ImpactsPlayByDepthThresholdsBackoffAndCooloff)
{
    const Touch none{-1, 0.0f, 0.0f};
    const ImpactStep steps[] = {
        {{{0, 0.05f, 1}, none}, 0.2f, false, 0, 0}, // a new partner below the threshold is only recorded
        {{{0, 0.5f, 2}, none}, 0.2f, false, 0, 0},  // while it keeps touching, below the override
        {{{0, 100.0f, 3}, none}, 0.2f, true, 1.0f, 3},
        {{none, none}, 0.2f, false, 0, 0},           // the partner leaves (backoff 0)
        {{{0, 0.3f, 4}, none}, 0.2f, true, 0.3f, 4}, // ... and is new again
        {{{1, 0.5f, 5}, none}, 0.05f, false, 0, 0},  // within the cooloff: dropped
        {{{2, 0.2f, 6}, {3, 0.4f, 7}}, 0.2f, true, 0.4f, 7},
        {{{4, 2.0f, 8}, none}, 0.2f, true, 1.0f, 8},
    };
    SinglePhysical partners[5] = {SinglePhysical(nullptr), SinglePhysical(nullptr), SinglePhysical(nullptr),
        SinglePhysical(nullptr), SinglePhysical(nullptr)};
    ImpactSound sound("impact", soundFile("tone-mono-1s"));
    runImpacts(sound, steps, partners, [this](float seconds) { frame(seconds); });

    // A play rewinds a sound still playing; without gain change the gain stays.
    sound.setSecondOffset(0.5f);
    sound.setGainChange(false);
    sound.setGain(0.7f);
    Contact contact;
    contact.penetrationDepth = 0.2f;
    contact.position = Ogre::Vector3::ZERO;
    sound.collision(&partners[1], &contact);
    frame(0.2f);
    EXPECT_LT(sound.getSecondOffset(), 0.01f);
    EXPECT_FLOAT_EQ(0.7f, sound.getGain());
}

TEST_F(PhysicsSounds, GrazingContactsKeepOrMakePartnersAndOnlyDepthsThatAreNoNumberAreIgnored)
{
    const Touch none{-1, 0.0f, 0.0f};
    const ImpactStep steps[] = {
        {{{0, 0.3f, 1}, none}, 0.2f, true, 0.3f, 1},
        {{{0, 0.0f, 2}, none}, 0.2f, false, 0, 0},  // still touching, at depth 0
        {{{0, 0.3f, 3}, none}, 0.2f, false, 0, 0},  // ... so no new partner
        {{{1, 0.0f, 4}, none}, 0.2f, false, 0, 0},  // a new partner at depth 0 is recorded
        {{{1, 0.5f, 5}, none}, 0.2f, false, 0, 0},  // ... and known from then on
        {{{2, -0.2f, 6}, none}, 0.2f, false, 0, 0}, // so is one below zero
        {{{2, 0.5f, 7}, none}, 0.2f, false, 0, 0},
        {{{3, std::nanf(""), 8}, none}, 0.2f, false, 0, 0}, // not a number: not even recorded
        {{{3, 0.5f, 9}, none}, 0.2f, true, 0.5f, 9},
    };
    SinglePhysical partners[4]
        = {SinglePhysical(nullptr), SinglePhysical(nullptr), SinglePhysical(nullptr), SinglePhysical(nullptr)};
    ImpactSound sound("impact", soundFile("tone-mono-1s"));
    runImpacts(sound, steps, partners, [this](float seconds) { frame(seconds); });

    sound.stop();
    sound.collision(&partners[0], nullptr);
    frame(0.2f);
    EXPECT_FALSE(sound.isPlaying()) << "a missing contact is no impact";
}

TEST_F(PhysicsSounds, RollingAndJointSoundsFollowTheSpeed)
{
    auto body = ball();
    AngularVelocitySound rolling("roll", soundFile("tone-mono-1s"), body->getBody());
    rolling.setMaxGainControl(10.0f);
    auto hinged = ball();
    std::unique_ptr<ode::HingeJoint> hinge(mEngine->getPhysics()->createHingeJoint());
    hinge->attach(hinged->getBody(), nullptr);
    hinge->setAnchor(Ogre::Vector3::ZERO);
    hinge->setAxis(Ogre::Vector3::UNIT_Z);
    JointAngleRateSound creaking("creak", soundFile("tone-mono-1s"), hinge.get());
    creaking.setMaxGainControl(6.0f);

    const float speeds[][3] = {{5.0f, 0.5f, 5.0f / 6}, {20.0f, 1.0f, 1.0f}, {-3.0f, 0.3f, 0.5f}, {0.0f, 0.0f, 0.0f}};
    for (const auto& speed : speeds) {
        body->setAngularVelocity(Ogre::Vector3(0, speed[0], 0));
        hinged->setAngularVelocity(Ogre::Vector3(0, 0, speed[0]));
        frame(0.02f);
        EXPECT_NEAR(speed[1], rolling.getGain(), 0.01f) << speed[0];
        EXPECT_NEAR(speed[2], creaking.getGain(), 0.02f) << speed[0];
        EXPECT_EQ(speed[0] != 0.0f, rolling.isPlaying()) << speed[0];
        EXPECT_EQ(speed[0] != 0.0f, creaking.isPlaying()) << speed[0];
    }
}

TEST_F(PhysicsSounds, AControlValueAboveItsMaximumGivesNoMoreThanFullGainBelowAMaximumGainOfOne)
{
    auto body = ball();
    AngularVelocitySound rolling("roll", soundFile("tone-mono-1s"), body->getBody());
    rolling.setMaxGainControl(10.0f);
    rolling.setMaxGain(0.5f);
    // The control's ratio times the maximum gain is the normalised gain, which the sound maps
    // between its minimum and maximum gain: full control gives 0.5 x 0.5.
    const float speeds[][2] = {{5.0f, 0.125f}, {10.0f, 0.25f}, {20.0f, 0.25f}, {40.0f, 0.25f}};
    for (const auto& speed : speeds) {
        body->setAngularVelocity(Ogre::Vector3(0, speed[0], 0));
        frame(0.02f);
        EXPECT_NEAR(speed[1], rolling.getGain(), 0.01f) << speed[0];
    }
}

TEST_F(PhysicsSounds, DisablingFadesOutOnlyAPlayingSoundAndNoMaximumMeansSilence)
{
    auto body = ball();
    AngularVelocitySound rolling("roll", soundFile("tone-mono-1s"), body->getBody());
    rolling.setEnabled(false);
    EXPECT_FALSE(rolling.isFading());
    rolling.setEnabled(true);
    body->setAngularVelocity(Ogre::Vector3(0, 1, 0));
    frame(0.02f);
    ASSERT_TRUE(rolling.isPlaying());
    rolling.setEnabled(false);
    EXPECT_TRUE(rolling.isFading());
    rolling.cancelFade();
    rolling.setEnabled(false);
    EXPECT_FALSE(rolling.isFading()) << "only disabling an enabled sound fades";

    rolling.setEnabled(true);
    rolling.setMaxGainControl(0.0f);
    frame(0.02f);
    EXPECT_EQ(0.0f, rolling.getGain());
    EXPECT_FALSE(rolling.isPlaying());
}

TEST_F(PhysicsSounds, ARollingSoundOutlivingItsBodyFallsSilent)
{
    auto body = ball();
    auto other = std::make_unique<AngularVelocitySound>("roll", soundFile("tone-mono-1s"), body->getBody());
    AngularVelocitySound rolling("roll", soundFile("tone-mono-1s"), body->getBody());
    body->setAngularVelocity(Ogre::Vector3(0, 1, 0));
    frame(0.02f);
    ASSERT_TRUE(rolling.isPlaying());
    other.reset();
    body.reset();
    EXPECT_EQ(nullptr, rolling.getBody());
    frame(0.02f);
    EXPECT_FALSE(rolling.isPlaying());
}

TEST_F(PhysicsSounds, TheSourceOfARollingSoundHasTheGainOfTheLatestSpinAfterRunsOfEqualSpinsAndRestarts)
{
    auto body = ball();
    AngularVelocitySound rolling("roll", soundFile("tone-mono-1s"), body->getBody());
    rolling.setMaxGainControl(10.0f);
    // Spin, then the gain the source holds afterwards (none while stopped).
    const float spins[][2] = {{5, 0.5f}, {5, 0.5f}, {5, 0.5f}, {8, 0.8f}, {8, 0.8f}, {0, -1}, {8, 0.8f}, {2, 0.2f}};
    for (const auto& spin : spins) {
        body->setAngularVelocity(Ogre::Vector3(0, spin[0], 0));
        frame(0.02f);
        const ALuint source = rolling.getLayerSound()->getSource();
        ASSERT_EQ(spin[1] >= 0, source != 0) << spin[0];
        if (source) {
            ALfloat gain = -1;
            alGetSourcef(source, AL_GAIN, &gain);
            EXPECT_FLOAT_EQ(spin[1], gain) << spin[0];
        }
    }
}
