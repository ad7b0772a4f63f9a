// A fresh folder under the system's temporary directory, removed with everything in it when the
// object goes.
#pragma once

#include <string>

namespace tolva::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return mPath; }
    /// path() joined with a relative name.
    std::string file(const std::string& name) const;
    /// Writes a whole file below the folder, creating missing parent folders.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string mPath;
};

/// The whole content of a file, or an empty text when it cannot be read.
std::string readFile(const std::string& path);

} // namespace tolva::test
