#include "core/Hierarchical.h"
#include "core/Transformable.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class Node : public tolva::Hierarchical {
public:
    Node(std::vector<std::string>& updates, std::string name)
        : mUpdates(updates)
        , mName(std::move(name))
    {
    }

    void updateOnce() override { mUpdates.push_back(mName); }
    const std::vector<tolva::Hierarchical*>& children() const { return mChildren; }

private:
    std::vector<std::string>& mUpdates;
    std::string mName;
};

// A parent whose hook takes no children, as a derived class might.
class Refuser : public Node {
public:
    using Node::Node;
    bool rawAddChild(tolva::Hierarchical*) override { return false; }
};

class HierarchicalTest : public ::testing::Test {
protected:
    std::vector<tolva::Hierarchical*> list(std::initializer_list<tolva::Hierarchical*> nodes) { return nodes; }

    tolva::test::LogCapture mWarnings;
    std::vector<std::string> mUpdates;
};

TEST_F(HierarchicalTest, AddChildRefusesNullSelfAndDuplicatesWithWarnings)
{
    Node a(mUpdates, "a"), c(mUpdates, "c");
    EXPECT_TRUE(a.addChild(&c));
    EXPECT_FALSE(a.addChild(&c));
    EXPECT_FALSE(a.addChild(nullptr));
    EXPECT_FALSE(a.addChild(&a));
    EXPECT_EQ(a.children(), list({&c}));
    EXPECT_EQ(c.getParent(), &a);
    EXPECT_TRUE(a.isRoot());
    EXPECT_FALSE(a.isLeaf());
    EXPECT_TRUE(c.isLeaf());
    EXPECT_EQ(mWarnings.getLines(),
        (std::vector<std::string>{"Warning: Attempt to add a child to a parent twice.",
            "Warning: Attempt to add a null child to a hierarchical.",
            "Warning: Attempt to add a hierarchical as a child of itself."}));
}

TEST_F(HierarchicalTest, AddChildMovesAChildFromItsOldParent)
{
    Node a(mUpdates, "a"), b(mUpdates, "b"), c(mUpdates, "c");
    b.addChild(&c);
    EXPECT_TRUE(a.addChild(&c));
    EXPECT_TRUE(b.isLeaf());
    EXPECT_EQ(a.children(), list({&c}));
    EXPECT_EQ(c.getParent(), &a);
    EXPECT_TRUE(mWarnings.getLines().empty());
}

TEST_F(HierarchicalTest, SetParentLeavesTheOldParentAndJoinsTheNewOne)
{
    Node a(mUpdates, "a"), b(mUpdates, "b"), c(mUpdates, "c");
    c.setParent(&b);
    c.setParent(&a);
    EXPECT_TRUE(b.isLeaf());
    EXPECT_EQ(a.children(), list({&c}));
    EXPECT_EQ(c.getParent(), &a);
    c.setParent(nullptr);
    EXPECT_TRUE(c.isRoot());
    EXPECT_TRUE(a.isLeaf());
    EXPECT_TRUE(mWarnings.getLines().empty());
}

TEST_F(HierarchicalTest, RemovingAStrangerWarnsAndLeavesItsParentAlone)
{
    Node a(mUpdates, "a"), b(mUpdates, "b"), c(mUpdates, "c");
    b.addChild(&c);
    EXPECT_FALSE(a.removeChild(&c));
    EXPECT_EQ(c.getParent(), &b);
    EXPECT_EQ(mWarnings.getLines(),
        (std::vector<std::string>{"Warning: Attempt to a remove a child that is not of this parent."}));
    EXPECT_TRUE(b.removeChild(&c));
    EXPECT_TRUE(c.isRoot());
    EXPECT_TRUE(b.isLeaf());
}

TEST_F(HierarchicalTest, DestroyingAParentOrAChildUnlinksIt)
{
    Node root(mUpdates, "root"), kept(mUpdates, "kept");
    auto parent = std::make_unique<Node>(mUpdates, "parent");
    auto child = std::make_unique<Node>(mUpdates, "child");
    Node other(mUpdates, "other");
    root.addChild(parent.get());
    parent->addChild(child.get());
    parent->addChild(&other);
    parent.reset();
    EXPECT_TRUE(child->isRoot());
    EXPECT_TRUE(other.isRoot());
    EXPECT_TRUE(root.isLeaf());

    root.addChild(child.get());
    root.addChild(&kept);
    child.reset();
    EXPECT_EQ(root.children(), list({&kept}));
    EXPECT_TRUE(mWarnings.getLines().empty());
}

