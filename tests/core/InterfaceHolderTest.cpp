#include "core/Connection.h"
#include "core/InterfaceHolder.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

class Greeter {
public:
    explicit Greeter(std::string name)
        : name(std::move(name))
    {
    }
    std::string name;
};

using Holder = tolva::InterfaceHolder<Greeter>;
using Handle = std::unique_ptr<tolva::Connection<Greeter>>;

class RecordingListener : public Holder::Listener {
public:
    void connected(Greeter* g) override { calls.push_back("+" + g->name); }
    void disconnected(Greeter* g) override { calls.push_back("-" + g->name); }
    std::vector<std::string> calls;
};

std::vector<std::string> namesOf(const Holder& holder)
{
    std::vector<std::string> names;
    for (const auto& entry : holder.getEntries()) {
        names.push_back(entry.first->name);
    }
    return names;
}

TEST(InterfaceHolder, ConnectAppendsAndTellsTheListenerAndDisconnectKeepsOrder)
{
    Holder holder;
    RecordingListener listener;
    holder.setListener(&listener);
    Greeter a("a"), b("b"), c("c");
    Handle ha(holder.connect(&a)), hb(holder.connect(&b)), hc(holder.connect(&c));
    Handle again(holder.connect(&a)); // the same pointer twice: two entries
    EXPECT_EQ(namesOf(holder), (std::vector<std::string>{"a", "b", "c", "a"}));

    hb->disconnect();
    EXPECT_EQ(namesOf(holder), (std::vector<std::string>{"a", "c", "a"}));
    holder.disconnect(again.get());
    EXPECT_EQ(namesOf(holder), (std::vector<std::string>{"a", "c"}));
    EXPECT_FALSE(again->isConnected());
    EXPECT_TRUE(ha->isConnected());
    EXPECT_EQ(listener.calls, (std::vector<std::string>{"+a", "+b", "+c", "+a", "-b", "-a"}));
}

TEST(InterfaceHolder, NullRegistrantGetsADisconnectedHandleAndNobodyIsTold)
{
    Holder holder;
    RecordingListener listener;
    holder.setListener(&listener);
    Handle handle(holder.connect(nullptr));
    ASSERT_NE(handle, nullptr);
    EXPECT_FALSE(handle->isConnected());
    EXPECT_TRUE(holder.isEmpty());
    handle->disconnect();
    holder.disconnect(handle.get());
    holder.disconnect(nullptr);
    EXPECT_TRUE(listener.calls.empty());
}

TEST(InterfaceHolder, DisconnectingTwiceTellsTheListenerOnce)
{
    Holder holder;
    RecordingListener listener;
    holder.setListener(&listener);
    Greeter a("a");
    Handle handle(holder.connect(&a));
    handle->disconnect();
    handle->disconnect();
    holder.disconnect(handle.get());
    EXPECT_EQ(listener.calls, (std::vector<std::string>{"+a", "-a"}));
}

TEST(InterfaceHolder, DestroyedHolderLeavesItsHandlesDisconnectedWithoutTellingAnyone)
{
    RecordingListener listener;
    Greeter a("a");
    Handle handle;
    {
        Holder holder;
        holder.setListener(&listener);
        handle.reset(holder.connect(&a));
    }
    EXPECT_FALSE(handle->isConnected());
    handle->disconnect(); // must not touch the destroyed holder
    EXPECT_EQ(listener.calls, (std::vector<std::string>{"+a"}));
}

TEST(InterfaceHolder, DeletedHandleLeavesItsHolder)
{
    Holder holder;
    RecordingListener listener;
    holder.setListener(&listener);
    Greeter a("a"), b("b");
    Handle ha(holder.connect(&a));
    Handle hb(holder.connect(&b));
    ha.reset();
    EXPECT_EQ(namesOf(holder), (std::vector<std::string>{"b"}));
    EXPECT_EQ(listener.calls.back(), "-a");
}

TEST(InterfaceHolder, ForeignHandleIsLeftToItsOwnHolder)
{
    Holder mine, theirs;
    Greeter a("a");
    Handle handle(theirs.connect(&a));
    mine.disconnect(handle.get());
    EXPECT_TRUE(handle->isConnected());
    EXPECT_EQ(theirs.getSize(), 1u);
    handle->disconnect();
    EXPECT_TRUE(theirs.isEmpty());
}

