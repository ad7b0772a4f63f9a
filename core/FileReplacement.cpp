#include "core/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

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

    static unsigned long counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "." + target.filename().string() + "." + std::to_string(::getpid()) + "."
            + std::to_string(counter++) + ".tmp";
        const std::string path = (folder / name).string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, creationMode);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) {
            const int error = errno;
            ::close(fd);
            ::unlink(path.c_str());
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
    return true;
}

void FileReplacement::discard()
{
    if (mCreated) {
        const int error = errno;
        ::unlink(mTemporaryPath.c_str());
        errno = error;
        mCreated = false;
    }
}

} // namespace tolva
