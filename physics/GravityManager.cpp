#include "physics/GravityManager.h"

#include "core/Engine.h"
#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "core/SettingsRevision.h"
#include "core/ToString.h"
#include "physics/GravityMap.h"
#include "physics/MovableObject.h"
#include "physics/Physics.h"
#include "scripting/Python.h"

#include <boost/python.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace bp = boost::python;

namespace tolva {

namespace {

bool isFinite(const Ogre::Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

/// A number of the file as a float; one beyond the float range reads as an infinity (which the
/// checks below refuse) rather than as a conversion without a defined result.
float readFloat(const bp::object& item)
{
    const double value = bp::extract<double>(item);
    if (std::isfinite(value) && std::abs(value) > std::numeric_limits<float>::max()) {
        return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

/// A cell count: a whole number from 0 to 2^32 - 1, else the file's error (a Python
/// OverflowError) rather than a C++ conversion exception escaping the interpreter's reporting.
uint32_t readCount(const bp::object& item)
{
    const long long value = bp::extract<long long>(item);
    if (value < 0 || value > (long long)std::numeric_limits<uint32_t>::max()) {
        PyErr_SetString(PyExc_OverflowError,
            ("a cell count of " + std::to_string(value) + " is not an unsigned 32-bit integer").c_str());
        bp::throw_error_already_set();
    }
    return static_cast<uint32_t>(value);
}

Ogre::Vector3 readVector(const bp::object& source)
{
    return Ogre::Vector3(readFloat(source[0]), readFloat(source[1]), readFloat(source[2]));
}

[[noreturn]] void refuse(const std::string& fileName, const std::string& reason)
{
    throw ParserException("Gravity map " + ToString(fileName) + ": " + reason);
}

} // namespace

void intrusive_ptr_add_ref(GravityData* data)
{
    ++data->mReferenceCount;
}

void intrusive_ptr_release(GravityData* data)
{
    if (--data->mReferenceCount != 0) {
        return;
    }
    // A grid that no manager caches (its manager is gone, or it was dropped from the cache
    // while held) belongs to its last holder alone.
    GravityManager* manager = GravityManager::getInstance();
    if (manager && manager->isCached(data)) {
        manager->destroyGravityData(data);
    } else {
        delete data;
    }
}

GravityManager::GravityManager()
{
    Engine* engine = Engine::getInstance();
    mPhysics = engine ? engine->getPhysics() : nullptr;
    if (mPhysics) {
        mPhysics->addStepListener(this);
    }
}

GravityManager::~GravityManager()
{
    Engine* engine = Engine::getInstance();
    if (mPhysics && engine && engine->getPhysics() == mPhysics) {
        mPhysics->removeStepListener(this);
    }
    for (auto& entry : mCache) {
        if (entry.second->getReferenceCount() == 0) {
            delete entry.second;
        }
    }
    mCache.clear();
    mMaps.clear();
}

GravityDataPtr GravityManager::getGravityData(const std::string& fileName)
{
    auto it = mCache.find(fileName);
    if (it == mCache.end()) {
        GravityData* data = loadGravityMap(fileName);
        it = mCache.emplace(fileName, data).first;
    }
    return GravityDataPtr(it->second);
}

bool GravityManager::isGravityDataLoaded(const std::string& fileName) const
{
    return mCache.count(fileName) != 0;
}

GravityData* GravityManager::loadGravityMap(const std::string& fileName)
{
    Engine* engine = Engine::getInstance();
    Python* python = engine ? engine->getScripting() : nullptr;
    if (!python) {
        throw IllegalStateException("Gravity map files are read by the scripting module, which this engine lacks.");
    }
    const bp::tuple source = python->unpickleObject<bp::tuple>(fileName);
    return readGravityData(source, fileName);
}

GravityData* GravityManager::readGravityData(const bp::tuple& source, const std::string& fileName)
{
    std::unique_ptr<GravityData> data(new GravityData());

    const bp::tuple position = bp::extract<bp::tuple>(source[0]);
    data->mPosition = readVector(position);
    const bp::tuple orientation = bp::extract<bp::tuple>(source[1]);
    data->mOrientation = Ogre::Quaternion(
        readFloat(orientation[0]), readFloat(orientation[1]), readFloat(orientation[2]), readFloat(orientation[3]));
    const bp::tuple grid = bp::extract<bp::tuple>(source[2]);
    data->mCellSize = readFloat(grid[0]);
    data->mCountX = readCount(grid[1]);
    data->mCountY = readCount(grid[2]);
    data->mCountZ = readCount(grid[3]);
    const bp::tuple cells = bp::extract<bp::tuple>(source[3]);

    // Everything below guards the lookups of the maps: they divide by the cell size, index the
    // cells by the counts and add the vectors to bodies as forces.
    const Ogre::Quaternion& q = data->mOrientation;
    if (!isFinite(data->mPosition) || !std::isfinite(q.w) || !std::isfinite(q.x) || !std::isfinite(q.y)
        || !std::isfinite(q.z)) {
        refuse(fileName, "its position or orientation is not finite.");
    }
    if (q.Norm() == 0) {
        refuse(fileName, "its orientation is zero, not a rotation.");
    }
    if (!(data->mCellSize > 0) || !std::isfinite(data->mCellSize)) {
        refuse(fileName, "its cell size is not a positive number.");
    }
    // Three 32-bit counts can multiply past 64 bits (and wrap to a small number): the product
    // is built one factor at a time, each step bounded before the next.
    const uint64_t counts[] = {data->mCountX, data->mCountY, data->mCountZ};
    uint64_t total = 1;
    for (const uint64_t count : counts) {
        if (count == 0) {
            total = 0;
            break;
        }
    }
    for (const uint64_t count : counts) {
        if (total == 0) {
            break;
        }
        total *= count;
        if (total > MAX_CELLS) {
            refuse(fileName, "it has more than " + ToString(MAX_CELLS) + " cells.");
        }
    }
    const Ogre::Vector3 size = data->getSize();
    if (!(std::abs(data->mPosition.x) <= MAX_EXTENT && std::abs(data->mPosition.y) <= MAX_EXTENT
            && std::abs(data->mPosition.z) <= MAX_EXTENT && size.x <= MAX_EXTENT && size.y <= MAX_EXTENT
            && size.z <= MAX_EXTENT)) {
        refuse(fileName, "its position or extent is beyond " + ToString(MAX_EXTENT) + " units.");
    }
    if (total == 0) {
        return data.release();
    }
    // Cells beyond the counts are not read; counts beyond the cells held fail on the index, with
    // the interpreter's IndexError.
    data->mCells.reserve(total);
    for (uint32_t i = 0; i < data->mCountX; ++i) {
        const bp::object row = cells[i];
        for (uint32_t j = 0; j < data->mCountY; ++j) {
            const bp::object column = row[j];
            for (uint32_t k = 0; k < data->mCountZ; ++k) {
                const bp::tuple cell = bp::extract<bp::tuple>(column[k]);
                const Ogre::Vector3 vector = readVector(cell);
                if (!isFinite(vector)) {
                    refuse(fileName,
                        "the vector of cell (" + ToString(i) + ", " + ToString(j) + ", " + ToString(k)
                            + ") is not finite.");
                }
                data->mCells.push_back(vector);
            }
        }
    }
    return data.release();
}

void GravityManager::destroyGravityData(const std::string& fileName)
{
    auto it = mCache.find(fileName);
    if (it == mCache.end()) {
        logWarning("Warning: Attempt to destroy non-existent gravity data " + ToString(fileName) + ".");
        return;
    }
    GravityData* data = it->second;
    mCache.erase(it);
    // Deleting a grid that gravity maps still hold would leave them reading freed cells.
    if (data && data->getReferenceCount() == 0) {
        delete data;
    }
}

void GravityManager::destroyGravityData(GravityData* data)
{
    for (const auto& entry : mCache) {
        if (entry.second == data) {
            // A copy: the entry goes away on the way.
            const std::string name = entry.first;
            destroyGravityData(name);
            return;
        }
    }
    logWarning(
        "Warning: Attempt to destroy non-existent gravity data " + ToString(static_cast<const void*>(data)) + ".");
}

bool GravityManager::isCached(const GravityData* data) const
{
    for (const auto& entry : mCache) {
        if (entry.second == data) {
            return true;
        }
    }
    return false;
}

void GravityManager::_addMap(GravityMap* map)
{
    mMaps.push_back(map);
}

void GravityManager::_removeMap(GravityMap* map)
{
    mMaps.erase(std::remove(mMaps.begin(), mMaps.end(), map), mMaps.end());
}

void GravityManager::physicsStep(float)
{
    if (mMaps.empty() || !mPhysics) {
        return;
    }
    mPushing.clear();
    for (GravityMap* map : mMaps) {
        map->_prepareStep();
        if (map->getMode() == GravityMap::MODE_AUTO) {
            mPushing.push_back(map);
        }
    }
    if (mPushing.empty()) {
        return;
    }
    refreshTargets();
    for (const GravityMap::PushTarget& target : mTargets) {
        // Where maps overlap, every one of them adds its force.
        for (GravityMap* map : mPushing) {
            map->_pushInStep(target);
        }
    }
}

void GravityManager::refreshTargets()
{
    if (mTargetsTaken && mTargetsRevision == SettingsRevision::current()) {
        return;
    }
    mTargets.clear();
    GravityMap::PushTarget target;
    for (const MovableObject* object : mPhysics->getMovables()) {
        if (GravityMap::readPushTarget(object, target)) {
            mTargets.push_back(target);
        }
    }
    mTargetsRevision = SettingsRevision::current();
    mTargetsTaken = true;
}

} // namespace tolva
