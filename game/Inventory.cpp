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

void Inventory::addItem(Item* item)
{
    mItems.push_back(item);
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
    unequipItem();
    mItems.clear();
    mEquipped = mItems.end();
}

void Inventory::removeAllItems(const std::string& name)
{
    for (ItemList::iterator position = getItemAtIndex(0, name); position != mItems.end();
         position = getItemAtIndex(0, name)) {
        erase(position);
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
    if (isItemEquipped()) {
        (*mEquipped)->unequipped();
    }
    if (position != mItems.end()) {
        (*position)->equipped();
    }
    mEquipped = position;
}

void Inventory::erase(ItemList::iterator position)
{
    if (position == mEquipped) {
        unequipItem();
    }
    mItems.erase(position);
}

} // namespace tolva
