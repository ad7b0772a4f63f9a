// Values that are each allowed but combine into ones the rendering engine cannot take: far moves
// of a ribbon trail, scales and positions that multiply down the hierarchy, scales that count as
// zero under a particle system. Each frame must return, and nothing the engine hands on may abort.
#include "SceneFixture.h"

#include <OgreParticleSystem.h>
#include <OgreRibbonTrail.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <tuple>
#include <mutex>
#include <thread>
#include <vector>

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "scene/Graphics.h"
#include "scene/GameObject.h"
#include "scene/NodeObject.h"
#include "scene/ParticleSystem.h"
#include "scene/RibbonTrailEffect.h"

using namespace tolva;
using namespace tolva::test;

namespace {

/// Ends the test program naming the case when what it watches does not return in time: a hang
/// would otherwise show only as the suite's time-out.
class HangWatch {
public:
    explicit HangWatch(std::string what)
        : mWhat(std::move(what))
        , mThread([this] {
            std::unique_lock<std::mutex> lock(mMutex);
            if (!mDone.wait_for(lock, std::chrono::seconds(20), [this] { return mReturned; })) {
                std::fprintf(stderr, "Did not return: %s\n", mWhat.c_str());
                std::_Exit(1);
            }
        })
    {
    }
    ~HangWatch()
    {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mReturned = true;
        }
        mDone.notify_one();
        mThread.join();
    }

private:
    std::string mWhat;
    std::mutex mMutex;
    std::condition_variable mDone;
    bool mReturned = false;
    std::thread mThread;
};

bool isFinite(const Ogre::Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

class WorldBounds : public SceneFixture { };

} // namespace

TEST_F(WorldBounds, RibbonTrailFramesReturnWhateverTheMove)
{
    struct Move {
        const char* name;
        std::function<void(GameObject& parent, RibbonTrailEffect& trail)> make;
    };
    const std::vector<Move> moves = {
        {"a jump of 2e8", [](GameObject&, RibbonTrailEffect& trail) { trail.setPosition(Ogre::Vector3(2e8f, 0, 0)); }},
        {"a translation of 3e9",
            [](GameObject&, RibbonTrailEffect& trail) { trail.translate(Ogre::Vector3(0, 3e9f, 0)); }},
        {"the parent's jump",
            [](GameObject& parent, RibbonTrailEffect&) { parent.setPosition(Ogre::Vector3(0, 0, -2e8f)); }},
        {"a jump of 1e15 of a trail 1e14 long",
            [](GameObject&, RibbonTrailEffect& trail) {
                trail.setLength(1e14f);
                trail.setPosition(Ogre::Vector3(1e15f, 0, 0));
            }},
        // Steps of 4 (of 20 elements) where a float step is 16.
        {"a short move at 2e8",
            [this](GameObject&, RibbonTrailEffect& trail) {
                trail.setLength(80);
                trail.setPosition(Ogre::Vector3(2e8f, 0, 0));
                frame();
                trail.translate(Ogre::Vector3(32, 0, 0));
            }},
        {"a move of a trail 1e-30 long",
            [](GameObject&, RibbonTrailEffect& trail) {
                trail.setLength(1e-30f);
                trail.translate(Ogre::Vector3(1, 0, 0));
            }},
        // Laid back to the origin, the elements lie closer than a float square can tell.
        {"a turn of a trail 1e-30 long just laid along a move",
            [this](GameObject&, RibbonTrailEffect& trail) {
                trail.setLength(1e-30f);
                trail.setPosition(Ogre::Vector3(1, 0, 0));
                frame();
                trail.setPosition(Ogre::Vector3::ZERO);
                frame();
                trail.rotate(Ogre::Vector3::UNIT_Z, 30);
            }},
    };
    int index = 0;
    for (const Move& move : moves) {
        SCOPED_TRACE(move.name);
        GameObject parent;
        RibbonTrailEffect trail("trail" + std::to_string(index++), "test/Trail");
        parent.addChild(&trail);
        trail.setLength(10);
        frame();
        HangWatch watch(move.name);
        move.make(parent, trail);
        frame();
        frame();
        // The trail goes on from where the node is now.
        Ogre::RibbonTrail* ogre = trail.getTrail();
        const Ogre::Vector3 head = ogre->getChainElement(ogre->getChainIndexForNode(trail.getNode()), 0).position;
        EXPECT_TRUE(head.positionEquals(trail.getWorldPosition(), 1e-6f * trail.getWorldPosition().length() + 1e-3f))
            << head << " " << trail.getWorldPosition();
        const size_t chain = ogre->getChainIndexForNode(trail.getNode());
        for (size_t element = 0; element < ogre->getNumChainElements(chain); ++element) {
            EXPECT_TRUE(isFinite(ogre->getChainElement(chain, element).position)) << "element " << element;
        }
    }
}

