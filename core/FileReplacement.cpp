#include "core/FileReplacement.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <iterator>

namespace tolva {

namespace {

/// The kernel gives up after as many links in a row; so does this.
const int MaxLinkDepth = 40;

/// The path with every symbolic link of its last component followed, also to a file that does
/// not exist yet (writing through such a link creates the file it names).
std::string followLinks(const std::string& target)
{
    namespace fs = std::filesystem;
    fs::path path(target);
    for (int depth = 0; depth < MaxLinkDepth; ++depth) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error)) || error) {
            break;
        }
        const fs::path link = fs::read_symlink(path, error);
        if (error) {
            break;
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path.string();
}

enum SlotState { Free, Filling, Armed };

/// A temporary file being written, kept where a signal handler can read it: fixed storage, and
/// the state published after the path.
struct UnfinishedFile {
    std::atomic<int> state{Free};
    char path[PATH_MAX];
};

/// More than the program ever writes at once; a replacement that finds no free slot is simply
/// not removed by a signal.
UnfinishedFile sUnfinished[8];

static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

/// Whether the name is one of the target's temporary names, ".<target>.<pid>.<count>.tmp", whose
/// program no longer runs (a running program's file is its own business).
bool isAbandoned(const std::string& name, const std::string& prefix)
{
    const std::string suffix = ".tmp";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0
        || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const std::string::size_type dot = middle.find('.');
    if (dot == 0 || dot == std::string::npos || dot + 1 == middle.size() || dot > 9
        || middle.find_first_not_of("0123456789.") != std::string::npos
        || middle.find('.', dot + 1) != std::string::npos) {
        return false;
    }
    const long pid = std::stol(middle.substr(0, dot));
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

/// Removes the temporary files of the target that a program left behind when it was ended
/// before it could finish or remove them (killed, or its machine stopped).
void removeAbandoned(const std::filesystem::path& folder, const std::string& target)
{
    namespace fs = std::filesystem;
    const std::string prefix = "." + target + ".";
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        if (isAbandoned(entry->path().filename().string(), prefix)) {
            ::unlink(entry->path().c_str());
        }
    }
}

} // namespace

FileReplacement::FileReplacement(const std::string& target)
    : mResolvedTarget(followLinks(target))
{
}

FileReplacement::~FileReplacement()
{
    discard();
}

bool FileReplacement::create()
{
    discard();
    namespace fs = std::filesystem;
    const fs::path target(mResolvedTarget);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    struct stat old;
    const bool replacing = ::stat(mResolvedTarget.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    // A new file is created as open() would create the target (the umask applies); a replacement
    // starts private and takes the old file's bits before anything is written into it.
    const mode_t creationMode = replacing ? 0600 : 0666;

    const int error = errno;
    removeAbandoned(folder, target.filename().string());
    errno = error;
    static unsigned long counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "." + target.filename().string() + "." + std::to_string(::getpid()) + "."
            + std::to_string(counter++) + ".tmp";
        const std::string path = (folder / name).string();
        // Known before it exists: a signal that ends the program right after the file appears
        // still removes it.
        track(path);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, creationMode);
        if (fd < 0) {
            const int error = errno;
            untrack();
            errno = error;
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) {
            const int error = errno;
            ::close(fd);
            ::unlink(path.c_str());
            untrack();
            errno = error;
            return false;
        }
        ::close(fd);
        mTemporaryPath = path;
        mCreated = true;
        return true;
    }
    errno = EEXIST;
    return false;
}

bool FileReplacement::commit()
{
    if (!mCreated) {
        errno = EINVAL;
        return false;
    }
    // On disk before it replaces anything: a crash right after the rename must not leave an
    // empty file where the old one was.
    const int fd = ::open(mTemporaryPath.c_str(), O_RDONLY | O_CLOEXEC);
    bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    if (!synced || ::rename(mTemporaryPath.c_str(), mResolvedTarget.c_str()) != 0) {
        const int error = errno;
        discard();
        errno = error;
        return false;
    }
    mCreated = false;
    untrack();
    return true;
}

void FileReplacement::discard()
{
    if (mCreated) {
        const int error = errno;
        ::unlink(mTemporaryPath.c_str());
        untrack();
        errno = error;
        mCreated = false;
    }
}

void FileReplacement::removeUnfinished()
{
    const int error = errno;
    for (UnfinishedFile& file : sUnfinished) {
        if (file.state.load() == Armed) {
            ::unlink(file.path);
        }
    }
    errno = error;
}

void FileReplacement::track(const std::string& path)
{
    untrack();
    if (path.size() >= sizeof(UnfinishedFile::path)) {
        return;
    }
    for (int slot = 0; slot < static_cast<int>(std::size(sUnfinished)); ++slot) {
        int expected = Free;
        if (sUnfinished[slot].state.compare_exchange_strong(expected, Filling)) {
            std::memcpy(sUnfinished[slot].path, path.c_str(), path.size() + 1);
            sUnfinished[slot].state.store(Armed);
            mSlot = slot;
            return;
        }
    }
}

void FileReplacement::untrack()
{
    if (mSlot >= 0) {
        sUnfinished[mSlot].state.store(Free);
        mSlot = -1;
    }
}

} // namespace tolva
