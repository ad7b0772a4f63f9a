// The items a play sphere carries: an ordered list of item pointers (the same item may stand in
// it more than once) with at most one equipped item. The inventory never creates, copies or
// destroys an item; it tells an item when a position starts and stops holding it, so that items
// made by scripts keep their script objects alive while an inventory holds them.
//
// Operations that take a name consider only the items of exactly that name ("" matches every
// item); an index counts among those matching items only, from 0 in list order.
//
// Every change of the equipped item tells the old item first (unequipped), then the new one
// (equipped); the inventory reports the old item as equipped during both calls. An item that
// raises from unequipped leaves the inventory as it was.
//
// The reactions may remove items (themselves included) or empty the inventory; an item removed
// during a change is not equipped by it. They may not start another change of the equipped item
// (IllegalStateException): the change under way decides what ends up equipped. A reaction, or an
// item's release, may even destroy the inventory (a script drops its play sphere): the operation
// that called it then ends at once without touching the inventory again.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

namespace tolva {

class Inventory {
public:
    /// One thing a sphere can carry. Scripts implement its reactions.
    class Item {
    public:
        enum Mode { MODE_WORLD = 0, MODE_INVENTORY = 1 };

        /// In MODE_WORLD.
        Item(const std::string& name, bool transitive);
        Item(const Item& other) = default;
        virtual ~Item() = default;

        const std::string& getName() const { return mName; }
        void setName(const std::string& name) { mName = name; }
        Mode getMode() const { return mMode; }
        /// Stores the mode, then calls modeChanged when it differs from the previous one.
        void setMode(Mode mode);
        bool isTransitive() const { return mTransitive; }
        void setTransitive(bool transitive) { mTransitive = transitive; }

        /// The names are equal.
        bool operator==(const Item& other) const { return mName == other.mName; }
        bool operator==(const std::string& name) const { return mName == name; }

        /// The item already reports the new mode during the call.
        virtual void modeChanged(Mode mode) = 0;
        virtual void equipped() = 0;
        virtual void unequipped() = 0;

        /// A position of an inventory started holding the item.
        virtual void _heldByInventory() { }
        /// A position stopped holding it. This may be the last thing keeping the item: the
        /// inventory never touches an item after releasing it.
        virtual void _releasedByInventory() { }

    private:
        std::string mName;
        Mode mMode = MODE_WORLD;
        bool mTransitive;
    };

    Inventory() = default;
    /// Forgets every item without telling the equipped one.
    virtual ~Inventory();

    // The equipped position points into this inventory's own list: a copy would point into the
    // wrong one.
    Inventory(const Inventory&) = delete;
    Inventory& operator=(const Inventory&) = delete;

    /// Appends the item (one already present included); equips nothing.
    /// @throw InvalidArgumentException for null
    /// @throw IllegalStateException from the release of an item that was itself added by a
    ///        release while the inventory is emptied (removeAllItems, destruction)
    void addItem(Item* item);
    /// Some position holds exactly this pointer.
    bool isItemPresent(Item* item) const;
    bool isItemPresent(const std::string& name) const;
    unsigned int getItemCount() const;
    unsigned int getItemCount(const std::string& name) const;
    /// The index-th item of that name.
    /// @throws NotFoundException "Inventory item <name> at index <index> was not found."
    Item* getItem(unsigned int index, const std::string& name = std::string());

    bool isItemEquipped() const;
    /// Null when nothing is equipped.
    Item* getEquippedItem() const;
    /// Equips the first position holding the pointer; an item that is not here unequips instead.
    void equipItem(Item* item);
    /// Equips the index-th item of that name; when there is none, unequips instead.
    void equipItem(unsigned int index, const std::string& name = std::string());
    /// Steps through the list: nothing, the first, ..., the last, nothing again.
    void equipNextItem();
    void unequipItem();

    /// Forgets the first position holding the pointer (unequipping it first when it is the
    /// equipped one); an item that is not here gives a warning.
    void removeItem(Item* item);
    /// Forgets the index-th item of that name; a warning when there is none.
    void removeItem(unsigned int index, const std::string& name = std::string());
    /// Unequips, then forgets every item.
    void removeAllItems();
    /// Forgets every item of that name, unequipping the equipped one among them.
    void removeAllItems(const std::string& name);

private:
    typedef std::list<Item*> ItemList;

    ItemList::iterator getItemAtIndex(unsigned int index, const std::string& name);
    ItemList::const_iterator getItemAtIndex(unsigned int index, const std::string& name) const;
    void equipItem(ItemList::iterator position);
    /// Unequips the position first when it is equipped (outside a change).
    void erase(ItemList::iterator position);
    /// Forgets the position without telling the item; its release is left to the caller when
    /// released is given, and happens at once otherwise.
    void forget(ItemList::iterator position, std::vector<Item*>* released = nullptr);
    /// Forgets every position without telling any item; what the releases add goes too.
    void forgetAll();

    ItemList mItems;
    /// mItems.end() when nothing is equipped.
    ItemList::iterator mEquipped = mItems.end();
    // Positions that an operation keeps across an item's reaction. Forgetting one of them sets
    // it to mItems.end(), so that the operation sees that it went.
    bool mChanging = false;
    /// While forgetAll releases what earlier releases added: addItem refuses.
    bool mRefusingItems = false;
    ItemList::iterator mChangeTarget = mItems.end();
    ItemList::iterator mErasing = mItems.end();
    /// False once the inventory is destroyed. An operation that runs an item's code keeps a
    /// share of it and looks at it afterwards, before it touches a member again.
    std::shared_ptr<bool> mAlive = std::make_shared<bool>(true);
};

} // namespace tolva
