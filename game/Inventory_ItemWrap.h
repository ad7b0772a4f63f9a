// The inventory item as scripts implement it: each reaction calls the method of the same name on
// the script object that owns the item. A script class without the method makes the call fail
// with the interpreter's error, which travels back through the inventory operation that called.
// Only the Spindlewake module includes this header.
#pragma once

#include <boost/python.hpp>

#include "game/Inventory.h"

namespace tolva {

class Inventory_ItemWrap : public Inventory::Item, public boost::python::wrapper<Inventory::Item> {
public:
    Inventory_ItemWrap(const std::string& name, bool transitive)
        : Item(name, transitive)
    {
    }

    void modeChanged(Mode mode) override { get_override("modeChanged")(mode); }
    void equipped() override { get_override("equipped")(); }
    void unequipped() override { get_override("unequipped")(); }
};

} // namespace tolva
