#include "game/Inventory.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
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
    void equipped() override { record("equipped"); }
    void unequipped() override
    {
        record("unequipped");
        if (failUnequip) {
            throw std::runtime_error("unequip failed");
        }
    }

    bool failUnequip = false;

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

class InventoryTest : public ::testing::Test {
protected:
    std::vector<std::string> calls;
    Inventory inventory;
    RecordingItem a1{"A", calls, &inventory};
    RecordingItem b{"B", calls, &inventory};
    RecordingItem a2{"A", calls, &inventory};

    void addAll()
    {
        inventory.addItem(&a1);
        inventory.addItem(&b);
        inventory.addItem(&a2);
    }
};

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
