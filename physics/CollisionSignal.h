// The collision signal of a physical object: a signal of (partner, contact) that tells its
// object whenever a slot connects. The physics module passes over the collisions of objects that
// nothing listens to; asking the signal itself whether it has slots would lock its mutex for
// every contact.
#pragma once

#include <boost/signals2/signal.hpp>

#include <utility>

namespace tolva {

class Contact;
class PhysicalBase;

class CollisionSignal : public boost::signals2::signal<void(PhysicalBase*, Contact*)> {
public:
    typedef boost::signals2::signal<void(PhysicalBase*, Contact*)> Base;

    /// @param owner the object told of new slots; null tells nobody
    explicit CollisionSignal(PhysicalBase* owner = nullptr)
        : mOwner(owner)
    {
    }

    /// Every overload of the signal's connect, with the owner told.
    template <typename... Arguments>
    boost::signals2::connection connect(Arguments&&... arguments)
    {
        boost::signals2::connection connection = Base::connect(std::forward<Arguments>(arguments)...);
        slotConnected();
        return connection;
    }

    template <typename... Arguments>
    boost::signals2::connection connect_extended(Arguments&&... arguments)
    {
        boost::signals2::connection connection = Base::connect_extended(std::forward<Arguments>(arguments)...);
        slotConnected();
        return connection;
    }

private:
    void slotConnected();

    PhysicalBase* mOwner;
};

} // namespace tolva
