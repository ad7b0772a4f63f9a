#include "scripting/Python.h"

#include "game/GameFactory.h"

namespace tolva {

Python::Python(const std::string& programPath)
    : mProgramPath(programPath)
{
    // The game adds its own built-in script modules before the interpreter would start.
    GameFactory::registerPythonModules();
}

Python::~Python() = default;

void Python::initialise() {}

void Python::frame(float) {}

void Python::shutdown() {}

std::string Python::getErrorString()
{
    return std::string();
}

} // namespace tolva
