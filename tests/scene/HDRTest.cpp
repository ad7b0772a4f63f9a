// The HDR render path on a real window with the shipped "compositor/HDR": the driver binds to the
// configured effect, measures the scene's luminance on the graphics card, adapts to it over
// simulated time and feeds every pass; a missing or broken compositor leaves the game rendering
// without HDR. The camera looks down -Z at a panel that fills the view.
#include "SceneFixture.h"

#include <OgreCompositorManager.h>
#include <OgreGpuProgramParams.h>
#include <OgreMaterialManager.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "scene/HDRCompositorDriver.h"
#include "scene/MeshObject.h"
#include "scene/RenderPathManager.h"
#include "support/TempDir.h"

namespace tolva::test {
namespace {

const std::string HDR_EFFECT = "compositor/HDR";
const std::string SHIPPED = TOLVA_SOURCE_DIR "/data/media/compositor";
const std::string HDR_SECTION = "[CompositorEffect-01]\nCompositor=compositor/HDR\nVisibilityMask=2\n";

class HDRPath : public SceneFixture {
protected:
    // Each test starts the engine with its own resources.
    void SetUp() override { }

    void startWith(const std::string& compositorFolder, const std::string& section = HDR_SECTION)
    {
        start("FileSystem=" + compositorFolder + "\n" + section);
    }

    HDRCompositorDriver& driver()
    {
        return *static_cast<HDRCompositorDriver*>(graphics().getRenderPathManager()->getDriver("HDR"));
    }

    /// A panel filling the view in a flat grey of the given brightness, drawn through the effect.
    std::unique_ptr<MeshObject> panel(float brightness)
    {
        const std::string name = "grey" + std::to_string(brightness);
        Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().getByName("test/White")->clone(name);
        material->getTechnique(0)->getPass(0)->setSelfIllumination(brightness, brightness, brightness);
        auto mesh = std::make_unique<MeshObject>(name, "Prefab_Plane");
        mesh->setMaterialName(name);
        mesh->setPosition(Ogre::Vector3(0, 0, -50));
        mesh->setEffectEnable(HDR_EFFECT, true);
        return mesh;
    }

