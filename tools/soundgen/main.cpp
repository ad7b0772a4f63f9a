// Writes an Ogg Vorbis file holding a sine tone: the sounds that tests and benchmarks play are
// made by this tool at build time, so no recorded sound is kept in the repository.
//
// usage: soundgen <file.ogg> [seconds] [frequency] [channels] [rate] [amplitude]
//        defaults: 1 s, 440 Hz, 1 channel (mono, so OpenAL can place it), 44100 Hz, 0.5
//        A frequency of the form "f1/f2/.../fn" plays n notes of equal length one after another
//        (0 is a rest), each faded in and out so that no click joins them: the game's music.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const double Pi = 3.14159265358979323846;
const int ChunkFrames = 1024;
// Fade-in and fade-out of each note of a melody, in seconds.
const double NoteAttack = 0.01;
const double NoteRelease = 0.05;

struct Tone {
    double seconds = 1.0;
    std::vector<double> notes{440.0};
    int channels = 1;
    long rate = 44100;
    double amplitude = 0.5;
};

/// The value at time t: a single tone is a plain sine; the notes of a melody are faded at both ends.
double sample(const Tone& tone, double t)
{
    if (tone.notes.size() == 1) {
        return tone.amplitude * std::sin(2.0 * Pi * tone.notes[0] * t);
    }
    const double noteLength = tone.seconds / tone.notes.size();
    const std::size_t index = std::min(tone.notes.size() - 1, static_cast<std::size_t>(t / noteLength));
    const double inNote = t - index * noteLength;
    const double envelope = std::max(0.0, std::min({1.0, inNote / NoteAttack, (noteLength - inNote) / NoteRelease}));
    return tone.amplitude * envelope * std::sin(2.0 * Pi * tone.notes[index] * t);
}

std::vector<double> parseNotes(const std::string& text)
{
    std::vector<double> notes;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('/', start), text.size());
        notes.push_back(std::atof(text.substr(start, end - start).c_str()));
        start = end + 1;
    }
    return notes;
}

bool writePage(std::FILE* file, const ogg_page& page)
{
    return std::fwrite(page.header, 1, page.header_len, file) == static_cast<size_t>(page.header_len)
        && std::fwrite(page.body, 1, page.body_len, file) == static_cast<size_t>(page.body_len);
}

/// Hands every finished block to the encoder and writes the pages that come out of it.
bool drain(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream, std::FILE* file)
{
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            while (ogg_stream_pageout(&stream, &page)) {
                if (!writePage(file, page)) {
                    return false;
                }
            }
        }
    }
    return true;
}

bool encode(const Tone& tone, std::FILE* file)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, tone.channels, tone.rate, 0.5f) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "ENCODER", "tolva soundgen");
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    // A fixed serial number keeps the output the same from build to build.
    ogg_stream_init(&stream, 1);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    bool ok = true;
    ogg_page page;
    while (ok && ogg_stream_flush(&stream, &page)) {
        ok = writePage(file, page);
    }

    const long total = std::lround(tone.seconds * tone.rate);
    for (long done = 0; ok && done < total;) {
        const int frames = static_cast<int>(std::min<long>(ChunkFrames, total - done));
        float** channels = vorbis_analysis_buffer(&dsp, frames);
        for (int i = 0; i < frames; ++i) {
            const double t = static_cast<double>(done + i) / tone.rate;
            const float value = static_cast<float>(sample(tone, t));
            for (int c = 0; c < tone.channels; ++c) {
                channels[c][i] = value;
            }
        }
        vorbis_analysis_wrote(&dsp, frames);
        done += frames;
        ok = drain(dsp, block, stream, file);
    }
    vorbis_analysis_wrote(&dsp, 0);
    ok = ok && drain(dsp, block, stream, file);
    while (ok && ogg_stream_flush(&stream, &page)) {
        ok = writePage(file, page);
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 7) {
        std::fprintf(stderr, "usage: %s <file.ogg> [seconds] [frequency] [channels] [rate] [amplitude]\n", argv[0]);
        return 2;
    }
    Tone tone;
    if (argc > 2) {
        tone.seconds = std::atof(argv[2]);
    }
    if (argc > 3) {
        tone.notes = parseNotes(argv[3]);
    }
    if (argc > 4) {
        tone.channels = std::atoi(argv[4]);
    }
    if (argc > 5) {
        tone.rate = std::atol(argv[5]);
    }
    if (argc > 6) {
        tone.amplitude = std::atof(argv[6]);
    }
    if (!(tone.seconds > 0.0) || tone.channels < 1 || tone.channels > 2 || tone.rate < 8000) {
        std::fprintf(
            stderr, "%s: a tone needs a positive length, 1 or 2 channels and a rate of 8000 Hz or more\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        return 1;
    }
    const bool ok = encode(tone, file);
    if (std::fclose(file) != 0 || !ok) {
        std::fprintf(stderr, "%s: failed to write %s\n", argv[0], path.c_str());
        std::remove(path.c_str());
        return 1;
    }
    return 0;
}
