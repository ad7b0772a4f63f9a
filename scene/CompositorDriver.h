// Drives one compositor of the viewport's chain from program code: the driver listens to the
// compositor's instance, whose material callbacks let it feed shader parameters pass by pass, and
// the render path manager hands it the frame time. A driver binds to its instance when it is
// made (through the render path manager, which must be initialised) and lets go of it when it is
// deleted. Without the compositor there is no instance: the driver then does nothing and
// reports itself off and unsupported.
#pragma once

#include <OgreCompositorInstance.h>

#include <cstdint>
#include <string>

namespace tolva {

class CompositorDriver : public Ogre::CompositorInstance::Listener {
public:
    /// @param name the driver's own name
    /// @param compositorName the compositor resource it drives
    CompositorDriver(const std::string& name, const std::string& compositorName);
    ~CompositorDriver() override;

    CompositorDriver(const CompositorDriver&) = delete;
    CompositorDriver& operator=(const CompositorDriver&) = delete;

    void notifyMaterialSetup(std::uint32_t passId, Ogre::MaterialPtr& material) override;
    void notifyMaterialRender(std::uint32_t passId, Ogre::MaterialPtr& material) override;
    /// @param seconds time since the previous frame
    virtual void frame(float seconds);

    std::uint32_t getPrecedence() const { return mPrecedence; }
    void setPrecedence(std::uint32_t precedence) { mPrecedence = precedence; }
    std::uint32_t getGroup() const { return mGroup; }
    void setGroup(std::uint32_t group) { mGroup = group; }
    const std::string& getName() const { return mName; }
    const std::string& getCompositorName() const { return mCompositorName; }
    /// Null when the compositor does not exist.
    Ogre::CompositorInstance* getInstance() const { return mInstance; }

    /// Switches the compositor on or off; nothing without instance.
    virtual void setEnabled(bool enabled);
    bool isEnabled() const;
    /// The compositor's technique runs here without lowering its texture formats.
    bool isSupported() const;

    /// Drivers order by precedence alone.
    bool operator<(const CompositorDriver& other) const { return mPrecedence < other.mPrecedence; }
    bool operator==(const CompositorDriver& other) const { return mPrecedence == other.mPrecedence; }

private:
    std::uint32_t mPrecedence;
    std::uint32_t mGroup;
    std::string mName;
    std::string mCompositorName;
    Ogre::CompositorInstance* mInstance;
};

} // namespace tolva
