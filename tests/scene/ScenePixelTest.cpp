// What a player sees of the scene objects, read back from the window: the camera sits at the
// origin looking down -Z at panels 300 units away; the background is cyan.
#include "SceneFixture.h"

#include <OgreBillboardChain.h>

#include <vector>

#include "scene/BillboardChainEffect.h"
#include "scene/BillboardEffect.h"
#include "scene/DirectionalLight.h"
#include "scene/MeshObject.h"
#include "scene/RibbonTrailEffect.h"

namespace tolva::test {
namespace {

const std::string EFFECT = "test/Highlight";
const Rgb RED = {255, 0, 0};
const Rgb GREEN = {0, 255, 0};
const Rgb BLUE = {0, 0, 255};
const Rgb WHITE = {255, 255, 255};
const Rgb BLACK = {0, 0, 0};

class ScenePixels : public SceneFixture {
protected:
    /// A 200 x 200 panel facing the camera.
    std::unique_ptr<MeshObject> panel(const std::string& name, const std::string& material, const Ogre::Vector3& at)
    {
        auto mesh = std::make_unique<MeshObject>(name, "Prefab_Plane");
        mesh->setMaterialName(material);
        mesh->setPosition(at);
        return mesh;
    }
};

TEST_F(ScenePixels, StencilledMeshShowsOnlyWhereTheStencilWriterDrew)
{
    auto writer = panel("writer", "test/Red", Ogre::Vector3(-100, 0, -300));
    writer->setRenderType(MeshObject::RT_STENCIL);
    auto stencilled = panel("stencilled", "test/Green", Ogre::Vector3(0, 0, -290));
    stencilled->setRenderType(MeshObject::RT_STENCILLED_CLIPPED);
    frame();
    EXPECT_TRUE(near(pixel(300, 300), GREEN));
    EXPECT_TRUE(near(pixel(500, 300), BACKGROUND));

    // Drawn normally, the same mesh covers both halves.
    stencilled->setRenderType(MeshObject::RT_NORMAL);
    frame();
    EXPECT_TRUE(near(pixel(500, 300), GREEN));
}

TEST_F(ScenePixels, CompositorIsOnOnlyWhileUsedAndDrawsItsUsers)
{
    auto first = panel("first", "test/Red", Ogre::Vector3(-100, 0, -300));
    auto second = panel("second", "test/Blue", Ogre::Vector3(100, 0, -300));
    frame();
    EXPECT_FALSE(compositorOn(EFFECT));
    EXPECT_TRUE(near(pixel(10, 10), BACKGROUND));

    first->setEffectEnable(EFFECT, true);
    second->setEffectEnable(EFFECT, true);
    frame();
    EXPECT_TRUE(compositorOn(EFFECT));
    EXPECT_TRUE(near(pixel(10, 10), MAGENTA));
    EXPECT_TRUE(near(pixel(300, 300), RED));

    // The first user leaves: the effect stays on but no longer draws it.
    first->setEffectEnable(EFFECT, false);
    frame();
    EXPECT_TRUE(near(pixel(300, 300), MAGENTA));
    EXPECT_TRUE(near(pixel(500, 300), BLUE));

    // The last user goes: the effect is off and the scene looks as before.
    second.reset();
    frame();
    EXPECT_FALSE(compositorOn(EFFECT));
    EXPECT_TRUE(near(pixel(10, 10), BACKGROUND));
    EXPECT_TRUE(near(pixel(300, 300), RED));
}

TEST_F(ScenePixels, MeshFadesOutOverItsDuration)
{
    auto mesh = panel("fading", "test/White", Ogre::Vector3(0, 0, -300));
    mesh->setFadeEnabled(true);
    mesh->fade(2.0f, 1.0f, 0.0f);
    frame(0.0f);
    EXPECT_TRUE(near(centre(), WHITE));
    frame(1.0f);
    EXPECT_TRUE(near(centre(), Rgb{128, 255, 255}));
    frame(1.0f);
    EXPECT_TRUE(near(centre(), BACKGROUND));
    EXPECT_FALSE(mesh->isFadeRunning());
}

TEST_F(ScenePixels, MeshFadesByItsDistanceFromTheCamera)
{
    auto mesh = panel("far", "test/White", Ogre::Vector3(0, 0, -400));
    mesh->setFadeEnabled(true);
    mesh->setDistanceFadeEnabled(true);
    // Start 500, finish 550.
    const std::pair<float, Rgb> cases[] = {{-400.0f, WHITE}, {-525.0f, {128, 255, 255}}, {-560.0f, BACKGROUND}};
    for (const auto& c : cases) {
        mesh->setPosition(Ogre::Vector3(0, 0, c.first));
        frame();
        EXPECT_TRUE(near(centre(), c.second)) << "at distance " << -c.first;
    }
}

TEST_F(ScenePixels, LightChangesALitSurface)
{
    auto surface = std::make_unique<MeshObject>("surface", "TestPanel.mesh");
    surface->setScale(Ogre::Vector3(200, 200, 1));
    surface->setPosition(Ogre::Vector3(0, 0, -300));
    frame();
    EXPECT_TRUE(near(centre(), BLACK));

    DirectionalLight light("sun");
    light.setDirection(Ogre::Vector3(0, 0, -1));
    frame();
    EXPECT_TRUE(near(centre(), WHITE));
    light.setDiffuse(0, 1, 0);
    frame();
    EXPECT_TRUE(near(centre(), GREEN));
    light.setVisible(false);
    frame();
    EXPECT_TRUE(near(centre(), BLACK));
}

TEST_F(ScenePixels, BillboardChainAndTrailAppear)
{
    BillboardEffect glow("glow", "test/Dot");
    glow.setPosition(Ogre::Vector3(0, 0, -300));
    glow.setColour(Ogre::ColourValue::Red);

    BillboardChainEffect chain("chain", "test/Trail");
    const Ogre::ColourValue green = Ogre::ColourValue::Green;
    chain.getChain()->addChainElement(
        0, Ogre::BillboardChain::Element(Ogre::Vector3(-100, -100, -300), 20, 0, green, Ogre::Quaternion::IDENTITY));
    chain.getChain()->addChainElement(
        0, Ogre::BillboardChain::Element(Ogre::Vector3(-100, 100, -300), 20, 1, green, Ogre::Quaternion::IDENTITY));

    RibbonTrailEffect trail("trail", "test/Trail");
    trail.setInitialColour(Ogre::ColourValue::Blue);
    trail.setInitialWidth(20);
    trail.setLength(400);
    for (int step = 0; step <= 10; ++step) {
        trail.setPosition(Ogre::Vector3(100, -100 + 20.0f * step, -300));
        frame();
    }
    EXPECT_TRUE(near(centre(), RED));
    EXPECT_TRUE(near(pixel(158, 300), GREEN));
    EXPECT_TRUE(near(pixel(642, 300), BLUE));
    EXPECT_TRUE(near(pixel(400, 100), BACKGROUND));
}

TEST_F(ScenePixels, ATrailOfAFastObjectStaysDrawnBehindIt)
{
    // A 400-unit trail crossing the view upwards at x = 100; each row ends with the head above
    // the centre line, which the trail crosses.
    const std::vector<std::pair<const char*, std::vector<float>>> paths = {
        {"moves of 60% of its length", {-700, -460, -220, 20}},
        {"a jump past its length", {-1000, 100}},
        {"a jump of 1e6", {-1e6f, 100}},
    };
    int index = 0;
    for (const auto& path : paths) {
        SCOPED_TRACE(path.first);
        RibbonTrailEffect trail("fast" + std::to_string(index++), "test/Trail");
        trail.setInitialColour(Ogre::ColourValue::Blue);
        trail.setInitialWidth(20);
        trail.setLength(400);
        for (float y : path.second) {
            trail.setPosition(Ogre::Vector3(100, y, -300));
            frame();
        }
        EXPECT_TRUE(near(pixel(642, 300), BLUE));
        // Nothing ahead of the head.
        EXPECT_TRUE(near(pixel(642, 20), BACKGROUND));
    }
}

} // namespace
} // namespace tolva::test