TEST(InterfaceHolder, CopiesShareOneRegistryThatOutlivesTheOriginal)
{
    Greeter a("a"), b("b");
    std::map<int, Holder> holders;
    Handle ha, hb;
    {
        Holder original;
        ha.reset(original.connect(&a));
        holders.insert(std::make_pair(1, original)); // copies the holder
    }
    // The original is gone, the copy in the map carries on.
    EXPECT_TRUE(ha->isConnected());
    Holder& kept = holders[1];
    EXPECT_EQ(namesOf(kept), (std::vector<std::string>{"a"}));
    hb.reset(kept.connect(&b));
    Holder second = kept;
    EXPECT_EQ(namesOf(second), (std::vector<std::string>{"a", "b"}));
    ha->disconnect();
    EXPECT_EQ(namesOf(kept), (std::vector<std::string>{"b"}));
    EXPECT_EQ(namesOf(second), (std::vector<std::string>{"b"}));
    holders.clear();
    EXPECT_TRUE(hb->isConnected());
    second = Holder();
    EXPECT_FALSE(hb->isConnected());
}

TEST(InterfaceHolder, PassSkipsRegistrantsThatLeaveAndDefersThoseThatJoin)
{
    Holder holder;
    Greeter a("a"), b("b"), c("c"), late("late");
    Handle ha(holder.connect(&a)), hb(holder.connect(&b)), hc(holder.connect(&c));
    Handle hlate;
    std::vector<std::string> called;
    holder.forEach([&](Greeter* g) {
        called.push_back(g->name);
        if (g == &a) {
            hc.reset(); // c leaves (and its handle is deleted) before its turn
            hlate.reset(holder.connect(&late));
        }
        if (g == &b) {
            hb->disconnect(); // leaving during its own call is fine too
        }
    });
    EXPECT_EQ(called, (std::vector<std::string>{"a", "b"}));

    called.clear();
    holder.forEach([&](Greeter* g) { called.push_back(g->name); });
    EXPECT_EQ(called, (std::vector<std::string>{"a", "late"}));
}

TEST(InterfaceHolder, NestedPassesBothSkipARegistrantThatLeavesInTheInnerOne)
{
    Holder holder;
    Greeter a("a"), b("b"), c("c");
    Handle ha(holder.connect(&a)), hb(holder.connect(&b)), hc(holder.connect(&c));
    std::vector<std::string> called;
    holder.forEach([&](Greeter* outer) {
        called.push_back(outer->name);
        if (outer == &b) {
            holder.forEach([&](Greeter* inner) {
                called.push_back("inner " + inner->name);
                ha.reset(); // before both passes' places: neither loses its way
                hc.reset(); // after them: neither calls it
            });
        }
    });
    EXPECT_EQ(called, (std::vector<std::string>{"a", "b", "inner a", "inner b"}));
}

} // namespace

TEST(InterfaceHolder, RetainingFromAnIndexDropsTheRefusedInOrderAndTellsTheListenerOnceTheListIsWhole)
{
    struct SizeListener : RecordingListener {
        Holder* holder = nullptr;
        std::vector<size_t> sizes;
        void disconnected(Greeter* g) override
        {
            sizes.push_back(holder->getSize());
            RecordingListener::disconnected(g);
        }
    } listener;
    Holder holder;
    listener.holder = &holder;
    Greeter a("a"), b("b"), c("c"), d("d");
    Handle ha(holder.connect(&a)), hb(holder.connect(&b)), hc(holder.connect(&c)), hd(holder.connect(&d));
    holder.setListener(&listener);
    std::vector<std::string> asked;
    const auto dropBAndC = [&](Greeter* g) {
        asked.push_back(g->name);
        return g != &b && g != &c;
    };

    holder.retainFrom(1, dropBAndC);
    EXPECT_EQ(asked, (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(namesOf(holder), (std::vector<std::string>{"a", "d"}));
    EXPECT_EQ(listener.calls, (std::vector<std::string>{"-b", "-c"}));
    EXPECT_EQ(listener.sizes, (std::vector<size_t>{2, 2}));
    EXPECT_FALSE(hb->isConnected());
    EXPECT_TRUE(hd->isConnected());
    hb.reset(); // a dropped handle is deleted without telling anyone again
    EXPECT_EQ(listener.calls.size(), 2u);

    // Inside a pass the positions must hold: nobody is asked, nothing leaves.
    asked.clear();
    holder.forEach([&](Greeter*) { holder.retainFrom(0, [&](Greeter* g) { return dropBAndC(g) && false; }); });
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(namesOf(holder), (std::vector<std::string>{"a", "d"}));
}
