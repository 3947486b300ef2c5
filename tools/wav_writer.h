// A WAV writer for the tests, the benchmarks and the example: it builds files
// byte by byte, so that a fixture can state any size, order or fault exactly.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wavw {

inline std::string le16(std::uint32_t v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
}

inline std::string le32(std::uint32_t v)
{
    return le16(v & 0xFFFF) + le16(v >> 16);
}

// A chunk whose header declares `size`, whatever the body really holds.
inline std::string chunk(std::string_view id, std::uint32_t size, std::string_view body)
{
    return std::string(id) + le32(size) + std::string(body);
}

// A chunk whose header declares the body's own size.
inline std::string chunk(std::string_view id, std::string_view body)
{
    return chunk(id, static_cast<std::uint32_t>(body.size()), body);
}

// The 16-byte PCM format block.
inline std::string fmtBody(std::uint16_t bitsPerSample, std::uint16_t channels = 2,
                           std::uint32_t rate = 44100)
{
    std::uint32_t align = channels * ((bitsPerSample + 7u) / 8u);
    return le16(1) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) +
           le16(bitsPerSample);
}

// The file header and the chunks after it; the RIFF size is the true one.
inline std::string riff(std::string_view chunks, std::string_view form = "WAVE")
{
    return "RIFF" + le32(static_cast<std::uint32_t>(4 + chunks.size())) +
           std::string(form) + std::string(chunks);
}

// The usual 44-byte header and `data` as the sample bytes.
inline std::string wav(std::uint16_t bitsPerSample, std::string_view data)
{
    return riff(chunk("fmt ", fmtBody(bitsPerSample)) + chunk("data", data));
}

// Little-endian 16-bit samples.
inline std::string samples16(const std::vector<int>& values)
{
    std::string out;
    for (int v : values)
        out += le16(static_cast<std::uint32_t>(v) & 0xFFFF);
    return out;
}

// A stereo sine: `frames` frames at 44.1 kHz, 8-bit (unsigned) or 16-bit,
// the right channel a fifth above the left.
inline std::string sine(std::uint16_t bitsPerSample, std::uint32_t frames)
{
    std::string data;
    data.reserve(frames * (bitsPerSample / 8u) * 2u);
    const double step = 2 * 3.14159265358979323846 * 440 / 44100;
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (double ratio : {1.0, 1.5}) {
            double s = 0.5 * std::sin(step * ratio * i);
            if (bitsPerSample == 8)
                data += static_cast<char>(static_cast<int>(std::lround(128 + 127 * s)));
            else
                data += le16(static_cast<std::uint32_t>(std::lround(32767 * s)) & 0xFFFF);
        }
    }
    return wav(bitsPerSample, data);
}

} // namespace wavw
