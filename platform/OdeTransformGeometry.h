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
    /// Takes ownership of the carried geometry; the previous one is deleted. Null carries
    /// nothing. The transform itself may hang on a body; what it carries may not.
    /// @throws InvalidArgumentException for a geometry in a space or on a body, which ODE would
    ///         collide on its own or abort on
    void setEncapsulatedGeometry(Geometry* geometry);
    Geometry* getEncapsulatedGeometry() const { return mEncapsulated.get(); }

private:
    std::unique_ptr<Geometry> mEncapsulated;
};

} // namespace tolva::ode
