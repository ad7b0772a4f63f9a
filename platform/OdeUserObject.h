// What a physics-layer geometry carries back to the engine: the object that owns it.
// Contacts find their engine objects through it (with dynamic_cast), so it is polymorphic.
#pragma once

namespace tolva::ode {

class UserObject {
public:
    virtual ~UserObject() = default;
};

} // namespace tolva::ode
