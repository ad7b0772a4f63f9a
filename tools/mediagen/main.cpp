// Writes the binary media that scene tests and benchmarks use, through OGRE's own serializers:
//   TestRig.mesh / TestRig.skeleton  two named sub-meshes ("Body", "Head") skinned to a chain of
//                                    three bones ("Root", "Arm", "Hand") with two animations
//                                    ("Lift", "Slide"), each 2 seconds long
//   TestPanel.mesh                   a unit square facing +Z (one sub-mesh, material "test/Lit")
//   test_dot.dds                     a white disc with soft edges on transparent black (DDS: the
//                                    one image format OGRE reads without a codec plug-in)
// With --level, the media of the shipped level instead:
//   level_gem.mesh                   an octahedron of radius 0.5, the item to pick up
//                                    (material "Level/Gem")
//   level_windmill.mesh / .skeleton  a post with a four-bladed rotor on the bone "Rotor", whose
//                                    animation "Spin" turns it once about +Z in 4 seconds
//                                    (materials "Level/Post", "Level/Blade")
//   level_spark.dds                  the soft disc again, for billboards and the trail
// Usage: tolva_mediagen [--level] <output folder>
#include <OgreAnimation.h>
#include <OgreAnimationTrack.h>
#include <OgreBone.h>
#include <OgreDefaultHardwareBufferManager.h>
#include <OgreHardwareBufferManager.h>
#include <OgreImage.h>
#include <OgreKeyFrame.h>
#include <OgreLogManager.h>
#include <OgreMaterialManager.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreMeshSerializer.h>
#include <OgreRoot.h>
#include <OgreSkeleton.h>
#include <OgreSkeletonManager.h>
#include <OgreSkeletonSerializer.h>
#include <OgreSubMesh.h>

#include "MeshPart.h"

#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const GROUP = "General";

using tolva::tools::MeshPart;

void assignToBone(Ogre::SubMesh* sub, std::size_t vertexCount, unsigned short bone)
{
    for (std::size_t i = 0; i < vertexCount; ++i) {
        Ogre::VertexBoneAssignment assignment;
        assignment.vertexIndex = static_cast<unsigned int>(i);
        assignment.boneIndex = bone;
        assignment.weight = 1.0f;
        sub->addBoneAssignment(assignment);
    }
}

void translationTrack(Ogre::Animation* animation, Ogre::Bone* bone, const Ogre::Vector3& fullOffset)
{
    Ogre::NodeAnimationTrack* track = animation->createNodeTrack(bone->getHandle(), bone);
    track->createNodeKeyFrame(0.0f)->setTranslate(Ogre::Vector3::ZERO);
    track->createNodeKeyFrame(animation->getLength())->setTranslate(fullOffset);
}

void writeRig(const std::string& folder)
{
    // Bones in mesh space: Root at the origin, Arm at (2, 0, 0), Hand one unit above Arm.
    Ogre::SkeletonPtr skeleton = Ogre::SkeletonManager::getSingleton().create("TestRig.skeleton", GROUP, true);
    Ogre::Bone* root = skeleton->createBone("Root", 0);
    Ogre::Bone* arm = skeleton->createBone("Arm", 1);
    Ogre::Bone* hand = skeleton->createBone("Hand", 2);
    root->addChild(arm);
    arm->addChild(hand);
    arm->setPosition(2, 0, 0);
    hand->setPosition(0, 1, 0);
    skeleton->setBindingPose();
    // Both move the arm (and with it the hand) by one unit per second: "Lift" up, "Slide" along +Z.
    translationTrack(skeleton->createAnimation("Lift", 2.0f), arm, Ogre::Vector3(0, 2, 0));
    translationTrack(skeleton->createAnimation("Slide", 2.0f), arm, Ogre::Vector3(0, 0, 2));
    Ogre::SkeletonSerializer().exportSkeleton(skeleton.get(), folder + "/TestRig.skeleton");

    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual("TestRig.mesh", GROUP);
    mesh->setSkeletonName("TestRig.skeleton");
    MeshPart bodyPart;
    bodyPart.addBox(Ogre::Vector3(-0.5f, -0.5f, -0.5f), Ogre::Vector3(2.5f, 0.5f, 0.5f));
    Ogre::SubMesh* body = mesh->createSubMesh("Body");
    bodyPart.fillSubMesh(body);
    MeshPart::useMaterial(body, "test/RigBody", GROUP);
    assignToBone(body, bodyPart.vertices.size(), root->getHandle());

    MeshPart headPart;
    headPart.addBox(Ogre::Vector3(1.75f, 0.75f, -0.25f), Ogre::Vector3(2.25f, 1.25f, 0.25f));
    Ogre::SubMesh* head = mesh->createSubMesh("Head");
    headPart.fillSubMesh(head);
    MeshPart::useMaterial(head, "test/RigHead", GROUP);
    assignToBone(head, headPart.vertices.size(), hand->getHandle());

    mesh->_setBounds(Ogre::AxisAlignedBox(-1.0f, -1.0f, -1.0f, 3.0f, 4.0f, 3.0f), false);
    mesh->_setBoundingSphereRadius(5.0f);
    Ogre::MeshSerializer().exportMesh(mesh.get(), folder + "/TestRig.mesh");
}

