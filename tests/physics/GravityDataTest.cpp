// Gravity map files and the gravity manager: the files of the old program, malformed files,
// sharing one grid among maps, and grids that outlive their manager.
#include "GravityFixture.h"

#include "core/Exceptions.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <OgreException.h>
#include <OgreLogManager.h>

#include <boost/filesystem.hpp>
#include <boost/python.hpp>

#include <functional>

using namespace tolva;
namespace bp = boost::python;

namespace {

class GravityFiles : public tolva::test::GravityFixture {
protected:
    bp::tuple evaluate(const std::string& expression)
    {
        mEngine->getScripting()->executeStatement("value = " + expression);
        return bp::tuple(mEngine->getScripting()->getGlobal("value"));
    }
};

} // namespace

TEST_F(GravityFiles, FilesOfTheOldProgramLoadExactly)
{
    for (const char* name : {"old-protocol0.gmap", "old-protocol2.gmap"}) {
        SCOPED_TRACE(name);
        GravityDataPtr data = mManager->getGravityData(fixture(name));
        EXPECT_EQ(1u, data->getReferenceCount());
        EXPECT_EQ(Ogre::Vector3(0, 1, 2), data->getPosition());
        EXPECT_EQ(Ogre::Quaternion::IDENTITY, data->getOrientation()) << "w comes first";
        EXPECT_FLOAT_EQ(2.5f, data->getCellSize());
        EXPECT_EQ(1u, data->getCountX());
        EXPECT_EQ(1u, data->getCountY());
        EXPECT_EQ(2u, data->getCountZ());
        EXPECT_EQ(Ogre::Vector3(0, -9.81f, 0), data->getCell(0, 0, 0));
        EXPECT_EQ(Ogre::Vector3(0.5f, -9.81f, 0.25f), data->getCell(0, 0, 1));
    }
    GravityDataPtr empty = mManager->getGravityData(fixture("empty.gmap"));
    EXPECT_EQ(0u, empty->getCellCount());
}

TEST_F(GravityFiles, MalformedFilesAreRefusedAndNothingIsCached)
{
    auto parserError = [](const std::string& reason) {
        return [reason](const std::string& file, const std::exception& error) {
            EXPECT_NE(nullptr, dynamic_cast<const ParserException*>(&error));
            EXPECT_EQ("Gravity map " + file + ": " + reason, error.what());
        };
    };
    auto notLoaded = [](const std::string& file, const std::exception& error) {
        EXPECT_NE(nullptr, dynamic_cast<const InitialisationException*>(&error));
        EXPECT_EQ("Error loading gravity map: " + file, error.what());
    };
    const struct {
        const char* file;
        std::function<void(const std::string&, const std::exception&)> check;
    } cases[] = {
        {"zero-cell-size.gmap", parserError("its cell size is not a positive number.")},
        {"negative-cell-size.gmap", parserError("its cell size is not a positive number.")},
        {"nan-cell-size.gmap", parserError("its cell size is not a positive number.")},
        {"short-cells.gmap", parserError("its cell counts do not match the cells it holds.")},
        {"long-cells.gmap", parserError("its cell counts do not match the cells it holds.")},
        {"nan-cell.gmap", parserError("the vector of cell (0, 0, 1) is not finite.")},
        {"infinite-cell.gmap", parserError("the vector of cell (0, 0, 0) is not finite.")},
        {"zero-orientation.gmap", parserError("its orientation is zero, not a rotation.")},
        {"too-many-cells.gmap", parserError("it has more than 16777216 cells.")},
        {"truncated.gmap", notLoaded},
        {"list.gmap", notLoaded},
        {"missing.gmap",
            [](const std::string&, const std::exception& error) {
                EXPECT_NE(nullptr, dynamic_cast<const Ogre::FileNotFoundException*>(&error));
            }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = fixture(c.file);
        try {
            GravityMap map(file, mSceneManager->createSceneNode());
            ADD_FAILURE() << "loaded";
        } catch (const std::exception& error) {
            c.check(file, error);
        }
        EXPECT_FALSE(mManager->isGravityDataLoaded(file));
        EXPECT_FALSE(PyErr_Occurred()) << "the interpreter's error was reported, not left behind";
    }
}

TEST_F(GravityFiles, OnlyTheMiddleLevelsOfTheCellsMayBeLists)
{
    const std::string head = "((0, 0, 0), (1, 0, 0, 0), (1.0, 1, 2, 1), ";
    std::unique_ptr<GravityData> lists(
        GravityManager::readGravityData(evaluate(head + "([[(1, 2, 3)], [(4, 5, 6)]],))"), "lists"));
    EXPECT_EQ(Ogre::Vector3(4, 5, 6), lists->getCell(0, 1, 0));
    for (const char* cells :
        {"([((1, 2, 3),), ([1, 2, 3],)],)", "((((1, 2, 3),), (('1', 2, 3),)),)", "[[[(1, 2, 3)]]]"}) {
        SCOPED_TRACE(cells);
        EXPECT_THROW(GravityManager::readGravityData(evaluate(head + cells + ")"), "bad"), bp::error_already_set);
        PyErr_Clear();
    }
}

TEST_F(GravityFiles, AFileIsReadOnceAndSharedWhileMapsHoldIt)
{
    test::TempDir directory;
    const std::string file = directory.file("shared.gmap");
    boost::filesystem::copy_file(fixture("field.gmap"), file);
    auto first = std::make_unique<GravityMap>(file, mSceneManager->createSceneNode());
    boost::filesystem::remove(file);
    auto second = std::make_unique<GravityMap>(file, mSceneManager->createSceneNode());
    EXPECT_EQ(first->getGravityData(), second->getGravityData());
    EXPECT_EQ(2u, first->getGravityData()->getReferenceCount());
    first.reset();
    EXPECT_TRUE(mManager->isGravityDataLoaded(file));
    second.reset();
    EXPECT_FALSE(mManager->isGravityDataLoaded(file));
    EXPECT_THROW(GravityMap(file, mSceneManager->createSceneNode()), Ogre::FileNotFoundException)
        << "read again once nobody held it";
}

TEST_F(GravityFiles, GridsStillHeldOutliveTheirCacheEntryAndTheirManager)
{
    test::LogCapture log;
    mManager->destroyGravityData("unknown.gmap");
    EXPECT_TRUE(log.contains("Warning: Attempt to destroy non-existent gravity data unknown.gmap."));
    GravityDataPtr held = mManager->getGravityData(fixture("small.gmap"));
    mManager->destroyGravityData(fixture("small.gmap"));
    EXPECT_FALSE(mManager->isGravityDataLoaded(fixture("small.gmap")));
    EXPECT_EQ(Ogre::Vector3(3, 1, 1), held->getCell(3, 1, 0)) << "a held grid is not deleted";

    GravityDataPtr orphan = mManager->getGravityData(fixture("field.gmap"));
    mEngine.reset();
    EXPECT_EQ(Ogre::Vector3(1, -2, -0.875f), orphan->getCell(0, 0, 0));
    GravityManager next;
    Ogre::LogManager::getSingleton().createLog("later.log", true, false, true);
    test::LogCapture laterLog;
    orphan.reset();
    held.reset();
    EXPECT_TRUE(laterLog.getLines().empty()) << "their last holders delete them (the leak checker sees they do)";
}
