// The engine's exceptions. Each names a kind of failure and carries only its fixed,
// human-readable message; callers catch them by type or through the standard bases.
#pragma once

#include <stdexcept>
#include <string>

namespace tolva {

/// A named thing does not exist (an environment variable, a bone, an inventory item...).
class NotFoundException : public std::runtime_error {
public:
    explicit NotFoundException(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

/// Start-up of a part cannot complete (configuration files, resources, devices, tables).
class InitialisationException : public std::runtime_error {
public:
    explicit InitialisationException(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

/// A file or directory cannot be created, opened or written.
class IOException : public std::runtime_error {
public:
    explicit IOException(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

/// A configuration file was not found.
class FileAccessException : public std::runtime_error {
public:
    explicit FileAccessException(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

/// A configuration text cannot be read as its type.
class ParserException : public std::runtime_error {
public:
    explicit ParserException(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

/// The embedded interpreter reported an error; the interpreter's own text is fetched separately.
class ScriptingException : public std::runtime_error {
public:
    explicit ScriptingException(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

/// A caller passed something the operation cannot accept.
class InvalidArgumentException : public std::logic_error {
public:
    explicit InvalidArgumentException(const std::string& message)
        : std::logic_error(message)
    {
    }
};

/// An operation was called in a state that does not allow it.
class IllegalStateException : public std::logic_error {
public:
    explicit IllegalStateException(const std::string& message)
        : std::logic_error(message)
    {
    }
};

} // namespace tolva
