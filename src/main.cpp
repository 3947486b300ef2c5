// Entry: checks the argument, runs the header scan and then the dump on the
// same file name, and turns their results into the exit status.
#include <csignal>
#include <cstdint>
#include <cstdio>

#include "pelkorn.h"

static void usage()
{
    // wav ファイルをテキストでダンプします.
    // 引数に <入力ファイル名> を指定してください.
    //
    // 例 : pelkorn  in.wav
    std::fputs("wav \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x83\x65\x83\x4c"
               "\x83\x58\x83\x67\x82\xc5\x83\x5f\x83\x93\x83\x76\x82\xb5\x82"
               "\xdc\x82\xb7" ".\n"
               "\x88\xf8\x90\x94\x82\xc9" " <"
               "\x93\xfc\x97\xcd\x83\x74\x83\x40\x83\x43\x83\x8b\x96\xbc" "> "
               "\x82\xf0\x8e\x77\x92\xe8\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82"
               "\xb3\x82\xa2" ".\n"
               "\n"
               "\x97\xe1" " : pelkorn  in.wav\n",
               stderr);
}

int main(int argc, char* argv[])
{
#ifdef SIGPIPE
    // A reader that leaves early (pelkorn big.wav | head) must not kill the
    // dump: a failed write changes nothing, least of all the exit status.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // The dump writes whole blocks of lines; stdio's buffer would only split
    // each into two writes.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 2) {
        usage();
        return -1;
    }
    std::uint16_t bitsPerSample = 0;
    std::int64_t dataOffset = 0;
    std::uint32_t dataSize = 0;
    if (wavHeaderRead(argv[1], &bitsPerSample, &dataOffset, &dataSize) != 0)
        return -1;
    if (wavDump(argv[1], bitsPerSample, dataOffset, dataSize) != 0)
        return -1;
    return 0;
}
