// libFuzzer target: each input becomes a file, which the header scan and then
// the dump read exactly as a run of the tool would. The lines go to the null
// device, so that every one is formatted; run with -close_fd_mask=2 to hide
// the scan's messages and keep libFuzzer's own.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "pelkorn.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return std::freopen("/dev/null", "w", stdout) != nullptr ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One file per process, so that parallel jobs do not share it.
    static const std::string name = "/tmp/pelkorn-fuzz-" + std::to_string(getpid()) + ".wav";
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    std::uint16_t bitsPerSample = 0;
    std::int64_t dataOffset = 0;
    std::uint32_t dataSize = 0;
    if (wavHeaderRead(name.c_str(), &bitsPerSample, &dataOffset, &dataSize) == 0)
        wavDump(name.c_str(), bitsPerSample, dataOffset, dataSize);
    return 0;
}
