// The alpha of a faded material: the ambient, diffuse, specular and self-illumination colours of
// each pass take the alpha and keep their red, green and blue. Lit passes take their alpha from
// the diffuse colour, so a pass whose blending uses the alpha shows it.
#pragma once

namespace Ogre {
class Material;
class Technique;
} // namespace Ogre

namespace tolva {

/// Every pass of the technique.
void setTechniqueAlpha(Ogre::Technique& technique, float alpha);
/// Every pass of every supported technique of the material.
void setMaterialAlpha(Ogre::Material& material, float alpha);

} // namespace tolva
