// A white light shining in every direction from its node's position.
#pragma once

#include "scene/Light.h"

namespace tolva {

class PointLight : public Light {
public:
    explicit PointLight(const std::string& name);
};

} // namespace tolva
