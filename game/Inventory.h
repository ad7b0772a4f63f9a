// The items a play sphere carries: an ordered list of item pointers (the same item may stand in
// it more than once) with at most one equipped item. The inventory never creates, copies or
// destroys an item; items made by scripts belong to their script objects, which must keep them
// alive while an inventory holds them.
//
// Operations that take a name consider only the items of exactly that name ("" matches every
// item); an index counts among those matching items only, from 0 in list order.
//
// Every change of the equipped item tells the old item first (unequipped), then the new one
// (equipped); the inventory reports the old item as equipped during both calls. An item that
// raises from unequipped leaves the inventory as it was.
#pragma once

#include <list>
#include <string>

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

    private:
        std::string mName;
        Mode mMode = MODE_WORLD;
        bool mTransitive;
    };

    Inventory() = default;
    /// Forgets every item without telling the equipped one.
    virtual ~Inventory() = default;

    // The equipped position points into this inventory's own list: a copy would point into the
    // wrong one.
    Inventory(const Inventory&) = delete;
    Inventory& operator=(const Inventory&) = delete;

    /// Appends the pointer as it is (null and items already present included); equips nothing.
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
    void erase(ItemList::iterator position);

    ItemList mItems;
    /// mItems.end() when nothing is equipped.
    ItemList::iterator mEquipped = mItems.end();
};

} // namespace tolva
