// End-to-end tests: each case builds its files with the WAV writer, runs the
// real pelkorn through the shell, and compares standard output and standard
// error byte for byte, and the exit status.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "pelkorn.h"
#include "wav_writer.h"

namespace fs = std::filesystem;
using namespace wavw;
using namespace std::string_literals;

namespace {

// The tool's messages are Shift_JIS. The expectations are written here as
// readable UTF-8 and converted by the platform, independently of the tool.
std::string sjis(std::string_view utf8)
{
#ifdef _WIN32
    int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring w(size_t(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), w.data(), wide);
    int narrow = WideCharToMultiByte(932, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(narrow), '\0');
    WideCharToMultiByte(932, 0, w.data(), wide, out.data(), narrow, nullptr, nullptr);
    return out;
#else
    iconv_t cd = iconv_open("SHIFT_JIS", "UTF-8");
    std::string in(utf8), out(in.size() * 2, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t srcLeft = in.size(), dstLeft = out.size();
    size_t done = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (done == size_t(-1))
        ADD_FAILURE() << "iconv failed on " << utf8;
    out.resize(out.size() - dstLeft);
    return out;
#endif
}

std::string usage()
{
    return sjis("wav ファイルをテキストでダンプします.\n"
                "引数に <入力ファイル名> を指定してください.\n\n"
                "例 : pelkorn  in.wav\n");
}
std::string cannotOpen(const std::string& name) { return " " + name + sjis("をオープンできません.\n"); }
std::string readFailed(long long at) { return " " + std::to_string(at) + sjis(" で読み込み失敗.\n"); }
const std::string notRiff = sjis("'RIFF' フォーマットでない.\n");
const std::string noWave = sjis("'WAVE' が無い.\n");
const std::string noData = sjis("'data' チャンクが無い.\n");
const std::string noFmt = sjis("'fmt ' チャンクが無い.\n");
const std::string dumpFailed = sjis("wavDataWriteでエラー発生.\n");

// printf's own rendering of the lines, to check the tool's tables against.
std::string lines(const std::vector<int>& values)
{
    std::string out;
    char line[64];
    for (size_t i = 0; i + 1 < values.size(); i += 2) {
        std::snprintf(line, sizeof line, "%8d%8d\n", values[i], values[i + 1]);
        out += line;
    }
    return out;
}

std::vector<int> range(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

std::string bytes(const std::vector<int>& values)
{
    std::string out;
    for (int v : values)
        out += char(v);
    return out;
}

enum class Kind { File, Directory, Fifo };

// A file for a case. `tail` is written at `tailAt`, leaving a hole after
// `bytes`: a large sparse file costs no disk.
struct Fixture {
    std::string name;
    std::string bytes;
    Kind kind = Kind::File;
    std::int64_t tailAt = 0;
    std::string tail = {};
};

struct Case {
    std::string name;
    std::vector<Fixture> files;
    std::string args;  // the command line after the tool, as the shell reads it
    std::string out;
    std::string err;
    int status;
    std::string prefix = {};  // shell text before the tool, such as a pipe
};

void make(const Fixture& f)
{
    if (f.kind == Kind::Directory) {
        fs::create_directory(f.name);
        return;
    }
#ifndef _WIN32
    if (f.kind == Kind::Fifo) {
        ASSERT_EQ(::mkfifo(f.name.c_str(), 0600), 0);
        return;
    }
#endif
    std::FILE* out = std::fopen(f.name.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(f.bytes.data(), 1, f.bytes.size(), out);
    if (!f.tail.empty()) {
        wavSeek(out, f.tailAt);
        std::fwrite(f.tail.data(), 1, f.tail.size(), out);
    }
    ASSERT_EQ(std::fclose(out), 0);
}

std::string slurp(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each "\n" that the tool writes ends a line the platform's way.
std::string text(std::string s)
{
#ifdef _WIN32
    for (size_t i = 0; (i = s.find('\n', i)) != std::string::npos; i += 2)
        s.insert(i, 1, '\r');
#endif
    return s;
}

// The status a parent sees: -1 is 255 to a POSIX parent.
int status(int expected)
{
#ifdef _WIN32
    return expected;
#else
    return expected & 0xFF;
#endif
}

fs::path& tool()
{
    static fs::path path;
    return path;
}

struct Outcome {
    std::string out;
    std::string err;
    int status;
};

Outcome run(const std::string& prefix, const std::string& args)
{
    std::string line = prefix + "\"" + tool().string() + "\" " + args +
                       " > stdout.txt 2> stderr.txt";
#ifdef _WIN32
    // cmd /c drops the outer quotes of a line that starts with one.
    int raw = std::system(("\"" + line + "\"").c_str());
    int code = raw;
#else
    int raw = std::system(line.c_str());
    int code = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
#endif
    return {slurp("stdout.txt"), slurp("stderr.txt"), code};
}

// Each case works in a folder of its own, so that cases may run in parallel.
class InFolder : public testing::Test {
protected:
    void enter(const std::string& name)
    {
        home = fs::current_path();
        folder = home / "e2e" / name;
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::current_path(folder);
    }
    void TearDown() override
    {
        if (home.empty())
            return;
        fs::current_path(home);
        if (!HasFailure())
            fs::remove_all(folder);
    }
    fs::path home, folder;
};

const std::string ok16 = wav(16, samples16({0, -1, 1, -32768, 32767, 12345}));
const std::string ok16Lines = "       0      -1\n"
                              "       1  -32768\n"
                              "   32767   12345\n";

std::vector<Case> cases()
{
    const std::string fmt16 = chunk("fmt ", fmtBody(16));
    const std::string fmt8 = chunk("fmt ", fmtBody(8));
    const std::string data4 = chunk("data", samples16({1, 2}));
    const std::string data4Lines = "       1       2\n";
    const std::string bigJunk = chunk("JUNK", 0x80000000u, "");
    const std::string hugeJunk = chunk("JUNK", 0xFFFFFFFEu, "");
    std::string zeroChunks;
    for (int i = 0; i < 10000; ++i)
        zeroChunks += chunk("JUNK", "");

    return {
        // The command line.
        {"NoArgument", {}, "", "", usage(), -1},
        {"TwoArguments", {{"in.wav", ok16}}, "in.wav in.wav", "", usage(), -1},
        {"EmptyArgument", {}, "\"\"", "", cannotOpen(""), -1},
        {"MissingFile", {}, "missing.wav", "", cannotOpen("missing.wav"), -1},
        {"Directory", {{"dir.wav", "", Kind::Directory}}, "dir.wav", "", cannotOpen("dir.wav"), -1},
#ifdef _WIN32
        {"WildcardUnexpanded", {{"in.wav", ok16}}, "*.wav", "", cannotOpen("*.wav"), -1},
#else
        {"WildcardUnexpanded", {{"in.wav", ok16}}, "'*.wav'", "", cannotOpen("*.wav"), -1},
#endif
        {"Valid16", {{"in.wav", ok16}}, "in.wav", ok16Lines, "", 0},

        // The file header.
        {"EmptyFile", {{"in.wav", ""}}, "in.wav", "", readFailed(0), -1},
        {"ShortHeader", {{"in.wav", "RIFF\x10"}}, "in.wav", "", readFailed(5), -1},
        {"BigEndianRifx", {{"in.wav", "RIFX" + ok16.substr(4)}}, "in.wav", "", notRiff, -1},
        {"NeitherMark", {{"in.wav", "JUNK1234JUNK"}}, "in.wav", "", notRiff, -1},
        {"AviForm", {{"in.wav", riff(chunk("LIST", "hdrl"), "AVI ")}}, "in.wav", "", noWave, -1},
        {"RiffSizeIgnored", {{"in.wav", "RIFF" + le32(7) + ok16.substr(8)}}, "in.wav", ok16Lines, "", 0},

        // The chunk walk.
        {"OtherChunksSkipped",
         {{"in.wav", riff(chunk("LIST", "INFOISFT" + le32(2) + "x\0"s) + chunk("Fmt ", fmtBody(8)) +
                          fmt16 + chunk("JUNK", "1234") + chunk("DATA", "zzzz") + data4)}},
         "in.wav", data4Lines, "", 0},
        {"SecondFmtWins", {{"in.wav", riff(fmt16 + fmt8 + data4)}}, "in.wav",
         lines({1, 0, 2, 0}), "", 0},
        // The block takes its 16 bytes from the body's start, reaching into
        // "da" of the next header (bits 0x6164), and the walk resumes after
        // the declared 14.
        {"ShortDeclaredFmt", {{"in.wav", riff(chunk("fmt ", 14, fmtBody(8).substr(0, 14)) + data4)}},
         "in.wav", data4Lines, "", 0},
        {"LongFmtSkipped", {{"in.wav", riff(chunk("fmt ", fmtBody(8) + le16(0)) + data4)}},
         "in.wav", lines({1, 0, 2, 0}), "", 0},
        {"OddChunkPadded", {{"in.wav", riff(chunk("JUNK", "abc") + "\0"s + fmt16 + data4)}},
         "in.wav", data4Lines, "", 0},
        {"OddChunkUnpadded", {{"in.wav", riff(chunk("JUNK", "abc") + fmt16 + data4)}},
         "in.wav", data4Lines, "", 0},
        {"OddFmtPadded", {{"in.wav", riff(chunk("fmt ", fmtBody(16) + "x") + "\0"s + data4)}},
         "in.wav", data4Lines, "", 0},
        {"ZeroSizeChunksRun", {{"in.wav", riff(zeroChunks + fmt16 + data4)}}, "in.wav",
         data4Lines, "", 0},
        {"ZeroSizeData", {{"in.wav", riff(fmt16 + chunk("data", ""))}}, "in.wav", "", "", 0},
        {"NoDataChunk", {{"in.wav", riff(fmt16 + chunk("LIST", "abcd"))}}, "in.wav", "", noData, -1},
        {"NoChunks", {{"in.wav", riff("")}}, "in.wav", "", noData, -1},
        {"DataBeforeFmt", {{"in.wav", riff(data4 + fmt16)}}, "in.wav", "", noFmt, -1},
        {"ShortFmtBlock", {{"in.wav", riff(chunk("fmt ", 16, fmtBody(16).substr(0, 10)))}},
         "in.wav", "", "", -1},
        // 44 + 0xFFFFFFE0 is 12 in 32 bits: a walker that wraps reads the
        // "fmt " header again, for ever.
        {"SizeWrapping32Bits", {{"in.wav", riff(fmt16 + chunk("JUNK", 0xFFFFFFE0u, "") + data4)}},
         "in.wav", "", noData, -1},
        {"DataPast2GiB", {{"in.wav", riff(fmt16) + bigJunk, Kind::File, 36 + 8 + 0x80000000LL, data4}},
         "in.wav", data4Lines, "", 0},
        {"DataPast4GiB", {{"in.wav", riff(fmt16) + hugeJunk, Kind::File, 44 + 0xFFFFFFFELL, data4}},
         "in.wav", data4Lines, "", 0},

        // The dump.
        {"EightBitSilenceOddSize", {{"in.wav", wav(8, "\x80\x80\x80\x80\x7f")}}, "in.wav",
         "     128     128\n     128     128\n", "", 0},
        {"EightBitOneByte", {{"in.wav", wav(8, "\x80")}}, "in.wav", "", "", 0},
        {"EveryEightBitValue", {{"in.wav", wav(8, bytes(range(0, 255)))}}, "in.wav",
         lines(range(0, 255)), "", 0},
        {"SixteenBitThreeBytes", {{"in.wav", wav(16, "\x01\x02\x03")}}, "in.wav", "", "", 0},
        {"SixteenBitExtremes", {{"in.wav", wav(16, samples16({-32768, 32767}))}}, "in.wav",
         "  -32768   32767\n", "", 0},
        {"EverySixteenBitValue", {{"in.wav", wav(16, samples16(range(-32768, 32767)))}},
         "in.wav", lines(range(-32768, 32767)), "", 0},
        {"TwelveBitIsOneByte", {{"in.wav", wav(12, bytes({0, 255, 1, 2}))}}, "in.wav",
         "       0     255\n       1       2\n", "", 0},
        {"FourBitIsTwoByte", {{"in.wav", wav(4, samples16({-2, 3}))}}, "in.wav",
         "      -2       3\n", "", 0},
        {"TwentyFourBitIsTwoByte", {{"in.wav", wav(24, samples16({5, -6}) + "\x07\x08")}},
         "in.wav", "       5      -6\n", "", 0},
        {"TruncatedData", {{"in.wav", riff(fmt16 + chunk("data", 12, samples16({3, 4, 5})))}},
         "in.wav", "       3       4\n" + dumpFailed, "", -1},
        {"DataHeaderLast", {{"in.wav", riff(fmt16 + chunk("data", 4, ""))}}, "in.wav",
         dumpFailed, "", -1},
        {"DataHeaderLastLessThanFrame", {{"in.wav", riff(fmt16 + chunk("data", 3, ""))}},
         "in.wav", "", "", 0},
        {"DataClaimsAll", {{"in.wav", riff(fmt16 + chunk("data", 0xFFFFFFFFu, samples16({7, 8, 9, 10})))}},
         "in.wav", lines({7, 8, 9, 10}) + dumpFailed, "", -1},

        // What is not a regular file.
#ifdef _WIN32
        {"DeviceName", {}, "NUL", "", cannotOpen("NUL"), -1},
#else
        {"Device", {}, "/dev/null", "", cannotOpen("/dev/null"), -1},
        {"FifoWithoutWriter", {{"in.wav", "", Kind::Fifo}}, "in.wav", "", cannotOpen("in.wav"), -1},
        {"StdinFromFile", {{"in.wav", ok16}}, "/dev/stdin < in.wav", ok16Lines, "", 0},
        {"StdinFromPipe", {{"in.wav", ok16}}, "/dev/stdin", "", cannotOpen("/dev/stdin"), -1,
         "cat in.wav | "},
#endif
    };
}

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class Tool : public InFolder, public testing::WithParamInterface<Case> {};

TEST_P(Tool, WritesExactlyTheExpectedBytes)
{
    const Case& c = GetParam();
    enter(c.name);
    for (const Fixture& f : c.files)
        ASSERT_NO_FATAL_FAILURE(make(f));
    Outcome r = run(c.prefix, c.args);
    EXPECT_EQ(r.out, text(c.out));
    EXPECT_EQ(r.err, text(c.err));
    EXPECT_EQ(r.status, status(c.status));
}

INSTANTIATE_TEST_SUITE_P(Cases, Tool, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

#ifndef _WIN32
// A reader that leaves early must not kill the dump or change its status: the
// status is still 0 for a whole data chunk and -1 for a short one.
TEST_F(InFolder, ReaderLeavingEarlyKeepsTheStatus)
{
    enter("ReaderLeavingEarly");
    std::vector<int> values = range(-32768, 32767);
    for (int i = 0; i < 5; ++i)
        values.insert(values.end(), values.begin(), values.begin() + 65536);
    const std::string data = samples16(values);
    const std::string fmt16 = chunk("fmt ", fmtBody(16));
    // A 4 GiB data chunk of silence in a sparse file, 18 GB of text: the dump
    // stops with its reader instead of formatting it all.
    const std::string huge = riff(fmt16 + chunk("data", 0xFFFFFFFCu, ""));
    struct {
        Fixture file;
        std::string text;
        int status;
    } runs[] = {
        {{"in.wav", riff(fmt16 + chunk("data", data))}, lines(values), 0},
        {{"in.wav", riff(fmt16 + chunk("data", uint32_t(data.size() + 4), data))}, lines(values), status(-1)},
        {{"in.wav", huge, Kind::File, 44 + 0xFFFFFFFBLL, "\0"s}, lines(std::vector(14, 0)), 0},
    };
    for (const auto& [file, text, expected] : runs) {
        fs::remove("in.wav");
        ASSERT_NO_FATAL_FAILURE(make(file));
        Outcome r = run("{ ", "in.wav; echo $? > status.txt; } | head -c 100");
        EXPECT_EQ(r.out, text.substr(0, 100));
        EXPECT_EQ(std::atoi(slurp("status.txt").c_str()), expected);
    }
}
#endif

#ifdef _WIN32
// A failure's status is -1, all 32 bits set, as a Windows console shows it.
TEST_F(InFolder, ConsoleSeesMinusOne)
{
    enter("ConsoleSeesMinusOne");
    Outcome r = run("cmd /v:on /c \"", "& echo [!ERRORLEVEL!]\"");
    EXPECT_EQ(r.out.substr(0, 4), "[-1]");
    EXPECT_EQ(r.err, text(usage()));
}
#endif

#ifndef _WIN32
// Access rights that forbid reading: root reads anything, so the case is
// skipped there.
TEST_F(InFolder, UnreadableFileCannotBeOpened)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, which access rights do not stop";
    enter("Unreadable");
    ASSERT_NO_FATAL_FAILURE(make({"in.wav", ok16}));
    fs::permissions("in.wav", fs::perms::none);
    Outcome r = run("", "in.wav");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, cannotOpen("in.wav"));
    EXPECT_EQ(r.status, status(-1));
}
#endif

// The dump opens the file again; if it has gone since the scan, the dump says
// so on standard output.
TEST_F(InFolder, DumpReportsAFileGoneSinceTheScan)
{
    enter("DumpOpenFails");
    testing::internal::CaptureStdout();
    int result = wavDump("gone.wav", 16, 44, 4);
    std::fflush(stdout);
    // The capture reads its file back as text, so "\n" here on every platform.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "gone.wav" + sjis(" をオープンできません.\n"));
    EXPECT_EQ(result, -1);
}

} // namespace

// Writes the small files of the cases as a seed corpus for the fuzzer.
int writeCorpus(const fs::path& folder)
{
    fs::create_directories(folder);
    int n = 0;
    for (const Case& c : cases())
        for (const Fixture& f : c.files)
            if (f.kind == Kind::File && f.tail.empty() && f.bytes.size() <= 4096) {
                std::ofstream((folder / (c.name + ".wav")).string(), std::ios::binary) << f.bytes;
                ++n;
            }
    std::printf("%d seeds in %s\n", n, folder.string().c_str());
    return 0;
}

int main(int argc, char* argv[])
{
    testing::InitGoogleTest(&argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--write-corpus")
        return writeCorpus(argv[2]);
    // The tests run in the build folder, where the tool is built.
    tool() = fs::absolute("pelkorn" + fs::path(argv[0]).extension().string());
    return RUN_ALL_TESTS();
}
