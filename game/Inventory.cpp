#include "game/Inventory.h"

#include <algorithm>

#include "core/Exceptions.h"
#include "core/LogLine.h"
#include "core/ToString.h"

namespace tolva {

namespace {

bool matches(const Inventory::Item* item, const std::string& name)
{
    return name.empty() || item->getName() == name;
}

template <typename Iterator>
Iterator findMatch(Iterator position, Iterator end, unsigned int index, const std::string& name)
{
    for (; position != end; ++position) {
        if (!matches(*position, name)) {
            continue;
        }
        if (index == 0) {
            return position;
        }
        --index;
    }
    return end;
}

} // namespace

Inventory::Item::Item(const std::string& name, bool transitive)
    : mName(name)
    , mTransitive(transitive)
{
}

void Inventory::Item::setMode(Mode mode)
{
    const Mode previous = mMode;
    mMode = mode;
    if (mode != previous) {
        modeChanged(mode);
    }
}

Inventory::~Inventory()
{
    forgetAll();
    *mAlive = false;
}

void Inventory::addItem(Item* item)
{
    if (!item) {
        throw InvalidArgumentException("Inventory.addItem needs an item, not None.");
    }
    if (mRefusingItems) {
        throw IllegalStateException("The inventory is being emptied: no item can be added now.");
    }
    mItems.push_back(item);
    item->_heldByInventory();
}

bool Inventory::isItemPresent(Item* item) const
{
    return std::find(mItems.begin(), mItems.end(), item) != mItems.end();
}

bool Inventory::isItemPresent(const std::string& name) const
{
    return getItemAtIndex(0, name) != mItems.end();
}

unsigned int Inventory::getItemCount() const
{
    return static_cast<unsigned int>(mItems.size());
}

unsigned int Inventory::getItemCount(const std::string& name) const
{
    return static_cast<unsigned int>(
        std::count_if(mItems.begin(), mItems.end(), [&name](const Item* item) { return matches(item, name); }));
}

Inventory::Item* Inventory::getItem(unsigned int index, const std::string& name)
{
    const ItemList::iterator position = getItemAtIndex(index, name);
    if (position == mItems.end()) {
        throw NotFoundException("Inventory item " + name + " at index " + ToString(index) + " was not found.");
    }
    return *position;
}

bool Inventory::isItemEquipped() const
{
    return mEquipped != mItems.end();
}

Inventory::Item* Inventory::getEquippedItem() const
{
    return isItemEquipped() ? *mEquipped : nullptr;
}

void Inventory::equipItem(Item* item)
{
    equipItem(std::find(mItems.begin(), mItems.end(), item));
}

void Inventory::equipItem(unsigned int index, const std::string& name)
{
    equipItem(getItemAtIndex(index, name));
}

void Inventory::equipNextItem()
{
    if (mItems.empty()) {
        return;
    }
    if (!isItemEquipped()) {
        equipItem(mItems.begin());
        return;
    }
    equipItem(std::next(mEquipped));
}

void Inventory::unequipItem()
{
    equipItem(mItems.end());
}

void Inventory::removeItem(Item* item)
{
    const ItemList::iterator position = std::find(mItems.begin(), mItems.end(), item);
    if (position == mItems.end()) {
        logWarning("Warning: Attempt to remove item " + ToString(static_cast<const void*>(item)) + ": Not found.");
        return;
    }
    erase(position);
}

void Inventory::removeItem(unsigned int index, const std::string& name)
{
    const ItemList::iterator position = getItemAtIndex(index, name);
    if (position == mItems.end()) {
        logWarning("Warning: Attempt to remove item " + name + " at index " + ToString(index) + ": Not found.");
        return;
    }
    erase(position);
}

void Inventory::removeAllItems()
{
    // During a change the change under way has already told the equipped item.
    if (!mChanging) {
        const std::shared_ptr<const bool> alive = mAlive;
        unequipItem();
        if (!*alive) {
            return;
        }
    }
    forgetAll();
}

void Inventory::removeAllItems(const std::string& name)
{
    // One pass; only unequipping runs a reaction, which may change the list as it likes, so the
    // pass starts again from the front after it (at most once: nothing is equipped afterwards).
    std::vector<Item*> released;
    const std::shared_ptr<const bool> alive = mAlive;
    try {
        ItemList::iterator position = mItems.begin();
        while (position != mItems.end()) {
            if (!matches(*position, name)) {
                ++position;
            } else if (position == mEquipped && !mChanging) {
                erase(position);
                if (!*alive) {
                    break;
                }
                position = mItems.begin();
            } else {
                forget(position++, &released);
            }
        }
    } catch (...) {
        for (Item* item : released) {
            item->_releasedByInventory();
        }
        throw;
    }
    for (Item* item : released) {
        item->_releasedByInventory();
    }
}

Inventory::ItemList::iterator Inventory::getItemAtIndex(unsigned int index, const std::string& name)
{
    return findMatch(mItems.begin(), mItems.end(), index, name);
}

Inventory::ItemList::const_iterator Inventory::getItemAtIndex(unsigned int index, const std::string& name) const
{
    return findMatch(mItems.cbegin(), mItems.cend(), index, name);
}

void Inventory::equipItem(ItemList::iterator position)
{
    if (position == mEquipped) {
        return;
    }
    if (mChanging) {
        throw IllegalStateException("An inventory item's reaction cannot change the equipped item.");
    }
    const std::shared_ptr<const bool> alive = mAlive;
    mChanging = true;
    mChangeTarget = position;
    try {
        if (isItemEquipped()) {
            (*mEquipped)->unequipped();
            if (!*alive) {
                return;
            }
        }
        // The reaction may have removed the new item.
        if (mChangeTarget != mItems.end()) {
            (*mChangeTarget)->equipped();
            if (!*alive) {
                return;
            }
        }
    } catch (...) {
        if (*alive) {
            mChanging = false;
            mChangeTarget = mItems.end();
        }
        throw;
    }
    // A new item that removed itself (a consumable) leaves nothing equipped.
    mEquipped = mChangeTarget;
    mChanging = false;
    mChangeTarget = mItems.end();
}

void Inventory::erase(ItemList::iterator position)
{
    if (position == mEquipped && !mChanging) {
        const std::shared_ptr<const bool> alive = mAlive;
        mErasing = position;
        try {
            unequipItem();
        } catch (...) {
            if (*alive) {
                mErasing = mItems.end();
            }
            throw;
        }
        if (!*alive) {
            return;
        }
        position = mErasing;
        mErasing = mItems.end();
        // The item's reaction may have removed it already.
        if (position == mItems.end()) {
            return;
        }
    }
    forget(position);
}

void Inventory::forget(ItemList::iterator position, std::vector<Item*>* released)
{
    for (ItemList::iterator* kept : {&mEquipped, &mChangeTarget, &mErasing}) {
        if (*kept == position) {
            *kept = mItems.end();
        }
    }
    Item* item = *position;
    mItems.erase(position);
    if (released) {
        released->push_back(item);
    } else {
        item->_releasedByInventory();
    }
}

void Inventory::forgetAll()
{
    // Releasing may run script code that adds items again, or that destroys the inventory. What
    // the first releases add is forgotten and released too, so the inventory ends empty; the
    // releases after them may add nothing (addItem refuses), so emptying ends even when every
    // release of an item would add another.
    const std::shared_ptr<const bool> alive = mAlive;
    struct Refusing {
        Inventory& inventory;
        const std::shared_ptr<const bool>& alive;
        const bool before = inventory.mRefusingItems;
        ~Refusing()
        {
            if (*alive) {
                inventory.mRefusingItems = before;
            }
        }
    } refusing{*this, alive};
    for (bool first = true; *alive && !mItems.empty(); first = false) {
        if (!first) {
            mRefusingItems = true;
        }
        ItemList forgotten;
        forgotten.splice(forgotten.end(), mItems);
        mEquipped = mChangeTarget = mErasing = mItems.end();
        for (Item* item : forgotten) {
            item->_releasedByInventory();
        }
    }
}

} // namespace tolva
