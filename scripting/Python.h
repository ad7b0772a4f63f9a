// The scripting module: the embedded interpreter that runs the game's scripts. This is the
// engine's place for it while the interpreter itself is not part of the build: it takes part in
// the life cycle, registers itself as the scripting singleton and reports no pending script error.
#pragma once

#include <string>

#include "core/EngineModule.h"
#include "core/Singleton.h"

namespace tolva {

class Python : public Singleton<Python>, public EngineModule {
public:
    /// @param programPath the program's first argument, the interpreter's program name
    explicit Python(const std::string& programPath);
    ~Python() override;

    Python(const Python&) = delete;
    Python& operator=(const Python&) = delete;

    void initialise() override;
    void frame(float seconds) override;
    void shutdown() override;

    /// The text of the pending script error; empty when none is pending (never, here).
    std::string getErrorString();

    const std::string& getProgramPath() const { return mProgramPath; }

private:
    std::string mProgramPath;
};

} // namespace tolva
