#include "platform/OdeGeometryTag.h"

#include <memory>
#include <vector>

namespace tolva::ode {

namespace {

struct Table {
    static const size_t BLOCK = 1024;
    /// Blocks stay where they are: geometries hold pointers into them.
    std::vector<std::unique_ptr<GeometryTag[]>> blocks;
    /// Tags given back, taken again last in first out so that the taken ones stay close together.
    std::vector<GeometryTag*> free;
    size_t used = 0;
};

Table& table()
{
    // Never destroyed: geometries held by other static objects may go after it would.
    static Table* instance = new Table();
    return *instance;
}

} // namespace

GeometryTag* GeometryTag::take(Geometry* geometry)
{
    Table& tags = table();
    GeometryTag* tag;
    if (!tags.free.empty()) {
        tag = tags.free.back();
        tags.free.pop_back();
    } else {
        if (tags.used == tags.blocks.size() * Table::BLOCK) {
            tags.blocks.push_back(std::make_unique<GeometryTag[]>(Table::BLOCK));
        }
        tag = &tags.blocks[tags.used / Table::BLOCK][tags.used % Table::BLOCK];
        ++tags.used;
    }
    *tag = GeometryTag();
    tag->geometry = geometry;
    return tag;
}

void GeometryTag::give(GeometryTag* tag)
{
    if (tag) {
        *tag = GeometryTag();
        table().free.push_back(tag);
    }
}

} // namespace tolva::ode