void writePanel(const std::string& folder)
{
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual("TestPanel.mesh", GROUP);
    MeshPart panel;
    panel.vertices = {
        {{-0.5f, -0.5f, 0}, {0, 0, 1}, {0, 1}},
        {{0.5f, -0.5f, 0}, {0, 0, 1}, {1, 1}},
        {{0.5f, 0.5f, 0}, {0, 0, 1}, {1, 0}},
        {{-0.5f, 0.5f, 0}, {0, 0, 1}, {0, 0}},
    };
    panel.indices = {0, 1, 2, 0, 2, 3};
    Ogre::SubMesh* sub = mesh->createSubMesh("Panel");
    panel.fillSubMesh(sub);
    MeshPart::useMaterial(sub, "test/Lit", GROUP);
    mesh->_setBounds(Ogre::AxisAlignedBox(-0.5f, -0.5f, -0.01f, 0.5f, 0.5f, 0.01f), false);
    mesh->_setBoundingSphereRadius(0.75f);
    Ogre::MeshSerializer().exportMesh(mesh.get(), folder + "/TestPanel.mesh");
}

void writeGem(const std::string& folder)
{
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual("level_gem.mesh", GROUP);
    const Ogre::Vector3 tips[6] = {Ogre::Vector3(0.5f, 0, 0), Ogre::Vector3(0, 0, 0.5f), Ogre::Vector3(-0.5f, 0, 0),
        Ogre::Vector3(0, 0, -0.5f), Ogre::Vector3(0, 0.5f, 0), Ogre::Vector3(0, -0.5f, 0)};
    MeshPart gem;
    std::vector<tolva::tools::MeshVertex>& vertices = gem.vertices;
    std::vector<std::uint16_t>& indices = gem.indices;
    // Eight faces, each with its own three vertices so that the facets stay flat-shaded.
    for (int i = 0; i < 4; ++i) {
        const Ogre::Vector3& a = tips[i];
        const Ogre::Vector3& b = tips[(i + 1) % 4];
        for (int pole : {4, 5}) {
            const Ogre::Vector3 corners[3] = {a, pole == 4 ? b : tips[pole], pole == 4 ? tips[pole] : b};
            const Ogre::Vector3 normal
                = (corners[1] - corners[0]).crossProduct(corners[2] - corners[0]).normalisedCopy();
            for (const Ogre::Vector3& corner : corners) {
                indices.push_back(static_cast<std::uint16_t>(vertices.size()));
                vertices.push_back({{corner.x, corner.y, corner.z}, {normal.x, normal.y, normal.z},
                    {corner.x + 0.5f, 0.5f - corner.y}});
            }
        }
    }
    Ogre::SubMesh* sub = mesh->createSubMesh("Gem");
    gem.fillSubMesh(sub);
    MeshPart::useMaterial(sub, "Level/Gem", GROUP);
    mesh->_setBounds(Ogre::AxisAlignedBox(-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f), false);
    mesh->_setBoundingSphereRadius(0.5f);
    Ogre::MeshSerializer().exportMesh(mesh.get(), folder + "/level_gem.mesh");
}

