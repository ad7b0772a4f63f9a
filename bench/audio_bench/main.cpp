// 200 looping positional sounds on moving scene nodes and 100 rolling sounds following the spin
// of rigid bodies, updated every frame for 3,000 frames a round on OpenAL Soft's null backend: through
// the engine (the game module framing the sounds, then the audio module's frame) and through bare
// OpenAL calls that do the same updates (place each source where its node is, set the rolling
// gains from the bodies' spin). Both run side by side, frame by frame, each on its own OpenAL
// device, so the load of a busy machine falls on both alike. Moving the nodes, refreshing the
// scene graph (the physics module's job in the engine) and spinning the bodies happen outside the
// timed parts. Prints one summary line, the median of the per-round engine/bare ratios and their
// spread, and the allocations per frame in the engine's timed part.
//
//     audio_bench [--rounds N] [--frames N]
//
// Under valgrind, e.g. `--rounds 1 --frames 1000`: the inclusive counts of EngineSide::update and
// BareSide::update are the two sides.
#include "AllocationCounter.h"
#include "BenchHome.h"
#include "Rounds.h"
#include "audio/AngularVelocitySound.h"
#include "audio/Audio.h"
#include "audio/Sound.h"
#include "core/Engine.h"
#include "core/GameBase.h"
#include "physics/MovableObject.h"
#include "physics/Physics.h"
#include "platform/AlSoundManager.h"
#include "platform/OdeBody.h"
#include "platform/OdeSphereGeometry.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <ode/ode.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

int gFrames = 3000;
const int POSITIONAL = 200;
const int ROLLING = 100;
const float FRAME = 1.0f / 60.0f;
const float MAX_SPIN = 10.0f;

typedef std::chrono::steady_clock Clock;

/// Where positional sound i is in frame f: each circles the listener at its own radius.
Ogre::Vector3 placement(int i, int f)
{
    const float angle = 0.01f * f + 0.1f * i;
    const float radius = 2.0f + 0.1f * i;
    return Ogre::Vector3(radius * std::cos(angle), 0.5f * std::sin(0.3f * angle), radius * std::sin(angle));
}

/// The spin of rolling body i in frame f: up and down between 0 and beyond the full-gain spin.
float spin(int i, int f)
{
    return 6.0f + 6.0f * std::sin(0.02f * f + 0.3f * i);
}

/// The sounds through the engine: sound objects framed by the game module, then the audio module.
class EngineSide {
public:
    EngineSide(Ogre::SceneManager* scene, tolva::Engine& engine)
        : mGame(engine.getGame())
    {
        mAudio = std::make_unique<tolva::Audio>(std::make_unique<tolva::al::SoundManager>("", POSITIONAL + ROLLING));
        mContext = alcGetCurrentContext();
        mAudio->setSceneManager(scene);
        mAudio->initialise();
        for (int i = 0; i < POSITIONAL; ++i) {
            mSounds.push_back(std::make_unique<tolva::Sound>("positional", TOLVA_BENCH_SOUND));
            mSounds.back()->setLoop(true);
            mSounds.back()->play();
        }
        for (int i = 0; i < ROLLING; ++i) {
            mBalls.push_back(std::make_unique<tolva::MovableObject>(engine.getPhysics()->createSphereGeometry(0.5f)));
            mRolls.push_back(
                std::make_unique<tolva::AngularVelocitySound>("rolling", TOLVA_BENCH_SOUND, mBalls.back()->getBody()));
            mRolls.back()->setLoop(true);
            mRolls.back()->setMaxGainControl(MAX_SPIN);
        }
    }

    ~EngineSide()
    {
        alcMakeContextCurrent(mContext);
        mRolls.clear();
        mBalls.clear();
        mSounds.clear();
        mAudio->shutdown();
    }

    void move(int f)
    {
        for (int i = 0; i < POSITIONAL; ++i) {
            mSounds[i]->setPosition(placement(i, f));
        }
        for (int i = 0; i < ROLLING; ++i) {
            mBalls[i]->setAngularVelocity(Ogre::Vector3(0, spin(i, f), 0));
        }
    }

    /// Out of line, like the bare side's, for the profilers.
    __attribute__((noinline)) void update()
    {
        mGame->frame(FRAME);
        mAudio->frame(FRAME);
    }

    ALCcontext* getContext() const { return mContext; }

private:
    tolva::GameBase* mGame;
    std::unique_ptr<tolva::Audio> mAudio;
    ALCcontext* mContext = nullptr;
    std::vector<std::unique_ptr<tolva::Sound>> mSounds;
    std::vector<std::unique_ptr<tolva::MovableObject>> mBalls;
    std::vector<std::unique_ptr<tolva::AngularVelocitySound>> mRolls;
};

