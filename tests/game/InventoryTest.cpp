#include "game/Inventory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "core/Exceptions.h"
#include "support/LogCapture.h"

namespace {

using tolva::Inventory;

/// Records its reactions as "<name>:<reaction>", with the item the inventory reported as
/// equipped during the call.
class RecordingItem : public Inventory::Item {
public:
    RecordingItem(const std::string& name, std::vector<std::string>& calls, const Inventory* inventory = nullptr)
        : Item(name, false)
        , mCalls(calls)
        , mInventory(inventory)
    {
    }

    void modeChanged(Mode mode) override { record("mode " + std::to_string(mode) + " " + std::to_string(getMode())); }
    void equipped() override
    {
        record("equipped");
        if (onEquipped) {
            onEquipped();
        }
    }
    void unequipped() override
    {
        record("unequipped");
        if (failUnequip) {
            throw std::runtime_error("unequip failed");
        }
        if (onUnequipped) {
            onUnequipped();
        }
    }
    void _heldByInventory() override { ++holds; }
    void _releasedByInventory() override
    {
        --holds;
        if (onReleased) {
            onReleased();
        }
    }

    bool failUnequip = false;
    std::function<void()> onEquipped;
    std::function<void()> onUnequipped;
    std::function<void()> onReleased;
    /// Positions of inventories that hold the item now.
    int holds = 0;

private:
    void record(const std::string& what)
    {
        std::string line = getName() + ":" + what;
        if (mInventory) {
            const Item* equipped = mInventory->getEquippedItem();
            line += " while " + (equipped ? equipped->getName() : std::string("none"));
        }
        mCalls.push_back(line);
    }

    std::vector<std::string>& mCalls;
    const Inventory* mInventory;
};

/// Three items, A, B and A, and an inventory.
struct Shelf {
    std::vector<std::string> calls;
    // The items outlive the inventory that holds them.
    RecordingItem a1{"A", calls, &inventory};
    RecordingItem b{"B", calls, &inventory};
    RecordingItem a2{"A", calls, &inventory};
    Inventory inventory;

