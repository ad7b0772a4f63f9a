// The built plug-in loaded into a rendering engine root, as the program loads it.
#include "support/TempDir.h"

#include <OgreArchiveManager.h>
#include <OgreDataStream.h>
#include <OgreException.h>
#include <OgreLogManager.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <gtest/gtest.h>

namespace {

const std::string kFixtures = TOLVA_ARCHIVE_FIXTURES;

Ogre::Root* makeRoot(const tolva::test::TempDir& dir)
{
    auto* root = new Ogre::Root("", "", dir.file("ogre.log"));
    Ogre::LogManager::getSingleton().getDefaultLog()->setDebugOutputEnabled(false);
    root->loadPlugin(TOLVA_ARCHIVE_PLUGIN);
    return root;
}

std::string readResource(const std::string& name)
{
    Ogre::DataStreamPtr stream = Ogre::ResourceGroupManager::getSingleton().openResource(name, Ogre::RGN_DEFAULT);
    return stream ? stream->getAsString() : std::string("<null stream>");
}

} // namespace

TEST(ArchivePlugin, ServesResourceLocationsOfTypeLZMA)
{
    tolva::test::TempDir dir;
    Ogre::Root* root = makeRoot(dir);
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    groups.addResourceLocation(kFixtures + "/entries.7z", "LZMA", Ogre::RGN_DEFAULT, true);
    groups.addResourceLocation(kFixtures + "/solid.7z", "LZMA", Ogre::RGN_DEFAULT, true);

    EXPECT_TRUE(groups.resourceExists(Ogre::RGN_DEFAULT, "top.txt"));
    EXPECT_EQ(readResource("top.txt"), "top level file\n");
    EXPECT_EQ(readResource("dir/inner.txt"), "inner file\n");
    EXPECT_EQ(readResource("media/solid.material"), "material solid_material\n{\n}\n");

    Ogre::FileInfoListPtr materials = groups.findResourceFileInfo(Ogre::RGN_DEFAULT, "*.material");
    std::vector<std::string> found;
    for (const Ogre::FileInfo& info : *materials) {
        found.push_back(info.filename);
        EXPECT_EQ(info.archive->getType(), "LZMA");
    }
    EXPECT_EQ(found, std::vector<std::string>({"dir/sub/deep.material", "media/solid.material"}));
    EXPECT_EQ(groups.resourceModifiedTime(Ogre::RGN_DEFAULT, "top.txt"), 1230768000);

    // The root unloads the plug-in before it closes its archives: this must end cleanly.
    delete root;
    EXPECT_EQ(Ogre::Root::getSingletonPtr(), nullptr);
}

TEST(ArchivePlugin, ABrokenArchiveReportsThroughTheResourceSystem)
{
    tolva::test::TempDir dir;
    Ogre::Root* root = makeRoot(dir);
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    try {
        groups.addResourceLocation(kFixtures + "/not-7z.txt", "LZMA");
        ADD_FAILURE() << "a text file was accepted as an archive";
    } catch (const Ogre::InternalErrorException& e) {
        EXPECT_EQ(e.getDescription(), kFixtures + "/not-7z.txt is not a valid LZMA archive.");
    }
    groups.addResourceLocation(kFixtures + "/crc.7z", "LZMA");
    // A damaged entry is a null stream, not damaged data.
    Ogre::DataStreamPtr damaged = groups.openResource("second.txt", Ogre::RGN_DEFAULT);
    EXPECT_FALSE(damaged);
    EXPECT_EQ(readResource("stored.txt"), "stored data that will be damaged\n");
    delete root;
}

TEST(ArchivePlugin, SurvivesASecondRootInOneProcess)
{
    tolva::test::TempDir dir;
    for (int round = 0; round < 2; ++round) {
        Ogre::Root* root = makeRoot(dir);
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(kFixtures + "/matrix.7z", "LZMA");
        EXPECT_EQ(readResource("top.txt"), "top level file\n") << "round " << round;
        delete root;
    }
}
