// The failure of the sound layer to make a sound: a file that is missing, is not Ogg Vorbis or
// cannot be decoded. A standard runtime error, so callers that guard sound creation with
// std::runtime_error (the music manager) see it.
#pragma once

#include <stdexcept>
#include <string>

namespace tolva::al {

class SoundException : public std::runtime_error {
public:
    explicit SoundException(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

} // namespace tolva::al