    void addAll()
    {
        inventory.addItem(&a1);
        inventory.addItem(&b);
        inventory.addItem(&a2);
    }
};

class InventoryTest : public ::testing::Test, public Shelf { };

TEST_F(InventoryTest, NameFiltersCountOnlyTheMatchingItems)
{
    EXPECT_FALSE(inventory.isItemPresent(""));
    addAll();
    EXPECT_TRUE(inventory.isItemPresent(""));
    EXPECT_FALSE(inventory.isItemPresent("C"));
    EXPECT_EQ(3u, inventory.getItemCount(""));
    EXPECT_EQ(3u, inventory.getItemCount());
    EXPECT_EQ(2u, inventory.getItemCount("A"));
    EXPECT_EQ(&a2, inventory.getItem(1, "A"));
    EXPECT_EQ(&b, inventory.getItem(1));
    try {
        inventory.getItem(2, "A");
        FAIL() << "no third A";
    } catch (const tolva::NotFoundException& error) {
        EXPECT_STREQ("Inventory item A at index 2 was not found.", error.what());
    }
    EXPECT_EQ(3u, inventory.getItemCount());
}

TEST_F(InventoryTest, EquippingTellsTheOldItemFirstAndReportsItUntilBothWereTold)
{
    addAll();
    inventory.equipItem(&a1);
    inventory.equipItem(&a1);
    inventory.equipItem(0, "B");
    EXPECT_EQ(&b, inventory.getEquippedItem());
    EXPECT_EQ(std::vector<std::string>({"A:equipped while none", "A:unequipped while A", "B:equipped while A"}), calls);
}

TEST_F(InventoryTest, AnItemThatIsNotThereUnequips)
{
    addAll();
    RecordingItem stranger("S", calls);
    const std::vector<std::pair<const char*, std::function<void()>>> misses = {
        {"a stranger", [&] { inventory.equipItem(&stranger); }},
        {"an index past the matches", [&] { inventory.equipItem(2, "A"); }},
        {"a name nobody has", [&] { inventory.equipItem(0, "C"); }},
    };
    for (const auto& miss : misses) {
        inventory.equipItem(&b);
        calls.clear();
        miss.second();
        EXPECT_FALSE(inventory.isItemEquipped()) << miss.first;
        EXPECT_EQ(std::vector<std::string>({"B:unequipped while B"}), calls) << miss.first;
    }
}

TEST_F(InventoryTest, EquipNextCyclesThroughNothingAndEveryItem)
{
    inventory.equipNextItem();
    EXPECT_FALSE(inventory.isItemEquipped());
    addAll();
    std::vector<const Inventory::Item*> seen;
    for (int i = 0; i < 5; ++i) {
        inventory.equipNextItem();
        seen.push_back(inventory.getEquippedItem());
    }
    EXPECT_EQ(std::vector<const Inventory::Item*>({&a1, &b, &a2, nullptr, &a1}), seen);
}

TEST_F(InventoryTest, RemovingForgetsOnePositionAndUnequipsOnlyTheRemovedItem)
{
    addAll();
    inventory.addItem(&b);
    inventory.equipItem(&a2);
    inventory.removeItem(&b);
    EXPECT_EQ(3u, inventory.getItemCount());
    EXPECT_EQ(&b, inventory.getItem(2));
    EXPECT_EQ(&a2, inventory.getEquippedItem());

    inventory.removeItem(1, "A");
    EXPECT_FALSE(inventory.isItemEquipped());
    EXPECT_EQ("A:unequipped while A", calls.back());

    inventory.equipItem(&b);
    inventory.removeAllItems("A");
    EXPECT_EQ(1u, inventory.getItemCount());
    EXPECT_EQ(&b, inventory.getEquippedItem());
    inventory.removeAllItems();
    EXPECT_EQ(0u, inventory.getItemCount());
    EXPECT_EQ("B:unequipped while B", calls.back());
}

TEST_F(InventoryTest, RemovingWhatIsNotThereWarnsAndChangesNothing)
{
    tolva::test::LogCapture log;
    RecordingItem stranger("S", calls);
    inventory.removeItem(0u);
    inventory.removeItem(3, "A");
    inventory.removeItem(&stranger);
    inventory.removeItem(nullptr);
    std::ostringstream address;
    address << static_cast<const void*>(&stranger);
    EXPECT_EQ(std::vector<std::string>({"Warning: Attempt to remove item  at index 0: Not found.",
                  "Warning: Attempt to remove item A at index 3: Not found.",
                  "Warning: Attempt to remove item " + address.str() + ": Not found.",
                  "Warning: Attempt to remove item 0: Not found."}),
        log.getLines());
    EXPECT_EQ(0u, address.str().find("0x"));
    EXPECT_TRUE(log.allAtNormalLevel());
}

TEST_F(InventoryTest, AFailedUnequipLeavesEverythingAsItWas)
{
    addAll();
    inventory.equipItem(&b);
    b.failUnequip = true;
    const std::vector<std::pair<const char*, std::function<void()>>> operations = {
        {"equip another", [&] { inventory.equipItem(&a1); }},
        {"remove it", [&] { inventory.removeItem(&b); }},
        {"remove everything", [&] { inventory.removeAllItems(); }},
    };
    for (const auto& operation : operations) {
        EXPECT_THROW(operation.second(), std::runtime_error) << operation.first;
        EXPECT_EQ(&b, inventory.getEquippedItem()) << operation.first;
        EXPECT_EQ(3u, inventory.getItemCount()) << operation.first;
    }
}

TEST_F(InventoryTest, ModeChangesAreToldOnceWithTheNewModeInPlace)
{
    a1.setMode(Inventory::Item::MODE_WORLD);
    a1.setMode(Inventory::Item::MODE_INVENTORY);
    a1.setMode(Inventory::Item::MODE_INVENTORY);
    inventory.addItem(&b);
    EXPECT_EQ(Inventory::Item::MODE_WORLD, b.getMode());
    EXPECT_EQ(std::vector<std::string>({"A:mode 1 1 while none"}), calls);
    EXPECT_TRUE(a1 == a2);
    EXPECT_TRUE(a1 == std::string("A"));
    EXPECT_FALSE(a1 == b);
}

} // namespace

