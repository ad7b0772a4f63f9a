// The graphics module's compositor effects and root node object, and the scene objects other
// than meshes: renderables and their effects, lights, particle systems, billboards, chains and
// trails, and names that clash.
#include "SceneFixture.h"

#include <OgreBillboard.h>
#include <OgreLight.h>
#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreRibbonTrail.h>
#include <OgreSceneNode.h>

#include <functional>

#include "core/Exceptions.h"
#include "scene/BillboardChainEffect.h"
#include "scene/BillboardEffect.h"
#include "scene/MeshObject.h"
#include "scene/NodeObject.h"
#include "scene/ParticleSystem.h"
#include "scene/PointLight.h"
#include "scene/RibbonTrailEffect.h"
#include "scene/SpotLight.h"

namespace tolva::test {
namespace {

const std::string HIGHLIGHT = "test/Highlight";
const std::string PASS_THROUGH = "test/PassThrough";

class SceneObjects : public SceneFixture {
protected:
    std::uint32_t uses(const std::string& effect) { return graphics().getCompositorEffects().at(effect).useCount; }
};

TEST_F(SceneObjects, CompositorEffectCountsItsUsers)
{
    Graphics& module = graphics();
    EXPECT_TRUE(module.isEffectAvailable(HIGHLIGHT));
    EXPECT_EQ(module.getEffectVisibilityMask(HIGHLIGHT), 2u);
    EXPECT_EQ(module.getEffectVisibilityMask("nope"), 1u);

    module.notifyEffectUsed(HIGHLIGHT);
    module.notifyEffectUsed(HIGHLIGHT);
    module.notifyEffectReleased(HIGHLIGHT);
    EXPECT_TRUE(compositorOn(HIGHLIGHT));
    module.notifyEffectReleased(HIGHLIGHT);
    EXPECT_FALSE(compositorOn(HIGHLIGHT));
    mLog->clear();
    module.notifyEffectReleased(HIGHLIGHT);
    EXPECT_EQ(uses(HIGHLIGHT), 0u);
    EXPECT_TRUE(mLog->getLines().empty());

    // A configured compositor that does not exist keeps its mask but is not available.
    module.addCompositorEffect("test/Missing", 8);
    EXPECT_TRUE(mLog->contains("Warning: Failed to instantiate compositor effect test/Missing."));
    EXPECT_FALSE(module.isEffectAvailable("test/Missing"));
    EXPECT_EQ(module.getEffectVisibilityMask("test/Missing"), 8u);

    mLog->clear();
    module.notifyEffectUsed("nope");
    module.notifyEffectUsed("test/Missing");
    module.notifyEffectReleased("nope");
    module.notifyEffectReleased("test/Missing");
    EXPECT_EQ(mLog->getLines(),
        (std::vector<std::string>{"Warning: Attempt to use an unknown compositor effect.",
            "Warning: Attempt to use an invalid compositor effect.",
            "Warning: Attempt to disable an unknown compositor effect.",
            "Warning: Attempt to disable an invalid compositor effect."}));
}

TEST_F(SceneObjects, OnlyTheFirstEffectSectionIsRead)
{
    struct Case {
        std::string config;
        std::string name;
        std::uint32_t mask;
        bool available;
    };
    const Case cases[] = {
        {"", "", 0, false},
        {"[CompositorEffect-01]\nCompositor=test/PassThrough\n", PASS_THROUGH, 1, true},
        {"[CompositorEffect-01]\nCompositor=test/Missing\nVisibilityMask=4\n", "test/Missing", 4, false},
        {"[CompositorEffect-01]\nVisibilityMask=4\n", "", 0, false},
        {"[CompositorEffect-02]\nCompositor=test/PassThrough\n", "", 0, false},
    };
    for (const Case& c : cases) {
        TearDown();
        start(c.config);
        const Graphics::CompositorEffectMap& effects = graphics().getCompositorEffects();
        ASSERT_EQ(effects.size(), c.name.empty() ? 0u : 1u) << c.config;
        if (!c.name.empty()) {
            EXPECT_EQ(effects.begin()->first, c.name);
            EXPECT_EQ(effects.begin()->second.visibilityMask, c.mask);
            EXPECT_EQ(graphics().isEffectAvailable(c.name), c.available);
        }
    }
}

TEST_F(SceneObjects, VisibilityFlagsFollowTheEnabledEffects)
{
    graphics().addCompositorEffect(PASS_THROUGH, 4);
    auto light = std::make_unique<PointLight>("lamp");
    EXPECT_EQ(light->getObject()->getVisibilityFlags(), 1u);
    light->setEffectEnable(HIGHLIGHT, true);
    light->setEffectEnable(HIGHLIGHT, true);
    light->setEffectEnable(PASS_THROUGH, true);
    EXPECT_EQ(light->getObject()->getVisibilityFlags(), 7u);
    EXPECT_EQ(uses(HIGHLIGHT), 1u);
    light->setEffectEnable(HIGHLIGHT, false);
    EXPECT_EQ(light->getObject()->getVisibilityFlags(), 5u);

    mLog->clear();
    light->setEffectEnable("nope", true);
    EXPECT_EQ(mLog->getLines(), std::vector<std::string>{"Warning: Attempt to use non existent effect: nope."});
    EXPECT_EQ(light->getObject()->getVisibilityFlags(), 5u);

    // Another movable object starts without effects; the old one's are released.
    light->setEffectEnable(HIGHLIGHT, true);
    Ogre::Light* other = scene()->createLight("other");
    Ogre::Light* own = light->getLight();
    light->setObject(other, true);
    EXPECT_EQ(uses(HIGHLIGHT), 0u);
    EXPECT_EQ(uses(PASS_THROUGH), 0u);
    EXPECT_EQ(other->getParentSceneNode(), light->getNode());
    EXPECT_EQ(own->getParentSceneNode(), nullptr);
    light->setObject(own, true);

    // Without a movable object there is nothing to show, hide or flag.
    RenderableObject empty(nullptr);
    EXPECT_FALSE(empty.isVisible());
    empty.setVisible(true);
    empty.setEffectEnable(HIGHLIGHT, true);
    EXPECT_TRUE(empty.isEffectEnabled(HIGHLIGHT));

    light->setEffectEnable(HIGHLIGHT, true);
    light->setEffectEnable(PASS_THROUGH, true);
    light.reset();
    EXPECT_EQ(uses(HIGHLIGHT), 1u);
    EXPECT_EQ(uses(PASS_THROUGH), 0u);
    scene()->destroyLight(other);
}

TEST_F(SceneObjects, LightsAreWhiteOfTheirType)
{
    struct Case {
        std::function<std::unique_ptr<Light>()> make;
        Ogre::Light::LightTypes type;
    };
    const Case cases[] = {
        {[] { return std::make_unique<PointLight>("point"); }, Ogre::Light::LT_POINT},
        {[] { return std::make_unique<DirectionalLight>("sun"); }, Ogre::Light::LT_DIRECTIONAL},
        {[] { return std::make_unique<SpotLight>("spot"); }, Ogre::Light::LT_SPOTLIGHT},
    };
    for (const Case& c : cases) {
        std::unique_ptr<Light> light = c.make();
        EXPECT_EQ(light->getLight()->getType(), c.type);
        EXPECT_EQ(light->getDiffuse(), Ogre::ColourValue::White);
        EXPECT_EQ(light->getSpecular(), Ogre::ColourValue::White);
    }

    SpotLight spot("spot");
    spot.setOuterAngle(45);
    EXPECT_NEAR(spot.getOuterAngle().valueRadians(), Ogre::Math::PI / 4, 1e-6);
    spot.setAttenuation(100, 1, 0.5f, 0.25f);
    EXPECT_EQ((std::array<float, 4>{spot.getAttenuationRange(), spot.getAttenuationConstant(),
                  spot.getAttenuationLinear(), spot.getAttenuationQuadric()}),
        (std::array<float, 4>{100, 1, 0.5f, 0.25f}));
}

TEST_F(SceneObjects, ParticleSystemSwitchesAllItsEmitters)
{
    ParticleSystem sparks("sparks", "test/Sparks");
    EXPECT_TRUE(sparks.isEnabled());
    sparks.setEnabled(false);
    sparks.setEmittersDirection(Ogre::Vector3::UNIT_X);
    EXPECT_FALSE(sparks.isEnabled());
    Ogre::ParticleSystem* system = sparks.getParticleSystem();
    ASSERT_GT(system->getNumEmitters(), 0);
    for (unsigned short i = 0; i < system->getNumEmitters(); ++i) {
        EXPECT_FALSE(system->getEmitter(i)->getEnabled());
        EXPECT_EQ(system->getEmitter(i)->getDirection(), Ogre::Vector3::UNIT_X);
    }
    EXPECT_THROW(ParticleSystem("other", "test/NoSuchTemplate"), Ogre::Exception);
}

TEST_F(SceneObjects, BillboardEffectTurnsAndSizesItsBillboards)
{
    BillboardEffect glow("glow", "test/Dot");
    Ogre::BillboardSet* set = glow.getBillboardSet();
    ASSERT_EQ(set->getNumBillboards(), 1);
    EXPECT_EQ(set->getBillboard(0)->getPosition(), Ogre::Vector3::ZERO);
    EXPECT_EQ(glow.getColour(), Ogre::ColourValue::White);
    EXPECT_FLOAT_EQ(glow.getRotation(), 0);
    glow.setRotation(90);
    glow.rotate(45);
    EXPECT_NEAR(glow.getRotation(), 135, 1e-4);

    Ogre::Billboard* second = glow.createBillboard(Ogre::Vector3(1, 0, 0));
    glow.setSize(2, 3);
    EXPECT_EQ(glow.getSize(), Ogre::Vector2(2, 3));
    EXPECT_EQ(Ogre::Vector2(second->getOwnWidth(), second->getOwnHeight()), Ogre::Vector2(2, 3));
    EXPECT_EQ(Ogre::Vector2(set->getDefaultWidth(), set->getDefaultHeight()), Ogre::Vector2(2, 3));
}

TEST_F(SceneObjects, BillboardEffectMovedBetweenObjectsHangsOnExactlyOneNode)
{
    auto first = std::make_unique<PointLight>("first");
    auto second = std::make_unique<PointLight>("second");
    auto glow = std::make_unique<BillboardEffect>("glow", "test/Dot");
    Ogre::BillboardSet* set = glow->getBillboardSet();
    first->attachEffect(glow.get());
    second->attachEffect(glow.get());
    EXPECT_EQ(set->getParentSceneNode(), second->getNode());
    EXPECT_EQ(first->getNode()->numAttachedObjects(), 1u);
    EXPECT_EQ(second->getNode()->numAttachedObjects(), 2u);
    EXPECT_EQ(glow->getNode()->numAttachedObjects(), 0u);

    mLog->clear();
    first->detachEffect(glow.get());
    EXPECT_EQ(mLog->getLines().size(), 1u);
    EXPECT_EQ(set->getParentSceneNode(), second->getNode());

    // The host goes: the effect is back on its own node.
    second.reset();
    EXPECT_EQ(set->getParentSceneNode(), glow->getNode());
    frame();

    // The effect goes while attached: nothing of it stays on the host's node.
    first->attachEffect(glow.get());
    glow.reset();
    EXPECT_EQ(first->getNode()->numAttachedObjects(), 1u);
    frame();
}

TEST_F(SceneObjects, RibbonTrailFollowsTheWorldScale)
{
    GameObject parent;
    parent.setScale(Ogre::Vector3(1, 2, 2));
    auto trail = std::make_unique<RibbonTrailEffect>("trail", "test/Trail");
    parent.addChild(trail.get());
    trail->setScale(Ogre::Vector3(1, 1, 2));
    trail->setLength(10);
    trail->setInitialWidth(1);
    EXPECT_FLOAT_EQ(trail->getLength(), 40);
    EXPECT_FLOAT_EQ(trail->getInitialWidth(), 2);
    trail->scale(Ogre::Vector3(1, 1, 2));
    EXPECT_FLOAT_EQ(trail->getLength(), 80);
    EXPECT_FLOAT_EQ(trail->getInitialWidth(), 2);
    EXPECT_EQ(trail->getTrail()->getParentSceneNode()->getParentSceneNode(), graphics().getRootNode());

    // Gone with its trail and node: the name is free again.
    trail.reset();
    EXPECT_FALSE(scene()->hasRibbonTrail("trail"));
    RibbonTrailEffect again("trail", "test/Trail");
    frame();
}

TEST_F(SceneObjects, UnknownMaterialsWarnAndLeaveUsableObjects)
{
    const std::pair<std::function<std::shared_ptr<GameObject>()>, std::string> cases[] = {
        {[] { return std::make_shared<BillboardEffect>("glow", "test/Nothing"); }, "Warning: Billboard glow: "},
        {[] { return std::make_shared<BillboardChainEffect>("chain", "test/Nothing"); },
            "Warning: Billboard Chain chain: "},
        {[] { return std::make_shared<RibbonTrailEffect>("trail", "test/Nothing"); }, "Warning: Ribbon Trail trail: "},
    };
    for (const auto& c : cases) {
        mLog->clear();
        std::shared_ptr<GameObject> object = c.first();
        ASSERT_EQ(mLog->getLines().size(), 1u) << c.second;
        EXPECT_EQ(mLog->getLines()[0].rfind(c.second, 0), 0u) << mLog->getLines()[0];
        object->setPosition(Ogre::Vector3(0, 0, -10));
        frame();
    }
    BillboardEffect glow("lost", "test/Nothing");
    EXPECT_TRUE(glow.getBillboardSet()->getMaterial());
}

TEST_F(SceneObjects, NameClashesAreRefusedWithAClearException)
{
    const std::pair<std::function<std::shared_ptr<GameObject>()>, std::string> cases[] = {
        {[] { return std::make_shared<MeshObject>("same", "Prefab_Cube"); }, "mesh"},
        {[] { return std::make_shared<PointLight>("same"); }, "light"},
        {[] { return std::make_shared<ParticleSystem>("same", "test/Sparks"); }, "particle system"},
        {[] { return std::make_shared<BillboardEffect>("same", "test/Dot"); }, "billboard set"},
        {[] { return std::make_shared<BillboardChainEffect>("same", "test/Trail"); }, "billboard chain"},
        {[] { return std::make_shared<RibbonTrailEffect>("same", "test/Trail"); }, "ribbon trail"},
    };
    for (const auto& c : cases) {
        std::shared_ptr<GameObject> first = c.first();
        const std::size_t children = graphics().getRootNode()->numChildren();
        try {
            c.first();
            ADD_FAILURE() << c.second;
        } catch (const InvalidArgumentException& e) {
            EXPECT_EQ(std::string(e.what()), "A " + c.second + " named 'same' already exists.");
        }
        // Nothing of the refused object stays in the scene, and the first one still renders.
        EXPECT_EQ(graphics().getRootNode()->numChildren(), children) << c.second;
        first->setPosition(Ogre::Vector3(0, 0, -10));
        frame();
    }

    // Entity and material names that join to the same fade material name.
    Ogre::MaterialManager::getSingleton().getByName("test/White")->clone("c");
    Ogre::MaterialManager::getSingleton().getByName("test/White")->clone("b_c");
    MeshObject first("a_b", "Prefab_Cube");
    MeshObject second("a", "Prefab_Cube");
    first.setMaterialName("c");
    second.setMaterialName("b_c");
    first.setFadeEnabled(true);
    EXPECT_THROW(second.setFadeEnabled(true), InvalidArgumentException);
    EXPECT_FALSE(second.isFadeEnabled());
    first.setFadeEnabled(false);
    second.setFadeEnabled(true);
    EXPECT_TRUE(second.isFadeEnabled());
}

TEST_F(SceneObjects, GameObjectsJoinTheRootNodeObjectWhileItExists)
{
    NodeObject* root = graphics().getRootNodeObject();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getNode(), graphics().getRootNode());
    struct NodeWatch : Ogre::Node::Listener {
        void nodeDestroyed(const Ogre::Node*) override { destroyed = true; }
        bool destroyed = false;
    } watch;
    {
        GameObject object;
        EXPECT_EQ(object.getParent(), root);
        EXPECT_EQ(object.getNode()->getParentSceneNode(), graphics().getRootNode());
        object.getNode()->setListener(&watch);
    }
    // The node went with its object.
    EXPECT_TRUE(watch.destroyed);

    GameObject object;
    mEngine->shutdown();
    EXPECT_EQ(graphics().getRootNodeObject(), nullptr);
    EXPECT_TRUE(object.isRoot());
}

} // namespace
} // namespace tolva::test
