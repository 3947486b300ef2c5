// Header scan: checks the RIFF/WAVE marks and walks the chunks to the bits per
// sample of "fmt " and the position and size of "data".
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "pelkorn.h"

static std::uint16_t le16(const unsigned char* b)
{
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

static std::uint32_t le32(const unsigned char* b)
{
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

static bool isId(const unsigned char* b, const char* id)
{
    return std::memcmp(b, id, 4) == 0;
}

// Reads the 16-byte PCM format block at the current position.
static int wavFmtRead(std::FILE* file, unsigned char block[16])
{
    return std::fread(block, 1, 16, file) == 16 ? 0 : -1;
}

// Where the header after a body of `size` bytes at `body` starts. RIFF pads an
// odd-sized body with a zero byte; some writers leave the pad out, so the pad
// is skipped only when it is there.
static std::int64_t wavNextChunk(std::FILE* file, std::int64_t body, std::uint32_t size)
{
    std::int64_t next = body + size;
    if (size % 2 != 0) {
        wavSeek(file, next);
        if (std::fgetc(file) == 0)
            ++next;
    }
    return next;
}

int wavHeaderRead(const char* fileName, std::uint16_t* bitsPerSample,
                  std::int64_t* dataOffset, std::uint32_t* dataSize)
{
    WavFile file = wavOpen(fileName);
    if (!file) {
        // " %sをオープンできません.\n"
        std::fprintf(stderr, " %s\x82\xf0\x83\x49\x81\x5b\x83\x76\x83\x93\x82\xc5"
                             "\x82\xab\x82\xdc\x82\xb9\x82\xf1" ".\n", fileName);
        return -1;
    }
    std::FILE* f = file.get();

    unsigned char riff[12];
    if (std::fread(riff, 1, sizeof riff, f) != sizeof riff) {
        // " %lld で読み込み失敗.\n"
        std::fprintf(stderr, " %lld \x82\xc5\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x8e\xb8"
                             "\x94\x73" ".\n", static_cast<long long>(wavTell(f)));
        return -1;
    }
    if (!isId(riff, "RIFF")) {
        // "'RIFF' フォーマットでない.\n"
        std::fputs("'RIFF' \x83\x74\x83\x48\x81\x5b\x83\x7d\x83\x62\x83\x67\x82\xc5"
                   "\x82\xc8\x82\xa2" ".\n", stderr);
        return -1;
    }
    if (!isId(riff + 8, "WAVE")) {
        // "'WAVE' が無い.\n"
        std::fputs("'WAVE' \x82\xaa\x96\xb3\x82\xa2" ".\n", stderr);
        return -1;
    }

    // Positions are 64-bit and every step moves forward by at least the
    // 8-byte header, so the walk ends on any file, however its sizes lie.
    bool fmtSeen = false;
    std::int64_t header = sizeof riff;
    unsigned char chunk[8];
    for (;;) {
        wavSeek(f, header);
        if (std::fread(chunk, 1, sizeof chunk, f) != sizeof chunk)
            break;
        std::int64_t body = header + static_cast<std::int64_t>(sizeof chunk);
        std::uint32_t size = le32(chunk + 4);
        if (isId(chunk, "data")) {
            if (!fmtSeen) {
                // "'fmt ' チャンクが無い.\n"
                std::fputs("'fmt ' \x83\x60\x83\x83\x83\x93\x83\x4e\x82\xaa\x96\xb3"
                           "\x82\xa2" ".\n", stderr);
                return -1;
            }
            *dataOffset = body;
            *dataSize = size;
            return 0;
        }
        if (isId(chunk, "fmt ")) {
            // The block is 16 bytes whatever the chunk declares.
            unsigned char block[16];
            if (wavFmtRead(f, block) != 0)
                return -1;
            *bitsPerSample = le16(block + 14);
            fmtSeen = true;
        }
        header = wavNextChunk(f, body, size);
    }
    // "'data' チャンクが無い.\n"
    std::fputs("'data' \x83\x60\x83\x83\x83\x93\x83\x4e\x82\xaa\x96\xb3\x82\xa2"
               ".\n", stderr);
    return -1;
}