namespace {

/// Reactions that change the inventory while it changes its equipped item.
TEST_F(InventoryTest, ReactionsThatRemoveItemsLeaveNoDanglingEquippedItem)
{
    struct Case {
        const char* what;
        std::function<void(Shelf&)> arrange;
        std::function<void(Shelf&)> act;
        /// The name of the item equipped afterwards, "none" for none.
        std::string equipped;
        unsigned int count;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"an item consumed as it is equipped",
            [](Shelf& t) { t.b.onEquipped = [&t] { t.inventory.removeItem(&t.b); }; },
            [](Shelf& t) { t.inventory.equipItem(&t.b); }, "none", 2, {"B:equipped while none"}},
        {"an equipped item that empties the inventory",
            [](Shelf& t) { t.b.onEquipped = [&t] { t.inventory.removeAllItems(); }; },
            [](Shelf& t) {
                t.inventory.equipNextItem();
                t.inventory.equipNextItem();
            },
            "none", 0, {"A:equipped while none", "A:unequipped while A", "B:equipped while A"}},
        {"the new item removed by the old one's reaction",
            [](Shelf& t) {
                t.inventory.equipItem(&t.a1);
                t.a1.onUnequipped = [&t] { t.inventory.removeItem(&t.b); };
            },
            [](Shelf& t) { t.inventory.equipItem(&t.b); }, "none", 2,
            {"A:equipped while none", "A:unequipped while A"}},
        {"the old item removing itself as it is unequipped",
            [](Shelf& t) {
                t.inventory.equipItem(&t.a1);
                t.a1.onUnequipped = [&t] { t.inventory.removeItem(&t.a1); };
            },
            [](Shelf& t) { t.inventory.equipItem(&t.b); }, "B", 2,
            {"A:equipped while none", "A:unequipped while A", "B:equipped while none"}},
        {"a removed item that removes itself again as it is unequipped",
            [](Shelf& t) {
                t.inventory.equipItem(&t.a2);
                t.a2.onUnequipped = [&t] { t.inventory.removeItem(&t.a2); };
            },
            [](Shelf& t) { t.inventory.removeItem(&t.a2); }, "none", 2,
            {"A:equipped while none", "A:unequipped while A"}},
        {"a removal by name whose unequipped item empties the inventory",
            [](Shelf& t) {
                t.inventory.equipItem(&t.a2);
                t.a2.onUnequipped = [&t] { t.inventory.removeAllItems(); };
            },
            [](Shelf& t) { t.inventory.removeAllItems("A"); }, "none", 0,
            {"A:equipped while none", "A:unequipped while A"}},
        {"a removal by name whose unequipped item adds one of that name",
            [](Shelf& t) {
                t.inventory.equipItem(&t.a2);
                t.a2.onUnequipped = [&t] { t.inventory.addItem(&t.a1); };
            },
            [](Shelf& t) { t.inventory.removeAllItems("A"); }, "none", 1,
            {"A:equipped while none", "A:unequipped while A"}},
    };
    for (const Case& c : cases) {
        Shelf t;
        t.addAll();
        c.arrange(t);
        c.act(t);
        const Inventory::Item* equipped = t.inventory.getEquippedItem();
        EXPECT_EQ(c.equipped, equipped ? equipped->getName() : "none") << c.what;
        EXPECT_EQ(c.count, t.inventory.getItemCount()) << c.what;
        EXPECT_EQ(c.calls, t.calls) << c.what;
        t.inventory.equipNextItem();
        t.inventory.removeAllItems();
        for (const RecordingItem* item : {&t.a1, &t.b, &t.a2}) {
            EXPECT_EQ(0, item->holds) << c.what << ": " << item->getName();
        }
    }
}

