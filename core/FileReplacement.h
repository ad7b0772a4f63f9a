// Rewrites a file whole without ever leaving it half written: the new content goes to a temporary
// file in the target's own folder, which is renamed over the target once it is complete. A
// failure at any point leaves the old file as it was.
//
// The file that is replaced is the one the user sees: a symbolic link is followed (the file it
// points to is rewritten and the link stays a link), and the new file keeps the old one's
// permission bits (a new file gets what creating it would give). "engine.cfg", "controls.cfg" and
// pickles are written this way.
//
// A temporary file never outlives the program: the destructor removes one that was not committed,
// and removeUnfinished() removes every one still being written when the program is ended by a
// signal (StopSignals). What a program ended otherwise (killed) left behind is removed by the
// next replacement of the same target, once that program no longer runs.
#pragma once

#include <string>

namespace tolva {

class FileReplacement {
public:
    /// Nothing is touched yet. The target need not exist.
    explicit FileReplacement(const std::string& target);
    /// Removes the temporary file unless it was committed.
    ~FileReplacement();

    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    /// Creates the empty temporary file, with the mode the target will keep.
    /// @return false (errno set) when it cannot be created, for example in a missing folder
    bool create();
    /// Where the new content is to be written between create() and commit().
    const std::string& getTemporaryPath() const { return mTemporaryPath; }
    /// The file that commit() replaces: the target with its symbolic links followed.
    const std::string& getResolvedTarget() const { return mResolvedTarget; }

    /// Flushes the temporary file to disk and renames it over the resolved target.
    /// @return false (errno set, temporary file removed) when that fails; the target is unchanged
    bool commit();
    /// Removes the temporary file; the target stays as it was.
    void discard();

    /// Removes the temporary files of every replacement between create() and commit() or
    /// discard(). Safe in a signal handler (and only meant for one that ends the program).
    static void removeUnfinished();

private:
    /// Makes the temporary path known to removeUnfinished(), before the file exists.
    void track(const std::string& path);
    void untrack();

    std::string mResolvedTarget;
    std::string mTemporaryPath;
    bool mCreated = false;
    /// The slot of removeUnfinished()'s list that holds the temporary path (-1: none).
    int mSlot = -1;
};

} // namespace tolva