TEST_F(WorldBounds, ATrailRestartedWhileItsNodeHasAPendingMoveStartsWhereTheNodeIs)
{
    // A new element count restarts the trail, which asks the node where it is; a pending move
    // then reaches the trail while its elements are cleared.
    const std::vector<std::pair<const char*, std::function<void(GameObject&, RibbonTrailEffect&)>>> moves = {
        {"its own move", [](GameObject&, RibbonTrailEffect& trail) { trail.translate(Ogre::Vector3(1, 0, 3)); }},
        {"its parent's move", [](GameObject& parent, RibbonTrailEffect&) { parent.translate(Ogre::Vector3(0, 4, 0)); }},
    };
    int index = 0;
    for (const auto& move : moves) {
        for (unsigned int elements : {2u, 40u}) {
            SCOPED_TRACE(move.first + (" then " + std::to_string(elements) + " elements"));
            GameObject parent;
            RibbonTrailEffect trail("restarted" + std::to_string(index++), "test/Trail");
            parent.addChild(&trail);
            trail.setLength(10);
            frame();
            HangWatch watch(move.first);
            move.second(parent, trail);
            trail.setMaxElements(elements);
            Ogre::RibbonTrail* ogre = trail.getTrail();
            const size_t chain = ogre->getChainIndexForNode(trail.getNode());
            ASSERT_EQ(2u, ogre->getNumChainElements(chain));
            for (size_t element = 0; element < 2; ++element) {
                EXPECT_TRUE(
                    ogre->getChainElement(chain, element).position.positionEquals(trail.getWorldPosition(), 1e-4f))
                    << ogre->getChainElement(chain, element).position << " " << trail.getWorldPosition();
            }
            frame();
        }
    }
}

TEST_F(WorldBounds, RibbonTrailRefusesALengthWhoseElementStepIsDenormal)
{
    RibbonTrailEffect trail("trail", "test/Trail");
    trail.setLength(10);
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"setLength", [&] { trail.setLength(1e-37f); }},
        {"setScale", [&] { trail.setScale(Ogre::Vector3(1, 1, 1e-38f)); }},
        {"scale", [&] { trail.scale(Ogre::Vector3(1, 1, 1e-38f)); }},
    };
    for (const auto& call : calls) {
        SCOPED_TRACE(call.first);
        EXPECT_THROW(call.second(), InvalidArgumentException);
        EXPECT_FLOAT_EQ(10, trail.getLength());
        EXPECT_EQ(Ogre::Vector3::UNIT_SCALE, trail.getScale());
    }
}