TEST_F(InventoryTest, AReactionCannotStartAnotherChangeOfTheEquippedItem)
{
    addAll();
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"equip next", [&] { inventory.equipNextItem(); }},
        {"equip another", [&] { inventory.equipItem(&a2); }},
        {"unequip", [&] { inventory.unequipItem(); }},
    };
    for (const auto& change : changes) {
        b.onEquipped = nullptr;
        inventory.equipItem(&a1);
        b.onEquipped = change.second;
        EXPECT_THROW(inventory.equipItem(&b), tolva::IllegalStateException) << change.first;
        EXPECT_EQ(&a1, inventory.getEquippedItem()) << change.first << ": as when equipped() fails";
        EXPECT_EQ("B:equipped while A", calls.back()) << change.first;
    }
}

TEST_F(InventoryTest, NullIsRefusedAndEveryPositionReleasesItsItemOnce)
{
    EXPECT_THROW(inventory.addItem(nullptr), tolva::InvalidArgumentException);
    EXPECT_EQ(0u, inventory.getItemCount());
    const std::vector<std::pair<const char*, std::function<void(Inventory&)>>> removals = {
        {"by pointer",
            [&](Inventory& i) {
                i.removeItem(&b);
                i.removeItem(&b);
            }},
        {"by index",
            [&](Inventory& i) {
                i.removeItem(0, "B");
                i.removeItem(0, "B");
            }},
        {"by name", [&](Inventory& i) { i.removeAllItems("B"); }},
        {"all", [&](Inventory& i) { i.removeAllItems(); }},
    };
    for (const auto& removal : removals) {
        Inventory other;
        other.addItem(&b);
        other.addItem(&a1);
        other.addItem(&b);
        other.equipItem(&b);
        EXPECT_EQ(2, b.holds) << removal.first;
        removal.second(other);
        EXPECT_EQ(0, b.holds) << removal.first;
        other.removeItem(&a1);
    }
    {
        Inventory doomed;
        doomed.addItem(&b);
        doomed.equipItem(&b);
        calls.clear();
    }
    EXPECT_EQ(0, b.holds) << "destroyed";
    EXPECT_TRUE(calls.empty()) << "destroying tells nothing";
}

TEST_F(InventoryTest, RemovingEveryItemOfANameTakesOnePassOverTheList)
{
    // Twenty thousand others ahead of twenty thousand of the name, the equipped one among them.
    const int many = 20000;
    std::vector<std::unique_ptr<RecordingItem>> items;
    for (int i = 0; i < 2 * many; ++i) {
        items.push_back(std::make_unique<RecordingItem>(i < many ? "B" : "A", calls));
    }
    {
        Inventory large;
        for (const auto& item : items) {
            large.addItem(item.get());
        }
        large.equipItem(many + many / 2, "");
        const auto start = std::chrono::steady_clock::now();
        large.removeAllItems("A");
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        EXPECT_LT(spent.count(), 1.0);
        EXPECT_EQ(static_cast<unsigned int>(many), large.getItemCount());
        EXPECT_EQ(0u, large.getItemCount("A"));
        EXPECT_FALSE(large.isItemEquipped());
        EXPECT_EQ(std::vector<std::string>({"A:equipped", "A:unequipped"}), calls);
    }
}

