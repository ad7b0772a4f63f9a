#include "core/Hierarchical.h"

#include "core/LogLine.h"

#include <algorithm>
#include <string>

namespace tolva {

namespace {

const char* const SELF_CHILD = "Warning: Attempt to add a hierarchical as a child of itself.";
const char* const ANCESTOR_CHILD = "Warning: Attempt to add an ancestor of a hierarchical as its child.";
const std::string TOO_DEEP
    = "Warning: Attempt to make a hierarchy deeper than " + std::to_string(Hierarchical::MaxDepth) + " levels.";

} // namespace

bool Hierarchical::rawAddChild(Hierarchical* child)
{
    if (!child) {
        logWarning("Warning: Attempt to add a null child to a hierarchical.");
        return false;
    }
    if (child == this) {
        logWarning(SELF_CHILD);
        return false;
    }
    if (lists(child)) {
        logWarning("Warning: Attempt to add a child to a parent twice.");
        return false;
    }
    // A cycle would make update recurse forever.
    if (child->isAncestorOf(this)) {
        logWarning(ANCESTOR_CHILD);
        return false;
    }
    if (!fitsBelow(this, child)) {
        logWarning(TOO_DEEP);
        return false;
    }
    mChildren.push_back(child);
    return true;
}

bool Hierarchical::rawRemoveChild(Hierarchical* child)
{
    const auto found = std::find(mChildren.begin(), mChildren.end(), child);
    if (found == mChildren.end()) {
        logWarning("Warning: Attempt to a remove a child that is not of this parent.");
        return false;
    }
    mChildren.erase(found);
    return true;
}

void Hierarchical::parentAttaching(Hierarchical* parent)
{
    // The new parent has just listed this object; only a different old parent must let go.
    if (mParent && mParent != parent) {
        mParent->childDetaching(this);
    }
    mParent = parent;
}

void Hierarchical::parentDetaching()
{
    mParent = nullptr;
}

void Hierarchical::childAttaching(Hierarchical* child)
{
    rawAddChild(child);
}

void Hierarchical::childDetaching(Hierarchical* child)
{
    rawRemoveChild(child);
}

Hierarchical::DestructionObserver Hierarchical::msDestructionObserver = nullptr;
Hierarchical::LifeHold Hierarchical::msLifeHold = nullptr;
Hierarchical::LifeRelease Hierarchical::msLifeRelease = nullptr;

Hierarchical::~Hierarchical()
{
    if (msDestructionObserver) {
        msDestructionObserver(this);
    }
    const std::vector<Hierarchical*> children = mChildren;
    for (Hierarchical* child : children) {
        child->parentDetaching();
    }
    mChildren.clear();
    if (mParent) {
        mParent->childDetaching(this);
        mParent = nullptr;
    }
}

void Hierarchical::update(bool descend, bool ascend)
{
    if (ascend && mParent) {
        mParent->update(descend, true);
        if (!descend) {
            updateOnce();
        }
        return;
    }
    updateOnce();
    if (!descend) {
        return;
    }
    // A copy: an update may rearrange the tree.
    const std::vector<Hierarchical*> children = mChildren;
    for (Hierarchical* child : children) {
        child->update(true, false);
    }
}

bool Hierarchical::isRoot() const
{
    return mParent == nullptr;
}

Hierarchical* Hierarchical::getParent() const
{
    return mParent;
}

void Hierarchical::setParent(Hierarchical* parent)
{
    if (parent == mParent) {
        return;
    }
    // Refused before leaving the old parent, so a refused move changes nothing.
    if (parent == this) {
        logWarning(SELF_CHILD);
        return;
    }
    if (parent && isAncestorOf(parent)) {
        logWarning(ANCESTOR_CHILD);
        return;
    }
    if (parent && !fitsBelow(parent, this)) {
        logWarning(TOO_DEEP);
        return;
    }
    if (mParent) {
        mParent->childDetaching(this);
    }
    mParent = parent;
    if (parent) {
        parent->childAttaching(this);
        // A parent whose hooks refused the object must not be recorded.
        if (mParent == parent && !parent->lists(this)) {
            mParent = nullptr;
        }
    }
}

bool Hierarchical::isLeaf() const
{
    return mChildren.empty();
}

bool Hierarchical::addChild(Hierarchical* child)
{
    if (!rawAddChild(child)) {
        return false;
    }
    child->parentAttaching(this);
    return true;
}

bool Hierarchical::removeChild(Hierarchical* child)
{
    if (!rawRemoveChild(child)) {
        return false;
    }
    child->parentDetaching();
    return true;
}

bool Hierarchical::isAncestorOf(const Hierarchical* other) const
{
    for (const Hierarchical* node = other ? other->mParent : nullptr; node; node = node->mParent) {
        if (node == this) {
            return true;
        }
    }
    return false;
}

bool Hierarchical::fitsBelow(const Hierarchical* parent, const Hierarchical* child)
{
    unsigned int depth = 1;
    for (const Hierarchical* node = parent; node->mParent; node = node->mParent) {
        ++depth;
    }
    // The child's subtree, level by level, without recursion.
    std::vector<const Hierarchical*> level(1, child);
    std::vector<const Hierarchical*> next;
    while (!level.empty()) {
        if (++depth > MaxDepth) {
            return false;
        }
        next.clear();
        for (const Hierarchical* node : level) {
            next.insert(next.end(), node->mChildren.begin(), node->mChildren.end());
        }
        level.swap(next);
    }
    return true;
}

bool Hierarchical::lists(const Hierarchical* child) const
{
    return std::find(mChildren.begin(), mChildren.end(), child) != mChildren.end();
}

} // namespace tolva
