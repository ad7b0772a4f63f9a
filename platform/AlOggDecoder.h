// Decodes Ogg Vorbis data read from a resource stream into 16-bit PCM, all at once (sounds held
// in one buffer) or piece by piece (streamed sounds).
#pragma once

#include <AL/al.h>
#include <OgreDataStream.h>
#include <vorbis/vorbisfile.h>

#include <string>
#include <vector>

namespace tolva::al {

class OggDecoder {
public:
    /// Opens the stream and reads the headers.
    /// @param name the file name, for messages
    /// @throw SoundException when the data is not Ogg Vorbis, or has more than two channels
    OggDecoder(const Ogre::DataStreamPtr& stream, const std::string& name);
    ~OggDecoder();
    OggDecoder(const OggDecoder&) = delete;
    OggDecoder& operator=(const OggDecoder&) = delete;

    int getChannels() const { return mChannels; }
    int getFrequency() const { return mFrequency; }
    /// AL_FORMAT_MONO16 or AL_FORMAT_STEREO16.
    ALenum getFormat() const;
    int getBytesPerFrame() const { return 2 * mChannels; }
    /// Length in seconds as the data says (0 when it does not, as in a file cut short); the data
    /// may hold less or more.
    double getDuration() const { return mDuration; }

    /// Decodes up to `size` bytes (whole frames) from the current position.
    /// @return the bytes written; 0 at the end of the data. A damaged stretch ends the data with
    ///         a warning, so whatever could be decoded still plays.
    size_t read(char* data, size_t size);
    /// Decodes everything from the current position to the end, appending to `out`, unless that
    /// comes to more than `limit` bytes: then it stops soon after the limit.
    /// @return whether the end was reached
    bool readAll(std::vector<char>& out, size_t limit);
    /// Moves to a position in seconds (clamped to the data); false when the data cannot seek.
    bool seek(double seconds);

private:
    Ogre::DataStreamPtr mStream;
    std::string mName;
    OggVorbis_File mFile;
    int mChannels = 0;
    int mFrequency = 0;
    double mDuration = 0.0;
    bool mDamaged = false;
};

} // namespace tolva::al
