// An engine for GUI tests that need no window: the interpreter, the GUI on the GUI library's null
// renderer and (when asked) the console, over a windowless rendering engine root whose resource
// locations hold the build's GUI files and the system's DejaVu fonts. Events are handed to the
// GUI module's slots directly, as the input module would.
#pragma once

#include <gtest/gtest.h>

#include <CEGUI/CEGUI.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>

#include <memory>
#include <string>

#include "core/Engine.h"
#include "input/Console.h"
#include "input/Gui.h"
#include "support/LogCapture.h"
#include "support/TestGame.h"
#include "support/TestHome.h"

namespace tolva::test {

const char* const FontFolder = "/usr/share/fonts/truetype/dejavu";

class HeadlessGui {
public:
    /// @param firstMedia a folder searched before the build's media (to shadow a GUI file)
    explicit HeadlessGui(bool console = true, const std::string& settings = "Console Enable=yes\n",
        const std::string& firstMedia = std::string())
        : mHome(settings + "[Resources]\nFileSystem=../media/core\n", "")
        , mRoot(std::make_unique<Ogre::Root>("", "", ""))
    {
        Ogre::ResourceGroupManager& resources = Ogre::ResourceGroupManager::getSingleton();
        if (!firstMedia.empty()) {
            resources.addResourceLocation(firstMedia, "FileSystem");
        }
        resources.addResourceLocation(TOLVA_TREE_DIR "/media", "FileSystem");
        resources.addResourceLocation(FontFolder, "FileSystem");
        EngineOptions options = coreOptions([] { return new TestGame(0); });
        options.scripting = true;
        options.gui = true;
        options.console = console;
        mEngine = std::make_unique<Engine>(1, mArgv, options);
        mLog = std::make_unique<LogCapture>();
        mEngine->initialise();
    }

    ~HeadlessGui()
    {
        mEngine->shutdown();
        mLog.reset();
        mEngine.reset();
        mRoot.reset();
    }

    Engine& engine() { return *mEngine; }
    Gui& gui() { return *mEngine->getGui(); }
    Console& console() { return *mEngine->getConsole(); }
    LogCapture& log() { return *mLog; }
    const TestHome& home() const { return mHome; }

    void frame() { mEngine->frame(0.02f); }

    /// Shows the console and lets the GUI see it, so it takes input.
    void showConsole()
    {
        console().getCEGUIWindow()->setVisible(true);
        frame();
    }

    /// A key press and release through the GUI's slots; true when the press was consumed.
    bool tap(OIS::KeyCode key, unsigned int text = 0)
    {
        const OIS::KeyEvent event(nullptr, key, text);
        const bool consumed = gui().keyPressed(event);
        gui().keyReleased(event);
        return consumed;
    }

    void type(const std::string& ascii)
    {
        for (const char c : ascii) {
            tap(OIS::KC_UNASSIGNED, static_cast<unsigned char>(c));
        }
    }

    std::string inputText() { return child("Console/Input")->getText().c_str(); }
    /// The output box's text as a reader of the console sees it (output not yet shown included).
    std::string outputText() { return console().getOutputText().c_str(); }
    /// The output box's text as it stands.
    std::string boxText() { return child("Console/Output")->getText().c_str(); }
    CEGUI::Window* child(const char* path) { return console().getCEGUIWindow()->getChild(path); }

private:
    char mProgram[12] = "spindlewake";
    char* mArgv[2] = {mProgram, nullptr};
    TestHome mHome;
    std::unique_ptr<Ogre::Root> mRoot;
    std::unique_ptr<Engine> mEngine;
    std::unique_ptr<LogCapture> mLog;
};

} // namespace tolva::test