    bool loggedWithoutHDR()
    {
        for (const std::string& line : mLog->getLines()) {
            if (line.find("Warning: HDR compositor 'compositor/HDR'") == 0
                && line.find("; rendering without HDR.") != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(HDRPath, DriverBindsToTheConfiguredEffectAndRunsWhileItIsUsed)
{
    startWith(SHIPPED);
    ASSERT_NE(driver().getInstance(), nullptr);
    EXPECT_EQ(driver().getInstance(), graphics().getCompositorEffects().at(HDR_EFFECT).instance);
    EXPECT_TRUE(driver().isSupported());
    EXPECT_FALSE(driver().isEnabled());

    auto grey = panel(0.5f);
    frame();
    EXPECT_TRUE(driver().isEnabled());
    EXPECT_FALSE(loggedWithoutHDR());
    grey.reset();
    frame();
    EXPECT_FALSE(driver().isEnabled());
}

TEST_F(HDRPath, BrightAndDarkScenesAdaptToDifferentExposures)
{
    startWith(SHIPPED);
    const float brightness[] = {1.0f, 0.1f};
    float adapted[2];
    for (int scene = 0; scene < 2; ++scene) {
        auto grey = panel(brightness[scene]);
        for (int i = 0; i < 3; ++i) {
            frame(2.0f);
        }
        // The mean luminance of a flat grey is the grey, within half-float precision.
        EXPECT_NEAR(driver().getMeasuredLuminance(), brightness[scene], brightness[scene] * 0.02f);
        adapted[scene] = driver().getAdaptedLuminance();
        EXPECT_FLOAT_EQ(adapted[scene], driver().getMeasuredLuminance());
        // Fully adapted, both greys show the same: 1 - exp(-1) of full scale.
        EXPECT_TRUE(near(centre(), Rgb{161, 161, 161}, 4)) << scene;
    }
    EXPECT_GT(adapted[0], 8.0f * adapted[1]);
}

TEST_F(HDRPath, AdaptationFollowsTheFormulaOncePerFrame)
{
    startWith(SHIPPED);
    auto grey = panel(1.0f);
    const float seconds = 0.25f;
    float expected = driver().getAdaptedLuminance();
    for (int i = 0; i < 6; ++i) {
        frame(seconds);
        const float measured = driver().getMeasuredLuminance();
        const float difference = measured - expected;
        expected += std::min(1.0f, seconds / std::abs(difference)) * difference;
        EXPECT_FLOAT_EQ(driver().getAdaptedLuminance(), expected) << "frame " << i;
    }
    // Four steps of 0.25 cover the way from darkness to 1.
    EXPECT_FLOAT_EQ(driver().getAdaptedLuminance(), driver().getMeasuredLuminance());
}

TEST_F(HDRPath, EachPassGetsItsNamedConstantsAndOtherPassesNone)
{
    startWith(SHIPPED);
    auto grey = panel(1.0f);
    frame(10.0f);
    float offsets[8], kernel[15], vertical[30];
    HDRCompositorDriver::genDownSampleRectOffsets(2, 256, offsets);
    HDRCompositorDriver::genGaussKernLin(15, 3.0f, kernel, 1.0f);
    HDRCompositorDriver::genSampleLinOffsets(15, 128, vertical, false);
    const struct {
        std::uint32_t pass;
        const char* material;
        const char* constant;
        std::vector<float> values;
    } cases[] = {
        {1030, "compositor/HDR/LuminanceFirst", "offsets", {offsets, offsets + 8}},
        {1100, "compositor/HDR/Blur", "kernel", {kernel, kernel + 15}},
        {1110, "compositor/HDR/Blur", "offsets", {vertical, vertical + 30}},
        {1120, "compositor/HDR/ToneMap", "lumAdapted", {driver().getAdaptedLuminance()}},
    };
    for (const auto& c : cases) {
        Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().getByName(c.material)->clone("fed");
        material->load();
        const Ogre::GpuProgramParametersSharedPtr parameters
            = material->getTechnique(0)->getPass(0)->getFragmentProgramParameters();
        const Ogre::GpuConstantDefinition& constant = parameters->getConstantDefinition(c.constant);
        const float* stored = parameters->getFloatPointer(constant.physicalIndex);
        const std::vector<float> before(stored, stored + c.values.size());
        for (const std::uint32_t other : {0u, 1000u, 1040u, 1130u}) {
            driver().notifyMaterialRender(other, material);
        }
        stored = parameters->getFloatPointer(constant.physicalIndex);
        EXPECT_EQ(std::vector<float>(stored, stored + c.values.size()), before) << c.pass << " " << c.constant;
        driver().notifyMaterialRender(c.pass, material);
        stored = parameters->getFloatPointer(constant.physicalIndex);
        EXPECT_EQ(std::vector<float>(stored, stored + c.values.size()), c.values) << c.pass << " " << c.constant;
        Ogre::MaterialManager::getSingleton().remove(material);
    }
    EXPECT_FALSE(driver().isBroken());
}

TEST_F(HDRPath, WithoutTheEffectTheDriverAddsItsOwnInstanceSwitchedOff)
{
    startWith(SHIPPED, "");
    ASSERT_NE(driver().getInstance(), nullptr);
    EXPECT_FALSE(driver().isEnabled());
    RenderPathManager& manager = *graphics().getRenderPathManager();
    EXPECT_EQ(manager.getCompositorInstance(HDR_EFFECT), driver().getInstance());
    // A second instance further down the chain is not the one found.
    Ogre::CompositorManager::getSingleton().addCompositor(graphics().getViewport(), HDR_EFFECT, -1);
    EXPECT_EQ(manager.getCompositorInstance(HDR_EFFECT), driver().getInstance());

    driver().setEnabled(true);
    frame(10.0f);
    EXPECT_TRUE(driver().isEnabled());
    EXPECT_NEAR(driver().getAdaptedLuminance(), 0.787f, 0.02f) << "the cyan background's luminance";
}

TEST_F(HDRPath, MissingCompositorIsReportedAndTheGameRendersWithoutIt)
{
    start(HDR_SECTION);
    EXPECT_TRUE(loggedWithoutHDR());
    EXPECT_EQ(driver().getInstance(), nullptr);
    EXPECT_FALSE(driver().isEnabled());
    EXPECT_FALSE(driver().isSupported());
    driver().setEnabled(true);
    frame();
    EXPECT_TRUE(near(centre(), BACKGROUND));
}

/// The shipped compositor with one text replaced by another.
std::string shippedWith(const std::string& from, const std::string& to)
{
    std::string text = readFile(SHIPPED + "/HDR.compositor");
    const std::size_t at = text.find(from);
    return at == std::string::npos ? std::string() : text.replace(at, from.size(), to);
}

TEST_F(HDRPath, BrokenCompositorIsReportedAndTheGameRendersWithoutIt)
{
    const struct {
        const char* fault;
        std::string compositor;
    } cases[] = {
        {"no luminance target", shippedWith("texture lum4 1 1 PF_FLOAT16_R", "")},
        {"a pass without fragment program", shippedWith("compositor/HDR/Blur", "test/White")},
        {"a material that does not exist", shippedWith("compositor/HDR/ToneMap", "compositor/HDR/Nothing")},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.compositor.empty()) << c.fault;
        TempDir folder;
        for (const auto& file : std::filesystem::directory_iterator(SHIPPED)) {
            folder.write(file.path().filename(), readFile(file.path()));
        }
        folder.write("HDR.compositor", c.compositor);
        startWith(folder.path());
        EXPECT_TRUE(loggedWithoutHDR()) << c.fault;
        auto grey = panel(0.5f);
        frame();
        frame();
        EXPECT_FALSE(driver().isEnabled()) << c.fault;
        EXPECT_TRUE(near(centre(), Rgb{128, 128, 128})) << c.fault;
        grey.reset();
        TearDown();
    }
}

TEST_F(HDRPath, PassThatFailsWhileBeingFedSwitchesHDROffInsteadOfEndingTheFrame)
{
    startWith(SHIPPED);
    auto grey = panel(0.5f);
    frame();
    ASSERT_TRUE(driver().isEnabled());
    // A material without fragment program, as a broken pass would hand over.
    Ogre::MaterialPtr plain = Ogre::MaterialManager::getSingleton().getByName("test/White");
    driver().notifyMaterialRender(HDRCompositorDriver::PASS_BLUR_HORIZONTAL, plain);
    EXPECT_TRUE(loggedWithoutHDR());
    frame();
    EXPECT_FALSE(driver().isEnabled());
    EXPECT_TRUE(near(centre(), Rgb{128, 128, 128}));
}

} // namespace
} // namespace tolva::test
