// Sample dump: reads the data chunk a block of frames at a time and writes one
// "%8d%8d\n" line per frame of two samples.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "pelkorn.h"

namespace {

constexpr std::size_t kFieldWidth = 8;
constexpr std::size_t kLineLength = 2 * kFieldWidth + 1;
// 3840 lines make 65,280 bytes of text: a block fits the 64 KiB buffer of a
// Linux pipe, so the reader drains one block while the next is formatted.
constexpr std::size_t kFramesPerBlock = 3840;

using Field = std::array<char, kFieldWidth>;

// "%8d" of v, without the terminator.
constexpr Field wavField(int v)
{
    Field field{};
    field.fill(' ');
    unsigned magnitude = static_cast<unsigned>(v < 0 ? -v : v);
    std::size_t i = kFieldWidth;
    do {
        field[--i] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (v < 0)
        field[--i] = '-';
    return field;
}

// Every field either path can print, built by the compiler: formatting a
// sample is one table load, and start-up formats nothing.
constexpr std::array<Field, 256> kFields8 = [] {
    std::array<Field, 256> table{};
    for (int v = 0; v < 256; ++v)
        table[static_cast<std::size_t>(v)] = wavField(v);
    return table;
}();

// Indexed by the sample's 16 bits as stored, so negative values sit above 32767.
constexpr std::array<Field, 65536> kFields16 = [] {
    std::array<Field, 65536> table{};
    for (int bits = 0; bits < 65536; ++bits)
        table[static_cast<std::size_t>(bits)] = wavField(bits < 32768 ? bits : bits - 65536);
    return table;
}();

char* wavLine(char* out, const Field& first, const Field& second)
{
    std::memcpy(out, first.data(), kFieldWidth);
    std::memcpy(out + kFieldWidth, second.data(), kFieldWidth);
    out[2 * kFieldWidth] = '\n';
    return out + kLineLength;
}

// Frame of two unsigned bytes.
char* wavLines8(const unsigned char* in, std::size_t frames, char* out)
{
    for (std::size_t i = 0; i < frames; ++i, in += 2)
        out = wavLine(out, kFields8[in[0]], kFields8[in[1]]);
    return out;
}

// Frame of two little-endian 16-bit words.
char* wavLines16(const unsigned char* in, std::size_t frames, char* out)
{
    for (std::size_t i = 0; i < frames; ++i, in += 4)
        out = wavLine(out, kFields16[static_cast<std::size_t>(in[0] | in[1] << 8)],
                      kFields16[static_cast<std::size_t>(in[2] | in[3] << 8)]);
    return out;
}

using LinesFormat = char* (*)(const unsigned char* in, std::size_t frames, char* out);

// Standard output is gone, so no more lines can be shown, but the exit status
// must stay what the whole dump would have given: success only if the frames
// still to come are all in the file.
int wavFramesPresent(std::FILE* file, std::uint64_t frames, std::size_t frameSize)
{
    std::int64_t left = wavLength(file) - wavTell(file);
    return left >= 0 && static_cast<std::uint64_t>(left) >= frames * frameSize ? 0 : -1;
}

// Reads `frames` frames of `frameSize` bytes from the current position and
// writes their lines, a block at a time. Returns -1 at the first frame that
// does not arrive whole, after the lines of all the frames before it.
int wavFramesWrite(std::FILE* file, std::uint32_t frames, std::size_t frameSize,
                   LinesFormat format)
{
    std::vector<unsigned char> in(kFramesPerBlock * frameSize);
    std::vector<char> out(kFramesPerBlock * kLineLength);
    while (frames > 0) {
        std::size_t wanted = std::min<std::size_t>(frames, kFramesPerBlock);
        std::size_t whole = std::fread(in.data(), frameSize, wanted, file);
        char* end = format(in.data(), whole, out.data());
        std::fwrite(out.data(), 1, static_cast<std::size_t>(end - out.data()), stdout);
        if (whole < wanted)
            return -1;
        frames -= static_cast<std::uint32_t>(whole);
        if (std::ferror(stdout) != 0)
            return wavFramesPresent(file, frames, frameSize);
    }
    return 0;
}

int wavDataWrite8(std::FILE* file, std::uint32_t dataSize)
{
    return wavFramesWrite(file, dataSize >> 1, 2, wavLines8);
}

int wavDataWrite16(std::FILE* file, std::uint32_t dataSize)
{
    return wavFramesWrite(file, dataSize >> 2, 4, wavLines16);
}

// One-byte samples print unsigned; every other width is read as 16-bit.
int wavDataWrite(std::FILE* file, std::int64_t dataOffset, std::uint32_t dataSize,
                 std::uint16_t bytesPerSample)
{
    wavSeek(file, dataOffset);
    if (bytesPerSample == 1)
        return wavDataWrite8(file, dataSize);
    return wavDataWrite16(file, dataSize);
}

} // namespace

int wavDump(const char* fileName, std::uint16_t bitsPerSample, std::int64_t dataOffset,
            std::uint32_t dataSize)
{
    std::uint16_t bytesPerSample = static_cast<std::uint16_t>(bitsPerSample >> 3);
    WavFile file = wavOpen(fileName);
    if (!file) {
        // "%s をオープンできません.\n"
        std::printf("%s \x82\xf0\x83\x49\x81\x5b\x83\x76\x83\x93\x82\xc5\x82\xab\x82\xdc"
                    "\x82\xb9\x82\xf1" ".\n", fileName);
        return -1;
    }
    // The data is read a block at a time straight into the dump's own
    // buffer; stdio's buffer would only split each read in two.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    if (wavDataWrite(file.get(), dataOffset, dataSize, bytesPerSample) != 0) {
        // "wavDataWriteでエラー発生.\n"
        std::fputs("wavDataWrite\x82\xc5\x83\x47\x83\x89\x81\x5b\x94\xad\x90\xb6" ".\n",
                   stdout);
        return -1;
    }
    return 0;
}