TEST_F(HierarchicalTest, UpdateVisitsTheTreeRootFirstInChildOrder)
{
    Node root(mUpdates, "root"), middle(mUpdates, "middle"), leaf(mUpdates, "leaf"), side(mUpdates, "side"),
        twig(mUpdates, "twig");
    root.addChild(&middle);
    middle.addChild(&leaf);
    middle.addChild(&twig);
    root.addChild(&side);

    leaf.update(true, true);
    EXPECT_EQ(mUpdates, (std::vector<std::string>{"root", "middle", "leaf", "twig", "side"}));
    mUpdates.clear();
    leaf.update(false, true);
    EXPECT_EQ(mUpdates, (std::vector<std::string>{"root", "middle", "leaf"}));
    mUpdates.clear();
    middle.update(true, false);
    EXPECT_EQ(mUpdates, (std::vector<std::string>{"middle", "leaf", "twig"}));
    mUpdates.clear();
    middle.update(false, false);
    EXPECT_EQ(mUpdates, (std::vector<std::string>{"middle"}));
}

TEST_F(HierarchicalTest, AncestorCannotBecomeAChild)
{
    Node root(mUpdates, "root"), middle(mUpdates, "middle"), leaf(mUpdates, "leaf");
    root.addChild(&middle);
    middle.addChild(&leaf);
    const std::string cycle = "Warning: Attempt to add an ancestor of a hierarchical as its child.";

    EXPECT_FALSE(leaf.addChild(&root));
    EXPECT_FALSE(leaf.addChild(&middle));
    root.setParent(&leaf);
    middle.setParent(&leaf);
    EXPECT_EQ(mWarnings.getLines(), (std::vector<std::string>{cycle, cycle, cycle, cycle}));

    // Nothing moved, and the tree still updates once through.
    EXPECT_TRUE(root.isRoot());
    EXPECT_EQ(middle.getParent(), &root);
    EXPECT_TRUE(leaf.isLeaf());
    leaf.update(true, true);
    EXPECT_EQ(mUpdates, (std::vector<std::string>{"root", "middle", "leaf"}));
}

TEST_F(HierarchicalTest, SetParentNeverRecordsItselfOrARefusingParent)
{
    Node a(mUpdates, "a"), c(mUpdates, "c");
    Refuser refuser(mUpdates, "refuser");
    a.addChild(&c);

    c.setParent(&c);
    EXPECT_EQ(c.getParent(), &a);
    EXPECT_EQ(
        mWarnings.getLines(), (std::vector<std::string>{"Warning: Attempt to add a hierarchical as a child of itself."}));

    c.setParent(&refuser);
    EXPECT_TRUE(c.isRoot());
    EXPECT_TRUE(refuser.isLeaf());
    EXPECT_TRUE(a.isLeaf());
    c.update(true, true); // would recurse through a parent that does not list it
    EXPECT_EQ(mUpdates, (std::vector<std::string>{"c"}));
}

// Transformable has no behaviour of its own; a minimal implementation proves the interface is
// complete enough to implement and call through.
class Point : public tolva::Transformable {
public:
    Ogre::Vector3 getPosition() const override { return mPosition; }
    void setPosition(const Ogre::Vector3& p) override { mPosition = p; }
    void translate(const Ogre::Vector3& d) override { mPosition += d; }
    Ogre::Quaternion getOrientation() const override { return mOrientation; }
    void setOrientation(const Ogre::Quaternion& q) override { mOrientation = q; }
    void rotate(const Ogre::Vector3& axis, float degrees) override { rotate(axis, degrees, Ogre::Node::TS_LOCAL); }
    void rotate(const Ogre::Vector3& axis, float degrees, Ogre::Node::TransformSpace) override
    {
        mOrientation = mOrientation * Ogre::Quaternion(Ogre::Degree(degrees), axis);
    }
    Ogre::Vector3 getScale() const override { return mScale; }
    void setScale(const Ogre::Vector3& s) override { mScale = s; }
    void scale(const Ogre::Vector3& f) override { mScale *= f; }

private:
    Ogre::Vector3 mPosition = Ogre::Vector3::ZERO;
    Ogre::Quaternion mOrientation = Ogre::Quaternion::IDENTITY;
    Ogre::Vector3 mScale = Ogre::Vector3::UNIT_SCALE;
};

TEST(Transformable, RotateTakesDegrees)
{
    Point point;
    tolva::Transformable& object = point;
    object.rotate(Ogre::Vector3::UNIT_Y, 90.0f);
    const Ogre::Vector3 turned = object.getOrientation() * Ogre::Vector3::UNIT_X;
    EXPECT_NEAR(turned.z, -1.0f, 1e-5f);
}

} // namespace