TEST_F(WorldBounds, MovesThatWouldTakeADescendantBeyond1e15AreRefusedChangingNothing)
{
    // top (scale 1e15) > middle > leaf at (1, 0, 0): the leaf stands at 1e15 in the world.
    GameObject top, middle, leaf, stranger;
    top.setScale(Ogre::Vector3(1e15f));
    top.addChild(&middle);
    middle.addChild(&leaf);
    leaf.setPosition(Ogre::Vector3(1, 0, 0));
    stranger.setScale(Ogre::Vector3(1e15f));

    const char* const warning = "Warning: Attempt to place a hierarchical where an object of it would have a world "
                                "position or scale beyond 1e15.";
    struct Call {
        const char* name;
        std::function<void()> call;
        bool throws;
    };
    const std::vector<Call> calls = {
        {"a nested scale", [&] { middle.setScale(Ogre::Vector3(1e15f)); }, true},
        {"a scaling of a nested object", [&] { leaf.scale(Ogre::Vector3(1, 2, 1)); }, true},
        {"a nested position", [&] { leaf.setPosition(Ogre::Vector3(0, 0, 1e15f)); }, true},
        {"an ancestor's position", [&] { top.setPosition(Ogre::Vector3(1e15f, 0, 0)); }, true},
        {"an ancestor's translation", [&] { middle.translate(Ogre::Vector3(0.5f, 0, 0)); }, true},
        {"a scaled child added", [&] { EXPECT_FALSE(middle.addChild(&stranger)); }, false},
        {"a scaled child's new parent", [&] { stranger.setParent(&leaf); }, false},
    };
    for (const Call& call : calls) {
        SCOPED_TRACE(call.name);
        mLog->clear();
        if (call.throws) {
            EXPECT_THROW(call.call(), InvalidArgumentException);
        } else {
            call.call();
            EXPECT_EQ(1, mLog->count(warning));
        }
        frame();
        EXPECT_EQ(Ogre::Vector3(1e15f, 0, 0), leaf.getWorldPosition());
        EXPECT_EQ(Ogre::Vector3(1e15f), leaf.getWorldScale());
        EXPECT_EQ(static_cast<Hierarchical*>(graphics().getRootNodeObject()), stranger.getParent());
        EXPECT_EQ(Ogre::Vector3::ZERO, stranger.getWorldPosition());
    }
}

