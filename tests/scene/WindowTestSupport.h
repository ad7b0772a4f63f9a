// Helpers for tests that open the real render window: an "engine.cfg" that loads the plug-ins of
// the build's runnable tree, engine options with only the modules a test needs, reading a pixel
// of the window back, and running a piece of code in a child process.
#pragma once

#include <OgrePixelFormat.h>
#include <OgreRenderWindow.h>

#include <dlfcn.h>
#include <link.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/EngineOptions.h"

namespace tolva::test {

/// Keeps the render system plug-in and the GL libraries and driver it brought in mapped until the
/// process ends. The GL driver holds some of its memory only through its own globals; unmapped
/// when an engine's rendering engine goes, that memory would look lost to the leak checker.
/// Call it once a window exists.
inline void keepGraphicsLibrariesLoaded()
{
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            const std::string name = info->dlpi_name ? info->dlpi_name : "";
            if (name.find("_dri.so") != std::string::npos || name.find("RenderSystem_GL") != std::string::npos
                || name.find("libGL") != std::string::npos) {
                dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            }
            return 0;
        },
        nullptr);
}

/// The plug-in section and one resource location; further text (sections) is appended. FSAA
/// stays 0: software GL under Xvfb cannot make an anti-aliased window.
inline std::string windowEngineConfig(
    const std::string& extra = std::string(), const std::string& particlePlugin = "Plugin_ParticleFX.so")
{
    return std::string("[Plugins Linux]\n"
                       "PluginFolder=")
        + TOLVA_PLUGIN_DIR
        + "\n"
          "RenderPlugin=RenderSystem_GL.so\n"
          "ParticlePlugin="
        + particlePlugin
        + "\n"
          "ArchivePlugin=tolva_archive_lzma.so\n"
          "[Resources]\n"
          "FileSystem=" TOLVA_TREE_DIR "/media\n"
          "FileSystem=/usr/share/fonts/truetype/dejavu\n"
        + extra;
}

/// Graphics (and input when asked), no game, nothing else.
inline EngineOptions windowEngineOptions(bool input = false)
{
    EngineOptions options;
    options.graphics = true;
    options.input = input;
    options.audio = false;
    options.physics = false;
    options.time = false;
    options.scripting = false;
    options.gui = false;
    options.console = false;
    options.gravityManager = false;
    options.createGame = [] { return nullptr; };
    return options;
}

/// Red, green and blue of one pixel of what the window shows.
inline std::array<int, 3> readPixel(Ogre::RenderWindow* window, unsigned int x, unsigned int y)
{
    std::uint8_t rgba[4] = {0, 0, 0, 0};
    Ogre::PixelBox box(1, 1, 1, Ogre::PF_BYTE_RGBA, rgba);
    window->copyContentsToMemory(Ogre::Box(x, y, x + 1, y + 1), box, Ogre::RenderTarget::FB_AUTO);
    return {rgba[0], rgba[1], rgba[2]};
}

/// Runs the function in a forked child and returns the text it produced; the child ends with
/// _exit, so nothing of it (engine singletons, the rendering engine, X connections) reaches the
/// test process.
inline std::string runInChild(const std::function<std::string()>& function)
{
    int fds[2];
    if (pipe(fds) != 0) {
        return "pipe failed";
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string text;
        try {
            text = function();
        } catch (...) {
            text = "unexpected exception in child";
        }
        const char* data = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const ssize_t written = write(fds[1], data, left);
            if (written <= 0) {
                break;
            }
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        close(fds[1]);
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    ssize_t count;
    while ((count = read(fds[0], buffer, sizeof(buffer))) > 0) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        text += "\n[child did not exit normally]";
    }
    return text;
}

} // namespace tolva::test