void writeWindmill(const std::string& folder)
{
    // The rotor's hub sits 4 units up the post, the blades lie in the XY plane in front of it.
    Ogre::SkeletonPtr skeleton = Ogre::SkeletonManager::getSingleton().create("level_windmill.skeleton", GROUP, true);
    Ogre::Bone* base = skeleton->createBone("Base", 0);
    Ogre::Bone* rotor = skeleton->createBone("Rotor", 1);
    base->addChild(rotor);
    rotor->setPosition(0, 4, 0.3f);
    skeleton->setBindingPose();
    Ogre::Animation* spin = skeleton->createAnimation("Spin", 4.0f);
    Ogre::NodeAnimationTrack* track = spin->createNodeTrack(rotor->getHandle(), rotor);
    // Quarter turns, so that the interpolation between two keys never takes the short way back.
    for (int quarter = 0; quarter <= 4; ++quarter) {
        track->createNodeKeyFrame(static_cast<float>(quarter))
            ->setRotation(Ogre::Quaternion(Ogre::Degree(-90.0f * quarter), Ogre::Vector3::UNIT_Z));
    }
    Ogre::SkeletonSerializer().exportSkeleton(skeleton.get(), folder + "/level_windmill.skeleton");

    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual("level_windmill.mesh", GROUP);
    mesh->setSkeletonName("level_windmill.skeleton");
    MeshPart postPart;
    postPart.addBox(Ogre::Vector3(-0.2f, 0, -0.2f), Ogre::Vector3(0.2f, 4.2f, 0.2f));
    Ogre::SubMesh* post = mesh->createSubMesh("Post");
    postPart.fillSubMesh(post);
    MeshPart::useMaterial(post, "Level/Post", GROUP);
    assignToBone(post, postPart.vertices.size(), base->getHandle());

    MeshPart bladesPart;
    bladesPart.addBox(Ogre::Vector3(-2.5f, 3.8f, 0.25f), Ogre::Vector3(2.5f, 4.2f, 0.35f));
    bladesPart.addBox(Ogre::Vector3(-0.2f, 1.5f, 0.25f), Ogre::Vector3(0.2f, 6.5f, 0.35f));
    Ogre::SubMesh* blades = mesh->createSubMesh("Blades");
    bladesPart.fillSubMesh(blades);
    MeshPart::useMaterial(blades, "Level/Blade", GROUP);
    assignToBone(blades, bladesPart.vertices.size(), rotor->getHandle());

    mesh->_setBounds(Ogre::AxisAlignedBox(-2.6f, 0.0f, -0.6f, 2.6f, 6.6f, 0.6f), false);
    mesh->_setBoundingSphereRadius(7.0f);
    Ogre::MeshSerializer().exportMesh(mesh.get(), folder + "/level_windmill.mesh");
}

void writeDot(const std::string& folder, const std::string& name = "test_dot.dds")
{
    const unsigned int size = 32;
    std::vector<Ogre::uchar> pixels(size * size * 4);
    for (unsigned int y = 0; y < size; ++y) {
        for (unsigned int x = 0; x < size; ++x) {
            const float dx = (x + 0.5f) / size * 2 - 1;
            const float dy = (y + 0.5f) / size * 2 - 1;
            const float distance = std::sqrt(dx * dx + dy * dy);
            // Opaque to half the radius, then fading out towards the rim.
            const float alpha = distance < 0.5f ? 1.0f : std::max(0.0f, 1.0f - (distance - 0.5f) * 2.0f);
            Ogre::uchar* pixel = &pixels[(y * size + x) * 4];
            pixel[0] = pixel[1] = pixel[2] = 255;
            pixel[3] = static_cast<Ogre::uchar>(alpha * 255.0f + 0.5f);
        }
    }
    Ogre::Image image;
    image.loadDynamicImage(pixels.data(), size, size, Ogre::PF_BYTE_RGBA);
    image.save(folder + "/" + name);
}

} // namespace

int main(int argc, char** argv)
{
    const bool level = argc == 3 && std::string(argv[1]) == "--level";
    if (argc != 2 && !level) {
        std::cerr << "usage: tolva_mediagen [--level] <output folder>\n";
        return 2;
    }
    const std::string folder = argv[argc - 1];
    try {
        Ogre::LogManager logs;
        logs.createLog("", true, false, true);
        Ogre::Root root("", "", "");
        // No render system: buffers live in system memory, which is all the serializers need.
        Ogre::DefaultHardwareBufferManager buffers;
        if (level) {
            writeGem(folder);
            writeWindmill(folder);
            writeDot(folder, "level_spark.dds");
        } else {
            writeRig(folder);
            writePanel(folder);
            writeDot(folder);
        }
        Ogre::MeshManager::getSingleton().removeAll();
        Ogre::SkeletonManager::getSingleton().removeAll();
    } catch (const std::exception& e) {
        std::cerr << "tolva_mediagen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
