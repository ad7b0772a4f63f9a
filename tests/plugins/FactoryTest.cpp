// The factory and the plug-in object, without a rendering engine root.
#include "plugins/archive_lzma/Archive.h"
#include "plugins/archive_lzma/Factory.h"
#include "plugins/archive_lzma/LZMA.h"

#include <gtest/gtest.h>

using namespace tolva::plugin::archive::lzma;

TEST(ArchiveFactory, NamesTheTypeLZMA)
{
    Factory factory;
    EXPECT_EQ(factory.getType(), "LZMA");
    LZMA plugin;
    EXPECT_EQ(plugin.getName(), "LZMA");
}

TEST(ArchiveFactory, EveryInstanceIsANewUnloadedArchive)
{
    Factory factory;
    Ogre::Archive* first = factory.createInstance("some/archive.7z");
    Ogre::Archive* second = factory.createInstance("some/archive.7z", false);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(dynamic_cast<Archive*>(first), nullptr);
    EXPECT_EQ(first->getName(), "some/archive.7z");
    EXPECT_EQ(first->getType(), "LZMA");
    EXPECT_EQ(second->getType(), "LZMA");
    EXPECT_TRUE(first->isReadOnly());
    EXPECT_TRUE(first->list()->empty());
    // Handed back, each is deleted (the sanitizer build reports a leak otherwise).
    factory.destroyInstance(first);
    factory.destroyInstance(second);
}
