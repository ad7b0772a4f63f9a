#include "scene/MaterialAlpha.h"

#include <OgreMaterial.h>
#include <OgrePass.h>
#include <OgreTechnique.h>

namespace tolva {

namespace {

Ogre::ColourValue withAlpha(Ogre::ColourValue colour, float alpha)
{
    colour.a = alpha;
    return colour;
}

} // namespace

void setTechniqueAlpha(Ogre::Technique& technique, float alpha)
{
    for (Ogre::Pass* pass : technique.getPasses()) {
        pass->setAmbient(withAlpha(pass->getAmbient(), alpha));
        pass->setDiffuse(withAlpha(pass->getDiffuse(), alpha));
        pass->setSpecular(withAlpha(pass->getSpecular(), alpha));
        pass->setSelfIllumination(withAlpha(pass->getSelfIllumination(), alpha));
    }
}

void setMaterialAlpha(Ogre::Material& material, float alpha)
{
    for (Ogre::Technique* technique : material.getSupportedTechniques()) {
        setTechniqueAlpha(*technique, alpha);
    }
}

} // namespace tolva
