// A light of the rendering engine on its own scene node; the subclasses give it its type (point,
// directional, spot) and white diffuse and specular colours. Like every renderable object it can
// take part in compositor effects: a light lights objects inside an effect's passes only while it
// carries that effect's visibility mask too.
#pragma once

#include <OgreColourValue.h>

#include <string>

#include "scene/RenderableObject.h"

namespace Ogre {
class Light;
}

namespace tolva {

class Light : public RenderableObject {
public:
    /// A light of the rendering engine's default type and colours.
    /// @throws InvalidArgumentException when a light of that name exists
    explicit Light(const std::string& name);
    ~Light() override;

    Ogre::Light* getLight() const { return mLight; }
    Ogre::ColourValue getDiffuse() const;
    void setDiffuse(float red, float green, float blue);
    Ogre::ColourValue getSpecular() const;
    void setSpecular(float red, float green, float blue);
    void setAttenuation(float range, float constant, float linear, float quadratic);
    float getAttenuationRange() const;
    float getAttenuationConstant() const;
    float getAttenuationLinear() const;
    float getAttenuationQuadric() const;
    float getPowerScale() const;
    void setPowerScale(float scale);

protected:
    /// Sets the type and white diffuse and specular colours.
    void makeWhite(int type);

    Ogre::Light* mLight;
};

} // namespace tolva
