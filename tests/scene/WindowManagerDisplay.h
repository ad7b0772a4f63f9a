// A display of a test's own, with a real window manager: an Xvfb server of its own with openbox
// on it, for tests of what a window manager does (full screen, the close button) that a bare X
// server does not do. While the object lives, the test process's DISPLAY names it; the server and
// the window manager end with it.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace tolva::test {

class WindowManagerDisplay {
public:
    explicit WindowManagerDisplay(const std::string& screen = "1024x768x24")
    {
        const char* display = std::getenv("DISPLAY");
        mHadDisplay = display != nullptr;
        mOldDisplay = display ? display : "";

        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        // The server picks a free display number and writes it to the pipe once it listens.
        mServer = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "+extension", "GLX",
            "-nolisten", "tcp"});
        close(fds[1]);
        const std::string number = readLine(fds[0]);
        close(fds[0]);
        if (number.empty()) {
            return;
        }
        mName = ":" + number;
        setenv("DISPLAY", mName.c_str(), 1);
        mManager = spawn({"openbox", "--sm-disable"});
        mReady = waitForWindowManager();
    }

    ~WindowManagerDisplay()
    {
        end(mManager);
        end(mServer);
        if (mHadDisplay) {
            setenv("DISPLAY", mOldDisplay.c_str(), 1);
        } else {
            unsetenv("DISPLAY");
        }
    }

    WindowManagerDisplay(const WindowManagerDisplay&) = delete;
    WindowManagerDisplay& operator=(const WindowManagerDisplay&) = delete;

    /// True once the window manager has taken the display over.
    bool isReady() const { return mReady; }

    /// Runs wmctrl on this display; true when it succeeded (a window named in the arguments was
    /// found, for example).
    bool wmctrl(const std::vector<std::string>& arguments) const
    {
        std::vector<std::string> command{"wmctrl"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const pid_t pid = spawn(command);
        int status = 0;
        return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    /// Starts the program with its output discarded.
    static pid_t spawn(const std::vector<std::string>& command)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<char*> argv;
        for (const std::string& word : command) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    static std::string readLine(int fd)
    {
        std::string line;
        pollfd wait{fd, POLLIN, 0};
        char c;
        while (poll(&wait, 1, 10000) > 0 && read(fd, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }

    static void end(pid_t pid)
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }

    /// A window manager that follows the desktop conventions announces itself on the root window.
    bool waitForWindowManager() const
    {
        Display* display = XOpenDisplay(mName.c_str());
        if (!display) {
            return false;
        }
        const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
        bool found = false;
        for (int attempt = 0; attempt < 200 && !found; ++attempt) {
            Atom type = None;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format,
                    &count, &after, &data)
                    == Success
                && data) {
                found = count == 1;
                XFree(data);
            }
            if (!found) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        XCloseDisplay(display);
        return found;
    }

    pid_t mServer = -1;
    pid_t mManager = -1;
    std::string mName;
    bool mReady = false;
    bool mHadDisplay = false;
    std::string mOldDisplay;
};

} // namespace tolva::test
