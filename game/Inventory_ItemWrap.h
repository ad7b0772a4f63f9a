// The inventory item as scripts implement it: each reaction calls the method of the same name on
// the script object that owns the item. A script class without the method makes the call fail
// with the interpreter's error, which travels back through the inventory operation that called.
// While an inventory holds the item, the item keeps its script object alive, so a script may add
// an item it keeps no reference to of its own. Only the Spindlewake module includes this header.
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

    void _heldByInventory() override
    {
        if (mHolds++ == 0) {
            mSelf = boost::python::detail::wrapper_base_::get_owner(*this);
            Py_XINCREF(mSelf);
        }
    }

    /// The last release may delete this item: nothing is touched after it.
    void _releasedByInventory() override
    {
        if (mHolds > 0 && --mHolds == 0) {
            PyObject* self = mSelf;
            mSelf = nullptr;
            Py_XDECREF(self);
        }
    }

private:
    /// How many inventory positions hold the item.
    unsigned int mHolds = 0;
    /// The owning script object while held.
    PyObject* mSelf = nullptr;
};

} // namespace tolva
