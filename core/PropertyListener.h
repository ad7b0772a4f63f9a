// Receiver of change notices by property name from a property publisher (the graphics module
// publishes "resolution").
#pragma once

#include <string>

namespace tolva {

class PropertyListener {
public:
    virtual ~PropertyListener() = default;

    /// @param name the name of the property that changed
    virtual void propertyChanged(const std::string& name) = 0;
};

} // namespace tolva