/// A script that drops its play sphere from an item's reaction destroys the inventory in the
/// middle of the operation that called it: the operation must end without touching it again (the
/// sanitizer build sees any read or write of the freed inventory).
TEST(InventoryLifetime, AReactionThatDestroysTheInventoryEndsTheOperationThatCalledIt)
{
    typedef std::function<void(RecordingItem&, RecordingItem&, std::function<void()>)> Arm;
    const Arm asAIsUnequipped = [](RecordingItem& a, RecordingItem&, std::function<void()> destroy) {
        a.onUnequipped = destroy;
    };
    const Arm asBIsReleased = [](RecordingItem&, RecordingItem& b, std::function<void()> destroy) {
        b.onReleased = destroy;
    };
    const std::vector<std::tuple<const char*, Arm, std::function<void(Inventory&)>>> cases = {
        {"equipping another", [](RecordingItem&, RecordingItem& b, std::function<void()> destroy) { b.onEquipped = destroy; },
            [](Inventory& i) { i.equipItem(i.getItem(1)); }},
        {"equipping by index", asAIsUnequipped, [](Inventory& i) { i.equipItem(0, "B"); }},
        {"equipping the next", asAIsUnequipped, [](Inventory& i) { i.equipNextItem(); }},
        {"unequipping", asAIsUnequipped, [](Inventory& i) { i.unequipItem(); }},
        {"removing the equipped item", asAIsUnequipped, [](Inventory& i) { i.removeItem(i.getItem(0)); }},
        {"removing it by index", asAIsUnequipped, [](Inventory& i) { i.removeItem(0, "A"); }},
        {"removing everything", asAIsUnequipped, [](Inventory& i) { i.removeAllItems(); }},
        {"removing its name", asAIsUnequipped, [](Inventory& i) { i.removeAllItems("A"); }},
        {"a release while everything goes", asBIsReleased, [](Inventory& i) { i.removeAllItems(); }},
        {"a release of the equipped item as its name goes",
            [](RecordingItem& a, RecordingItem&, std::function<void()> destroy) { a.onReleased = destroy; },
            [](Inventory& i) { i.removeAllItems("A"); }},
    };
    for (const auto& [what, arm, act] : cases) {
        std::vector<std::string> calls;
        RecordingItem a("A", calls);
        RecordingItem b("B", calls);
        auto inventory = std::make_unique<Inventory>();
        inventory->addItem(&a);
        inventory->addItem(&b);
        inventory->equipItem(&a);
        arm(a, b, [&inventory] { inventory.reset(); });
        Inventory& doomed = *inventory;
        act(doomed);
        EXPECT_FALSE(inventory) << what;
        EXPECT_EQ(0, a.holds) << what;
        EXPECT_EQ(0, b.holds) << what;
        a.onUnequipped = b.onEquipped = a.onReleased = b.onReleased = nullptr;
    }
}

/// Emptying an inventory (removing everything, or destroying it) releases what the releases add,
/// and ends even when every release would add another item: those later additions are refused.
TEST(InventoryEmptying, WhatAReleaseAddsIsReleasedTooAndEmptyingEnds)
{
    typedef std::function<void(std::unique_ptr<Inventory>&)> Empty;
    const Empty removeAll = [](std::unique_ptr<Inventory>& inventory) { inventory->removeAllItems(); };
    const Empty destroy = [](std::unique_ptr<Inventory>& inventory) { inventory.reset(); };
    // Without a bound the chain would never end; it stops here so that a failure shows.
    const std::size_t limit = 100;
    const std::vector<std::tuple<const char*, Empty, bool, std::size_t, int>> cases = {
        // what, how, every release adds, items made in all, additions refused
        {"an item a release adds, removing everything", removeAll, false, 2, 0},
        {"an item a release adds, destroying", destroy, false, 2, 0},
        {"every release adds another, removing everything", removeAll, true, 3, 1},
        {"every release adds another, destroying", destroy, true, 3, 1},
    };
    for (const auto& [what, empty, everyRelease, made, refused] : cases) {
        std::vector<std::string> calls;
        std::vector<std::unique_ptr<RecordingItem>> items;
        auto inventory = std::make_unique<Inventory>();
        Inventory* target = inventory.get();
        int refusals = 0;
        std::function<void()> addAnother = [&, everyRelease = everyRelease] {
            if (items.size() >= limit) {
                return;
            }
            items.push_back(std::make_unique<RecordingItem>("I", calls));
            if (everyRelease) {
                items.back()->onReleased = addAnother;
            }
            try {
                target->addItem(items.back().get());
            } catch (const tolva::IllegalStateException&) {
                ++refusals;
            }
        };
        items.push_back(std::make_unique<RecordingItem>("I", calls));
        items.back()->onReleased = addAnother;
        inventory->addItem(items.back().get());
        empty(inventory);
        EXPECT_EQ(made, items.size()) << what;
        EXPECT_EQ(refused, refusals) << what;
        for (const auto& item : items) {
            EXPECT_EQ(0, item->holds) << what;
        }
        if (inventory) {
            EXPECT_EQ(0u, inventory->getItemCount()) << what;
            // Emptied, the inventory takes items again.
            inventory->addItem(items.front().get());
            EXPECT_EQ(1u, inventory->getItemCount()) << what;
            items.front()->onReleased = nullptr;
        }
    }
}

} // namespace
