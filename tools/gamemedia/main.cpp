// Writes the binary media of the game through OGRE's own serializers:
//   play_sphere.mesh  a sphere of radius 1 (the play sphere's ball) in eight bands of two
//                     materials, "Spindlewake/SphereLight" and "Spindlewake/SphereDark", so that
//                     its rolling shows
//   level_block.mesh  a unit cube centred on its origin, material "Spindlewake/Block"; levels
//                     scale it into walls, ramps and obstacles
//   level_floor.mesh  a 40 x 1 x 40 slab whose top lies at y = 0, material "Spindlewake/Floor",
//                     its texture repeated every 2 units
//   floor_tile.dds    a grey tile with a light border
//   flame.dds         a soft white disc on transparent black, for the thruster's flame
// Usage: tolva_gamemedia <output folder>
#include <OgreDefaultHardwareBufferManager.h>
#include <OgreHardwareBufferManager.h>
#include <OgreImage.h>
#include <OgreLogManager.h>
#include <OgreMaterialManager.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreMeshSerializer.h>
#include <OgreRoot.h>
#include <OgreSubMesh.h>

#include "MeshPart.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const GROUP = "General";

using tolva::tools::MeshPart;
using tolva::tools::MeshVertex;

void addSubMesh(const Ogre::MeshPtr& mesh, const std::string& name, const MeshPart& part, const std::string& material)
{
    Ogre::SubMesh* sub = mesh->createSubMesh(name);
    part.fillSubMesh(sub);
    MeshPart::useMaterial(sub, material, GROUP);
}

void save(const Ogre::MeshPtr& mesh, const Ogre::AxisAlignedBox& bounds, const std::string& path)
{
    mesh->_setBounds(bounds, false);
    mesh->_setBoundingSphereRadius((bounds.getMaximum() - bounds.getMinimum()).length() * 0.5f);
    Ogre::MeshSerializer().exportMesh(mesh.get(), path);
}

void writeSphere(const std::string& folder)
{
    // Latitude rings from pole to pole; each longitude band goes to one of the two parts.
    const int rings = 16;
    const int segments = 32;
    const int bands = 8;
    MeshPart parts[2];
    for (int segment = 0; segment < segments; ++segment) {
        MeshPart& part = parts[(segment * bands / segments) % 2];
        for (int ring = 0; ring < rings; ++ring) {
            const std::uint16_t first = static_cast<std::uint16_t>(part.vertices.size());
            for (int corner = 0; corner < 4; ++corner) {
                const int s = segment + (corner == 1 || corner == 2 ? 1 : 0);
                const int r = ring + (corner >= 2 ? 1 : 0);
                const float theta = Ogre::Math::PI * r / rings;
                const float phi = Ogre::Math::TWO_PI * s / segments;
                const Ogre::Vector3 normal(
                    std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
                MeshVertex vertex = {{normal.x, normal.y, normal.z}, {normal.x, normal.y, normal.z},
                    {static_cast<float>(s) / segments, static_cast<float>(r) / rings}};
                part.vertices.push_back(vertex);
            }
            // Counter-clockwise seen from outside.
            for (std::uint16_t index : {0, 1, 2, 0, 2, 3}) {
                part.indices.push_back(static_cast<std::uint16_t>(first + index));
            }
        }
    }
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual("play_sphere.mesh", GROUP);
    addSubMesh(mesh, "Light", parts[0], "Spindlewake/SphereLight");
    addSubMesh(mesh, "Dark", parts[1], "Spindlewake/SphereDark");
    save(mesh, Ogre::AxisAlignedBox(-1, -1, -1, 1, 1, 1), folder + "/play_sphere.mesh");
}

void writeBox(const std::string& folder, const std::string& name, const std::string& material, const Ogre::Vector3& low,
    const Ogre::Vector3& high, float repeat)
{
    MeshPart part;
    part.addBox(low, high, repeat);
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(name, GROUP);
    addSubMesh(mesh, "Box", part, material);
    save(mesh, Ogre::AxisAlignedBox(low, high), folder + "/" + name);
}

void writeImage(
    const std::string& path, unsigned int size, const std::function<Ogre::ColourValue(float, float)>& colour)
{
    std::vector<Ogre::uchar> pixels(size * size * 4);
    for (unsigned int y = 0; y < size; ++y) {
        for (unsigned int x = 0; x < size; ++x) {
            const Ogre::ColourValue value = colour((x + 0.5f) / size, (y + 0.5f) / size);
            Ogre::uchar* pixel = &pixels[(y * size + x) * 4];
            pixel[0] = static_cast<Ogre::uchar>(value.r * 255.0f + 0.5f);
            pixel[1] = static_cast<Ogre::uchar>(value.g * 255.0f + 0.5f);
            pixel[2] = static_cast<Ogre::uchar>(value.b * 255.0f + 0.5f);
            pixel[3] = static_cast<Ogre::uchar>(value.a * 255.0f + 0.5f);
        }
    }
    // DDS: the one image format the rendering engine reads without a codec plug-in.
    Ogre::Image image;
    image.loadDynamicImage(pixels.data(), size, size, Ogre::PF_BYTE_RGBA);
    image.save(path);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: tolva_gamemedia <output folder>\n";
        return 2;
    }
    const std::string folder = argv[1];
    try {
        Ogre::LogManager logs;
        logs.createLog("", true, false, true);
        Ogre::Root root("", "", "");
        // No render system: buffers live in system memory, which is all the serializers need.
        Ogre::DefaultHardwareBufferManager buffers;
        writeSphere(folder);
        writeBox(folder, "level_block.mesh", "Spindlewake/Block", Ogre::Vector3(-0.5f), Ogre::Vector3(0.5f), 1.0f);
        writeBox(folder, "level_floor.mesh", "Spindlewake/Floor", Ogre::Vector3(-20, -1, -20), Ogre::Vector3(20, 0, 20),
            2.0f);
        writeImage(folder + "/floor_tile.dds", 64, [](float u, float v) {
            const bool border = u < 0.05f || u > 0.95f || v < 0.05f || v > 0.95f;
            return border ? Ogre::ColourValue(0.85f, 0.85f, 0.8f, 1.0f) : Ogre::ColourValue(0.45f, 0.47f, 0.5f, 1.0f);
        });
        writeImage(folder + "/flame.dds", 32, [](float u, float v) {
            const float distance = std::sqrt((u * 2 - 1) * (u * 2 - 1) + (v * 2 - 1) * (v * 2 - 1));
            const float alpha = std::max(0.0f, 1.0f - distance);
            return Ogre::ColourValue(alpha, alpha, alpha, alpha);
        });
        Ogre::MeshManager::getSingleton().removeAll();
    } catch (const std::exception& e) {
        std::cerr << "tolva_gamemedia: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
