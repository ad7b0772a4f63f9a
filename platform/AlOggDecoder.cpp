#include "platform/AlOggDecoder.h"

#include "core/LogLine.h"
#include "platform/AlSoundException.h"

#include <algorithm>
#include <cstdio>

namespace tolva::al {

namespace {

size_t readCallback(void* data, size_t size, size_t count, void* source)
{
    auto* stream = static_cast<Ogre::DataStream*>(source);
    if (size == 0) {
        return 0;
    }
    return stream->read(data, size * count) / size;
}

int seekCallback(void* source, ogg_int64_t offset, int whence)
{
    auto* stream = static_cast<Ogre::DataStream*>(source);
    long long target = offset;
    if (whence == SEEK_CUR) {
        target += static_cast<long long>(stream->tell());
    } else if (whence == SEEK_END) {
        target += static_cast<long long>(stream->size());
    } else if (whence != SEEK_SET) {
        return -1;
    }
    if (target < 0 || static_cast<size_t>(target) > stream->size()) {
        return -1;
    }
    stream->seek(static_cast<size_t>(target));
    return 0;
}

long tellCallback(void* source)
{
    return static_cast<long>(static_cast<Ogre::DataStream*>(source)->tell());
}

} // namespace

OggDecoder::OggDecoder(const Ogre::DataStreamPtr& stream, const std::string& name)
    : mStream(stream)
    , mName(name)
{
    // The stream stays ours: the library gets no close callback.
    ov_callbacks callbacks = {readCallback, seekCallback, nullptr, tellCallback};
    if (ov_open_callbacks(mStream.get(), &mFile, nullptr, 0, callbacks) != 0) {
        throw SoundException("Sound file '" + mName + "' is not Ogg Vorbis data.");
    }
    const vorbis_info* info = ov_info(&mFile, -1);
    if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0) {
        ov_clear(&mFile);
        throw SoundException("Sound file '" + mName + "' has a channel layout that cannot be played.");
    }
    mChannels = info->channels;
    mFrequency = static_cast<int>(info->rate);
    const double total = ov_time_total(&mFile, -1);
    mDuration = total > 0.0 ? total : 0.0;
}

OggDecoder::~OggDecoder()
{
    ov_clear(&mFile);
}

ALenum OggDecoder::getFormat() const
{
    return mChannels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
}

size_t OggDecoder::read(char* data, size_t size)
{
    size -= size % getBytesPerFrame();
    size_t done = 0;
    while (!mDamaged && done < size) {
        int section = 0;
        const long count
            = ov_read(&mFile, data + done, static_cast<int>(std::min<size_t>(size - done, 1 << 16)), 0, 2, 1, &section);
        if (count == 0) {
            break;
        }
        if (count == OV_HOLE) {
            // A gap in the data (a lost page): what follows still decodes.
            continue;
        }
        if (count < 0) {
            mDamaged = true;
            logWarning("Warning: Sound file '" + mName + "' is damaged; it plays only up to the damage.");
            break;
        }
        done += static_cast<size_t>(count);
    }
    return done;
}

bool OggDecoder::readAll(std::vector<char>& out, size_t limit)
{
    const size_t chunk = 1 << 16;
    for (;;) {
        const size_t old = out.size();
        if (old > limit) {
            return false;
        }
        out.resize(old + chunk);
        const size_t count = read(out.data() + old, chunk);
        out.resize(old + count);
        if (count == 0) {
            return true;
        }
    }
}

bool OggDecoder::seek(double seconds)
{
    mDamaged = false;
    if (!ov_seekable(&mFile)) {
        return false;
    }
    const ogg_int64_t total = ov_pcm_total(&mFile, -1);
    ogg_int64_t frame = static_cast<ogg_int64_t>(std::max(0.0, seconds) * mFrequency);
    if (total >= 0) {
        frame = std::min(frame, total);
    }
    return ov_pcm_seek(&mFile, frame) == 0;
}

} // namespace tolva::al