/// The same sounds with bare OpenAL and ODE calls: sources, nodes and bodies in plain arrays.
class BareSide {
public:
    explicit BareSide(Ogre::SceneManager* scene)
        : mScene(scene)
    {
        mDevice = alcOpenDevice(nullptr);
        const ALCint attributes[] = {ALC_MONO_SOURCES, POSITIONAL + ROLLING, ALC_STEREO_SOURCES, 1, 0};
        mContext = alcCreateContext(mDevice, attributes);
        alcMakeContextCurrent(mContext);
        std::vector<short> samples(44100);
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<short>(16000 * std::sin(2 * 3.14159265 * 440 * i / 44100.0));
        }
        alGenBuffers(1, &mBuffer);
        alBufferData(mBuffer, AL_FORMAT_MONO16, samples.data(), static_cast<ALsizei>(samples.size() * 2), 44100);
        mSources.resize(POSITIONAL + ROLLING);
        for (ALuint& source : mSources) {
            alGenSources(1, &source);
            alSourcei(source, AL_BUFFER, static_cast<ALint>(mBuffer));
            alSourcei(source, AL_LOOPING, AL_TRUE);
            alSourcePlay(source);
        }
        mGains.assign(ROLLING, 1.0f);
        mWorld = dWorldCreate();
        for (int i = 0; i < ROLLING; ++i) {
            mBodies.push_back(dBodyCreate(mWorld));
        }
        for (int i = 0; i < POSITIONAL; ++i) {
            mNodes.push_back(scene->getRootSceneNode()->createChildSceneNode());
        }
    }

    ~BareSide()
    {
        for (Ogre::SceneNode* node : mNodes) {
            mScene->destroySceneNode(node);
        }
        dWorldDestroy(mWorld);
        alcMakeContextCurrent(mContext);
        alDeleteSources(static_cast<ALsizei>(mSources.size()), mSources.data());
        alDeleteBuffers(1, &mBuffer);
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(mContext);
        alcCloseDevice(mDevice);
    }

    void move(int f)
    {
        for (int i = 0; i < POSITIONAL; ++i) {
            mNodes[i]->setPosition(placement(i, f));
        }
        for (int i = 0; i < ROLLING; ++i) {
            dBodySetAngularVel(mBodies[i], 0, spin(i, f), 0);
        }
    }

    __attribute__((noinline)) void update()
    {
        for (int i = 0; i < POSITIONAL; ++i) {
            const Ogre::Vector3& position = mNodes[i]->_getDerivedPosition();
            alSource3f(mSources[i], AL_POSITION, position.x, position.y, position.z);
        }
        for (int i = 0; i < ROLLING; ++i) {
            const dReal* w = dBodyGetAngularVel(mBodies[i]);
            const float speed = static_cast<float>(std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]));
            const float gain = std::min(speed, MAX_SPIN) / MAX_SPIN;
            if (gain != mGains[i]) {
                alSourcef(mSources[POSITIONAL + i], AL_GAIN, gain);
                mGains[i] = gain;
            }
        }
    }

    ALCcontext* getContext() const { return mContext; }

private:
    Ogre::SceneManager* mScene;
    ALCdevice* mDevice = nullptr;
    ALCcontext* mContext = nullptr;
    ALuint mBuffer = 0;
    std::vector<ALuint> mSources;
    std::vector<float> mGains;
    dWorldID mWorld;
    std::vector<dBodyID> mBodies;
    std::vector<Ogre::SceneNode*> mNodes;
};

struct Result {
    double engine;
    double bare;
    double allocations;
};

Result run(Ogre::SceneManager* scene, tolva::Engine& engine)
{
    EngineSide engineSide(scene, engine);
    BareSide bareSide(scene);
    Clock::duration engineTime{}, bareTime{};
    unsigned long long allocations = 0;
    // Frame -1 gives every engine sound its source; it is not counted.
    for (int f = -1; f < gFrames; ++f) {
        engineSide.move(f);
        bareSide.move(f);
        scene->getRootSceneNode()->_update(true, false);
        // Taking turns at going first, so neither side always finds the caches warmed by the other.
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (f % 2 == 0)) {
                alcMakeContextCurrent(engineSide.getContext());
                const unsigned long long allocated = tolva::bench::allocationCount();
                const Clock::time_point start = Clock::now();
                engineSide.update();
                if (f >= 0) {
                    engineTime += Clock::now() - start;
                    allocations += tolva::bench::allocationCount() - allocated;
                }
            } else {
                alcMakeContextCurrent(bareSide.getContext());
                const Clock::time_point start = Clock::now();
                bareSide.update();
                if (f >= 0) {
                    bareTime += Clock::now() - start;
                }
            }
        }
    }
    const auto perFrame
        = [](Clock::duration time) { return std::chrono::duration<double, std::micro>(time).count() / gFrames; };
    return {perFrame(engineTime), perFrame(bareTime), double(allocations) / gFrames};
}

} // namespace

int main(int argc, char** argv)
{
    setenv("ALSOFT_DRIVERS", "null", 1);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const int rounds = tolva::bench::takeOption(arguments, "--rounds", 7);
    gFrames = tolva::bench::takeOption(arguments, "--frames", gFrames);
    const tolva::bench::BenchHome home;
    Ogre::Root root("", "", "");
    Ogre::SceneManager* scene = root.createSceneManager();
    tolva::EngineOptions options;
    options.graphics = options.audio = options.input = options.time = options.scripting = false;
    options.gui = options.console = options.gravityManager = false;
    options.physics = true;
    options.createGame = [] { return new tolva::GameBase(); };
    tolva::Engine engine(1, argv, options);
    engine.getPhysics()->setSceneManager(scene);

    std::printf("audio_bench: %d positional + %d rolling sounds, %d frames a round, %d rounds, OpenAL Soft null "
                "backend\n",
        POSITIONAL, ROLLING, gFrames, rounds);
    std::vector<double> engineTimes, bareTimes;
    double allocations = 0;
    for (int i = 0; i < rounds; ++i) {
        const Result result = run(scene, engine);
        engineTimes.push_back(result.engine);
        bareTimes.push_back(result.bare);
        allocations = std::max(allocations, result.allocations);
    }
    tolva::bench::printRatio("sound update", engineTimes, bareTimes, "us/frame");
    std::printf("  engine allocations per frame: %.2f (the most of any round)\n", allocations);
    return 0;
}
