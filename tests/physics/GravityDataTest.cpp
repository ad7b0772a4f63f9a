// Gravity map files and the gravity manager: the files of the old program, malformed files,
// sharing one grid among maps, and grids that outlive their manager.
#include "GravityFixture.h"

#include "core/Exceptions.h"
#include "core/ToString.h"
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

TEST_F(GravityFiles, TheCountsSayWhichCellsAreReadAndHowManyMayBe)
{
    test::TempDir directory;
    const std::string head = "((0, 0, 0), (1, 0, 0, 0), ";
    const std::string beyond = "its position or extent is beyond " + ToString(GravityManager::MAX_EXTENT) + " units.";
    const struct {
        const char* what;
        std::string value;
        std::string outcome; // empty: loads; a Python error's name; else the refusal's reason
        size_t cells;
        Ogre::Vector3 lastCell;
    } rows[] = {
        {"lists at the middle levels", head + "(1.0, 1, 2, 1), ([[(1, 2, 3)], [(4, 5, 6)]],))", "", 2, {4, 5, 6}},
        {"more cells than counted", head + "(1.0, 1, 1, 1), ((((7, 8, 9), (1, 1, 1)), ((2, 2, 2),)), (((3, 3, 3),),)))",
            "", 1, {7, 8, 9}},
        {"no cells", "((0, 0, 0), (1, 0, 0, 0), (5.0, 0, 0, 0), ())", "", 0, {}},
        {"fewer cells than counted", head + "(1.0, 1, 3, 1), ((((1, 2, 3),), ((4, 5, 6),)),))", "IndexError", 0, {}},
        {"a count beyond 32 bits", head + "(1.0, 2**32, 1, 1), ())", "OverflowError", 0, {}},
        {"a negative count", head + "(1.0, 1, -1, 1), ())", "OverflowError", 0, {}},
        {"counts whose product passes 64 bits", head + "(1.0, 2**31, 2**31, 4), ())",
            "it has more than 16777216 cells.", 0, {}},
        {"an extent beyond the physics space", head + "(1e15, 2, 1, 1), ((((0, 0, 0),),),) * 2)", beyond, 0, {}},
        {"a position beyond the physics space", "((0, -2e15, 0), (1, 0, 0, 0), (1, 1, 1, 1), ((((0, 0, 0),),),))",
            beyond, 0, {}},
        {"a number beyond the float range", "((1e300, 0, 0), (1, 0, 0, 0), (1, 1, 1, 1), ((((0, 0, 0),),),))",
            "its position or orientation is not finite.", 0, {}},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string file = directory.file("map" + std::to_string(n++) + ".gmap");
        mEngine->getScripting()->executeStatement(
            "import pickle\nopen('" + file + "', 'wb').write(pickle.dumps(" + row.value + ", 2))\n");
        try {
            GravityDataPtr data = mManager->getGravityData(file);
            EXPECT_EQ("", row.outcome);
            ASSERT_EQ(row.cells, data->getCellCount());
            if (row.cells > 0) {
                EXPECT_EQ(
                    row.lastCell, data->getCell(data->getCountX() - 1, data->getCountY() - 1, data->getCountZ() - 1));
            }
            continue;
        } catch (const bp::error_already_set&) {
            ASSERT_NE(nullptr, PyErr_Occurred());
            EXPECT_TRUE(PyErr_ExceptionMatches(PyDict_GetItemString(PyEval_GetBuiltins(), row.outcome.c_str())))
                << mEngine->getScripting()->getErrorString();
            PyErr_Clear();
        } catch (const ParserException& error) {
            EXPECT_EQ("Gravity map " + file + ": " + row.outcome, error.what());
        }
        EXPECT_FALSE(mManager->isGravityDataLoaded(file));
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
