// Start-up failures of the graphics module: each case starts an engine in a child process (the
// rendering engine and the X connection stay there) and checks the exact message it ends with,
// that the user's "engine.cfg" is left as it was, and what the log says about the cause.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "core/Engine.h"
#include "support/TestHome.h"
#include "WindowTestSupport.h"

namespace tolva::test {
namespace {

struct StartResult {
    std::string message;
    bool configUnchanged = false;
    std::string log;
};

/// Starts an engine with graphics only on this configuration in a child process.
StartResult startInChild(const std::string& config, bool withDisplay = true)
{
    const std::string text = runInChild([&config, withDisplay] {
        if (!withDisplay) {
            unsetenv("DISPLAY");
        }
        TestHome home(config, "");
        std::string message = "started";
        try {
            char program[] = "test_graphics";
            char* argv[] = {program, nullptr};
            Engine engine(1, argv, windowEngineOptions());
        } catch (const std::exception& e) {
            message = e.what();
        }
        const bool unchanged = home.readEngineConfig() == config;
        return message + "\n" + (unchanged ? "unchanged" : "changed") + "\n" + home.readEngineLog();
    });
    StartResult result;
    const std::size_t first = text.find('\n');
    const std::size_t second = text.find('\n', first == std::string::npos ? first : first + 1);
    result.message = text.substr(0, first);
    if (first != std::string::npos) {
        result.configUnchanged = text.substr(first + 1, second - first - 1) == "unchanged";
    }
    if (second != std::string::npos) {
        result.log = text.substr(second + 1);
    }
    return result;
}

std::string withoutLine(std::string text, const std::string& line)
{
    const std::size_t at = text.find(line + "\n");
    if (at != std::string::npos) {
        text.erase(at, line.size() + 1);
    }
    return text;
}

TEST(GraphicsStartup, APluginThatDoesNotLoadStopsTheLaterOnes)
{
    const StartResult result = startInChild(windowEngineConfig("", "NoSuchPlugin.so"));
    EXPECT_EQ(result.message.rfind("Failed to load engine plugins. Could not load plug-in '", 0), 0u) << result.message;
    EXPECT_TRUE(result.configUnchanged);
    EXPECT_NE(result.log.find("NoSuchPlugin.so"), std::string::npos) << result.log;
    // "ArchivePlugin" comes after the failed one and is never tried.
    EXPECT_EQ(result.log.find("tolva_archive_lzma"), std::string::npos) << result.log;
}

TEST(GraphicsStartup, AMissingPluginKeyFailsLikeAMissingPlugin)
{
    const StartResult result = startInChild(withoutLine(windowEngineConfig(), "RenderPlugin=RenderSystem_GL.so"));
    EXPECT_EQ(result.message.rfind("Failed to load engine plugins. There is no 'RenderPlugin' in section [Plugins Linux]", 0), 0u)
        << result.message;
    EXPECT_TRUE(result.configUnchanged);
    EXPECT_NE(result.log.find("no 'RenderPlugin'"), std::string::npos) << result.log;
}

TEST(GraphicsStartup, WithoutADisplayTheLogSaysWhy)
{
    const StartResult result = startInChild(windowEngineConfig(), false);
    EXPECT_EQ(result.message.rfind("Failed to load engine plugins. ", 0), 0u) << result.message;
    EXPECT_NE(result.message.find("X display"), std::string::npos) << result.message;
    EXPECT_TRUE(result.configUnchanged);
    EXPECT_NE(result.log.find("X display"), std::string::npos) << result.log;
}

TEST(GraphicsStartup, NoOpenGLRenderSystemFailsTheRenderSystemStep)
{
    std::string config = windowEngineConfig();
    config.replace(config.find("RenderPlugin=RenderSystem_GL.so"),
        std::string("RenderPlugin=RenderSystem_GL.so").size(), "RenderPlugin=Codec_STBI.so");
    const StartResult result = startInChild(config);
    EXPECT_EQ(result.message, "Failed to set or configure OpenGL rendering system.");
    EXPECT_TRUE(result.configUnchanged);
}

TEST(GraphicsStartup, RejectedResourceLocationsFailTheResourceStep)
{
    const StartResult missing = startInChild(withoutLine(windowEngineConfig(), "[Resources]"));
    EXPECT_EQ(missing.message, "Failed to load resource configurations.");
    EXPECT_TRUE(missing.configUnchanged);

    const StartResult malformed = startInChild(windowEngineConfig("[Resources]\nFileSystem=media,yes\n"));
    EXPECT_EQ(malformed.message, "Failed to load resource configurations.");
    EXPECT_TRUE(malformed.configUnchanged);
}

TEST(GraphicsStartup, AWorldSettingTheCameraRefusesFailsTheWorldStep)
{
    const StartResult result = startInChild(windowEngineConfig("[View]\nNearZ=0\n"));
    EXPECT_EQ(result.message.rfind("Failed to load world configurations. [View] NearZ=0 in '", 0), 0u) << result.message;
    EXPECT_TRUE(result.configUnchanged);
    EXPECT_NE(result.log.find("Error: "), std::string::npos) << result.log;
}

TEST(GraphicsStartup, TheTestConfigurationItselfStarts)
{
    // Guards the cases above: each fails for its own reason, not for a broken base configuration.
    EXPECT_EQ(startInChild(windowEngineConfig()).message, "started");
}

} // namespace
} // namespace tolva::test
