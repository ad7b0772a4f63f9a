// A geometry that carries another one at an offset pose (for shapes placed off a body's
// centre). It owns the carried geometry.
#pragma once

#include "platform/OdeGeometry.h"

#include <memory>

namespace tolva::ode {

class TransformGeometry : public Geometry {
public:
    explicit TransformGeometry(Space* space = nullptr);
    ~TransformGeometry() override;
    /// Takes ownership of the carried geometry, which must be in no space; the previous one is
    /// deleted. Null carries nothing.
    void setEncapsulatedGeometry(Geometry* geometry);
    Geometry* getEncapsulatedGeometry() const { return mEncapsulated.get(); }

private:
    std::unique_ptr<Geometry> mEncapsulated;
};

} // namespace tolva::ode
