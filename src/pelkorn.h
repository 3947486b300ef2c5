// pelkorn: writes the samples of a RIFF/WAVE file as text.
//
// The two stages of a run, called by main: the header scan finds the bits per
// sample and the "data" chunk, the dump prints the samples. Each opens the
// file by name and closes it before it returns. The small file helpers below
// are shared by both stages and hide the platform's 64-bit file calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Reads the header of fileName. On success returns 0 and sets the bits per
// sample, the file position of the "data" body and its declared size; on
// failure prints a message to stderr (but for a short format block) and
// returns -1.
int wavHeaderRead(const char* fileName, std::uint16_t* bitsPerSample,
                  std::int64_t* dataOffset, std::uint32_t* dataSize);

// Prints the data chunk as lines of two 8-column numbers on stdout. Returns 0
// after a complete dump, -1 (after a message on stdout) otherwise.
int wavDump(const char* fileName, std::uint16_t bitsPerSample,
            std::int64_t dataOffset, std::uint32_t dataSize);

using WavFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Opens fileName for binary reading if it is a regular file, else returns an
// empty pointer. The file is read twice, so a pipe or a device cannot work,
// and a FIFO without a writer must not hang the open: on POSIX the open does
// not block and the type is checked on the open descriptor, never by name.
inline WavFile wavOpen(const char* fileName)
{
    WavFile file(nullptr, std::fclose);
#ifdef _WIN32
    std::FILE* f = std::fopen(fileName, "rb");
    if (f == nullptr)
        return file;
    file.reset(f);
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG)
        file.reset();
#else
    int fd = ::open(fileName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return file;
    struct stat st;
    std::FILE* f = nullptr;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // O_NONBLOCK only guarded the open; reads of the file must block.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        f = ::fdopen(fd, "rb");
    }
    if (f == nullptr)
        ::close(fd);
    file.reset(f);
#endif
    return file;
}

// Seeks from the start of the file. A failed seek shows as a short read next.
inline void wavSeek(std::FILE* file, std::int64_t position)
{
#ifdef _WIN32
    _fseeki64(file, position, SEEK_SET);
#else
    ::fseeko(file, static_cast<off_t>(position), SEEK_SET);
#endif
}

// The position of the next unread byte.
inline std::int64_t wavTell(std::FILE* file)
{
#ifdef _WIN32
    return _ftelli64(file);
#else
    return ::ftello(file);
#endif
}

// The length of the open file, or -1.
inline std::int64_t wavLength(std::FILE* file)
{
#ifdef _WIN32
    struct _stat64 st;
    return _fstat64(_fileno(file), &st) == 0 ? st.st_size : -1;
#else
    struct stat st;
    return ::fstat(::fileno(file), &st) == 0 ? st.st_size : -1;
#endif
}
