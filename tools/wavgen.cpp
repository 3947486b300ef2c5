// wavgen OUT BITS FRAMES: writes a stereo 44.1 kHz sine of FRAMES frames,
// 8-bit or 16-bit, for the example file and the benchmarks.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "wav_writer.h"

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fputs("usage: wavgen OUT BITS FRAMES\n", stderr);
        return 2;
    }
    long bits = std::strtol(argv[2], nullptr, 10);
    unsigned long frames = std::strtoul(argv[3], nullptr, 10);
    if (bits != 8 && bits != 16) {
        std::fputs("wavgen: BITS is 8 or 16\n", stderr);
        return 2;
    }
    std::string bytes = wavw::sine(static_cast<std::uint16_t>(bits),
                                   static_cast<std::uint32_t>(frames));
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() ||
        std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