TEST_F(WorldBounds, EachCallIsJudgedOnTheTransformsAsTheyAreWithNoFrameBetween)
{
    // Calls on the levels of a chain of five (level -1: a frame), each refused or not. The world
    // transforms the rendering engine caches are stale below an ancestor changed since a frame.
    const auto scale = [](float s) { return [s](GameObject& o) { o.setScale(Ogre::Vector3(s)); }; };
    const auto far = [](GameObject& o) { o.setPosition(Ogre::Vector3(1e6f, 0, 0)); };
    const struct {
        const char* name;
        std::vector<std::tuple<int, std::function<void(GameObject&)>, bool>> steps;
        Ogre::Vector3 leafPosition, leafScale;
    } cases[] = {
        {"scales of 1e15 on alternate levels", {{0, scale(1e15f), false}, {2, scale(1e15f), true}, {4, scale(1e15f), true}},
            Ogre::Vector3::ZERO, Ogre::Vector3(1e15f)},
        {"a move to 1e6 after an ancestor was scaled back down",
            {{0, scale(1e10f), false}, {-1, nullptr, false}, {0, scale(1), false}, {2, far, false}},
            Ogre::Vector3(1e6f, 0, 0), Ogre::Vector3::UNIT_SCALE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GameObject chain[5];
        for (int level = 1; level < 5; ++level) {
            chain[level - 1].addChild(&chain[level]);
        }
        frame();
        for (const auto& [level, call, refused] : c.steps) {
            if (level < 0) {
                frame();
            } else if (refused) {
                EXPECT_THROW(call(chain[level]), InvalidArgumentException) << "level " << level;
            } else {
                EXPECT_NO_THROW(call(chain[level])) << "level " << level;
            }
        }
        frame();
        EXPECT_EQ(c.leafPosition, chain[4].getWorldPosition());
        EXPECT_EQ(c.leafScale, chain[4].getWorldScale());
    }
}

TEST_F(WorldBounds, ParticlesUnderAScaleThatCountsAsZeroStayAwayUntilItIsUsable)
{
    const std::vector<std::pair<const char*, Ogre::Vector3>> scales = {
        {"zero", Ogre::Vector3(0, 1, 1)},
        {"denormal", Ogre::Vector3(1, 1e-40f, 1)},
        {"tiny", Ogre::Vector3(1, 1, 1e-16f)},
    };
    for (bool onAncestor : {false, true}) {
        for (const auto& scale : scales) {
            SCOPED_TRACE(std::string(scale.first) + (onAncestor ? " on an ancestor" : " on the system"));
            GameObject parent;
            ParticleSystem sparks("sparks", "test/Sparks");
            parent.addChild(&sparks);
            Ogre::ParticleSystem* system = sparks.getParticleSystem();
            // The rendering engine moves particles by the clock.
            const auto emitted = [&] {
                for (int i = 0; i < 500 && system->getNumParticles() == 0; ++i) {
                    frame(0.05f);
                }
                return system->getNumParticles() > 0;
            };
            EXPECT_TRUE(emitted());
            (onAncestor ? static_cast<GameObject&>(parent) : sparks).setScale(scale.second);
            for (int i = 0; i < 40; ++i) {
                frame(0.05f);
            }
            EXPECT_EQ(0u, system->getNumParticles());
            EXPECT_TRUE(isFinite(system->getBoundingBox().getMinimum()));
            (onAncestor ? static_cast<GameObject&>(parent) : sparks).setScale(Ogre::Vector3::UNIT_SCALE);
            EXPECT_TRUE(emitted());
        }
    }
}

TEST_F(WorldBounds, ATrailWhoseSpaceHasAScaleThatCountsAsZeroIsPutAwayUntilItIsUsable)
{
    // A trail's elements live in the space of the scene's root, which a script can scale too. New
    // sizes restart the trail in that space.
    NodeObject* root = Engine::getInstance()->getGraphics()->getRootNodeObject();
    const std::vector<std::pair<const char*, std::function<void(RibbonTrailEffect&)>>> changes = {
        {"a move", [](RibbonTrailEffect&) {}},
        {"two elements", [](RibbonTrailEffect& trail) { trail.setMaxElements(2); }},
        {"two chains", [](RibbonTrailEffect& trail) { trail.setNumberOfChains(2); }},
    };
    int index = 0;
    for (const Ogre::Vector3& scale : {Ogre::Vector3(1e-40f, 1e15f, 1), Ogre::Vector3(1, 0, 1), Ogre::Vector3::ZERO}) {
        for (const auto& change : changes) {
            SCOPED_TRACE(::testing::Message() << change.first << " under " << scale);
            GameObject parent;
            RibbonTrailEffect trail("trail" + std::to_string(index++), "test/Trail");
            parent.addChild(&trail);
            trail.setLength(10);
            frame();
            Ogre::RibbonTrail* ogre = trail.getTrail();
            root->setScale(scale);
            trail.translate(Ogre::Vector3(1, 0, 3));
            frame();
            change.second(trail);
            frame();
            frame();
            const Ogre::AxisAlignedBox bounds = ogre->getBoundingBox();
            EXPECT_TRUE(bounds.isNull() || (isFinite(bounds.getMinimum()) && isFinite(bounds.getMaximum())));
            // Usable again before a frame has brought the trail's space up to date.
            root->setScale(Ogre::Vector3::UNIT_SCALE);
            trail.translate(Ogre::Vector3(1, 0, 0));
            change.second(trail);
            frame();
            const Ogre::Vector3 head = ogre->getChainElement(ogre->getChainIndexForNode(trail.getNode()), 0).position;
            EXPECT_TRUE(head.positionEquals(trail.getWorldPosition(), 1e-3f))
                << head << " " << trail.getWorldPosition();
        }
    }
}
