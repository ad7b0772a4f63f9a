// A collision listener implemented by a script: the physics module's collision dispatch reaches
// the script's "collision" method.
#pragma once

#include "physics/CollisionListener.h"
#include "physics/Contact.h"
#include "physics/PhysicalBase.h"
#include "scripting/support/TrackedReference.h"

#include <boost/noncopyable.hpp>
#include <boost/python/wrapper.hpp>

#include "scripting/support/RunningScript.h"

namespace tolva {

/// Lives inside the Python object that a script made from `CollisionListener`. Holders keep only
/// a plain pointer; a holder's script class keeps the listener's Python object alive while it is
/// connected (ScriptKeepAlive).
class CollisionListenerWrap : public CollisionListener,
                              public boost::python::wrapper<CollisionListener>,
                              private boost::noncopyable {
public:
    /// The partner arrives as a handle (None for a null partner), the contact as a copy. A class without "collision"
    /// raises TypeError; a script error leaves the call as boost::python::error_already_set.
    void collision(PhysicalBase* partner, Contact* contact) override
    {
        const RunningScript running;
        get_override("collision")(lendToScript(partner), lendToScript(contact));
    }
};

} // namespace tolva
