#include "scene/Graphics.h"

#include <OgreRenderSystem.h>
#include <OgreRenderWindow.h>
#include <OgreStringConverter.h>

#include <X11/Xlib.h>

#include <algorithm>

#include <boost/any.hpp>

#include "core/ConfigFile.h"
#include "core/ToString.h"
#include "core/LogLine.h"

namespace tolva {

namespace {

/// Digits only: "4" is a level, "8 [Quincunx]" or "-1" is not.
bool isUnsignedText(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::size_t Graphics::getWindowHandle() const
{
    std::size_t handle = 0;
    mWindow->getCustomAttribute("WINDOW", &handle);
    return handle;
}

Graphics::Resolution Graphics::getResolution() const
{
    return mWindow ? Resolution(mWidth, mHeight) : Resolution(0, 0);
}

const std::string* Graphics::getRenderSystemOption(const std::string& name) const
{
    if (!mRoot || !mRenderSystem) {
        return nullptr;
    }
    const Ogre::ConfigOptionMap& options = mRenderSystem->getConfigOptions();
    const Ogre::ConfigOptionMap::const_iterator option = options.find(name);
    return option == options.end() ? nullptr : &option->second.currentValue;
}

std::vector<std::string> Graphics::getAvailableResolutions() const
{
    if (!mRoot || !mRenderSystem) {
        return {};
    }
    const Ogre::ConfigOptionMap& options = mRenderSystem->getConfigOptions();
    const Ogre::ConfigOptionMap::const_iterator option = options.find("Video Mode");
    if (option == options.end()) {
        return {};
    }
    return std::vector<std::string>(option->second.possibleValues.begin(), option->second.possibleValues.end());
}

void Graphics::setResolution(unsigned int width, unsigned int height, bool now)
{
    if (width == 0 || height == 0) {
        logWarning(
            "Warning: Attempt to set a resolution of zero size (" + ToString(width) + " x " + ToString(height) + ").");
        return;
    }
    if (!fitsDisplay(Resolution(width, height))) {
        const Resolution limit = getDisplayLimit();
        logWarning("Warning: Attempt to set a resolution of " + ToString(width) + " x " + ToString(height)
            + ", larger than the display can show (" + ToString(limit.first) + " x " + ToString(limit.second) + ").");
        return;
    }
    if (now && mWindow && (mWindow->getWidth() != width || mWindow->getHeight() != height)) {
        if (mWindow->isFullScreen()) {
            mWindow->setFullscreen(true, width, height);
        }
        mWindow->resize(width, height);
        // The rendering engine resizes only its own view of a top-level window; the window
        // itself is resized here.
        Display* display = nullptr;
        std::size_t window = 0;
        mWindow->getCustomAttribute("XDISPLAY", &display);
        mWindow->getCustomAttribute("WINDOW", &window);
        if (display && window) {
            XResizeWindow(display, static_cast<Window>(window), width, height);
            XFlush(display);
        }
        mWidth = width;
        mHeight = height;
        notifyPropertyChanged("resolution");
    }
    getConfigFile().setValue(OPENGL_SECTION, ConfigFile::PT_RESOLUTION, "Video Mode", Resolution(width, height));
}

void Graphics::readResolutionFromWindow()
{
    if (!mWindow || (mWindow->getWidth() == mWidth && mWindow->getHeight() == mHeight)) {
        return;
    }
    mWidth = mWindow->getWidth();
    mHeight = mWindow->getHeight();
    notifyPropertyChanged("resolution");
}

Graphics::Resolution Graphics::getDisplayLimit() const
{
    Resolution limit(0, 0);
    ConfigFile::ResolutionParser parser;
    for (const std::string& mode : getAvailableResolutions()) {
        try {
            const auto size = boost::any_cast<Resolution>(parser.stringToValue(mode));
            limit = Resolution(std::max(limit.first, size.first), std::max(limit.second, size.second));
        } catch (const ParserException&) {
            // Not a size: nothing to learn from it.
        }
    }
    // The screen may span several monitors, each of which the modes describe alone.
    Display* display = nullptr;
    if (mWindow) {
        mWindow->getCustomAttribute("XDISPLAY", &display);
    }
    Display* opened = display ? nullptr : XOpenDisplay(nullptr);
    if (Display* screen = display ? display : opened) {
        const int number = DefaultScreen(screen);
        limit = Resolution(std::max(limit.first, static_cast<unsigned int>(DisplayWidth(screen, number))),
            std::max(limit.second, static_cast<unsigned int>(DisplayHeight(screen, number))));
    }
    if (opened) {
        XCloseDisplay(opened);
    }
    return limit;
}

bool Graphics::fitsDisplay(const Resolution& size) const
{
    const Resolution limit = getDisplayLimit();
    // Without any knowledge of the display there is nothing to compare with.
    return (limit.first == 0 || size.first <= limit.first) && (limit.second == 0 || size.second <= limit.second);
}

bool Graphics::isFullScreen() const
{
    return mWindow && mWindow->isFullScreen();
}

void Graphics::setFullScreen(bool fullScreen)
{
    if (!mWindow) {
        return;
    }
    mWindow->setFullscreen(fullScreen, mWindow->getWidth(), mWindow->getHeight());
    // Full screen has the display's size, not the size asked for. With a window manager the
    // window changes size later, and the window watcher reads it back then.
    readResolutionFromWindow();
    getConfigFile().setValue(
        OPENGL_SECTION, ConfigFile::PT_STRING, "Full Screen", std::string(isFullScreen() ? "Yes" : "No"));
}

unsigned int Graphics::getFSAA() const
{
    const std::string* value = getRenderSystemOption("FSAA");
    return value ? Ogre::StringConverter::parseUnsignedInt(*value) : 0;
}

std::vector<unsigned int> Graphics::getAvailableFSAA() const
{
    std::vector<unsigned int> levels;
    if (!mRoot || !mRenderSystem) {
        return levels;
    }
    const Ogre::ConfigOptionMap& options = mRenderSystem->getConfigOptions();
    const Ogre::ConfigOptionMap::const_iterator option = options.find("FSAA");
    if (option == options.end()) {
        return levels;
    }
    for (const std::string& value : option->second.possibleValues) {
        if (isUnsignedText(value)) {
            levels.push_back(Ogre::StringConverter::parseUnsignedInt(value));
        }
    }
    return levels;
}

void Graphics::setFSAA(unsigned int level)
{
    if (!mRoot || !mRenderSystem) {
        return;
    }
    const std::vector<unsigned int> levels = getAvailableFSAA();
    if (std::find(levels.begin(), levels.end(), level) == levels.end()) {
        // Stored, an unsupported level could stop the next start at window creation.
        logWarning("Warning: Anti-aliasing level " + ToString(level) + " is not offered by the render system; left at "
            + ToString(getFSAA()) + ".");
        return;
    }
    mRenderSystem->setConfigOption("FSAA", ToString(level));
    getConfigFile().setValue(OPENGL_SECTION, ConfigFile::PT_INT, "FSAA", static_cast<int>(getFSAA()));
}

bool Graphics::isVSyncEnabled() const
{
    // The render system's own texts are "Yes" and "No"; the stored texts are "true" and "false".
    const std::string* value = getRenderSystemOption("VSync");
    return value && Ogre::StringConverter::parseBool(*value, false);
}

void Graphics::setVSyncEnable(bool enabled)
{
    if (!mRoot || !mRenderSystem) {
        return;
    }
    mRenderSystem->setConfigOption("VSync", enabled ? "Yes" : "No");
    getConfigFile().setValue(
        OPENGL_SECTION, ConfigFile::PT_STRING, "VSync", std::string(isVSyncEnabled() ? "true" : "false"));
}

} // namespace tolva
