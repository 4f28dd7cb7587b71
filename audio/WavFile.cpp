#include "WavFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr std::uint16_t FormatPCM = 1;
constexpr std::uint16_t FormatExtensible = 0xFFFE;

std::uint16_t Get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Put16(std::string& out, std::uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string SystemReason()
{
    return std::strerror(errno);
}

} // namespace

TWavData ReadWavFile(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw EWavFileError("is a directory");
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EWavFileError(errno ? SystemReason() : "cannot be opened");
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EWavFileError(errno ? SystemReason() : "read error");

    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        throw EWavFileError("not a RIFF WAVE file");

    TWavData wav;
    bool haveFormat = false;
    std::size_t pos = 12;
    while (pos + 8 <= file.size()) {
        const std::uint8_t* chunk = file.data() + pos;
        const std::uint32_t size = Get32(chunk + 4);
        const std::size_t body = pos + 8;
        const std::size_t available = file.size() - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || size > available) throw EWavFileError("damaged format chunk");
            const std::uint8_t* f = file.data() + body;
            std::uint16_t tag = Get16(f);
            // The extensible header names the real format in its sub-format
            // GUID, whose first two bytes are the plain format tag.
            if (tag == FormatExtensible && size >= 40) tag = Get16(f + 24);
            if (tag != FormatPCM) throw EWavFileError("not PCM (format tag " + std::to_string(tag) + ")");
            wav.Channels = Get16(f + 2);
            wav.SampleRate = Get32(f + 4);
            wav.BitsPerSample = Get16(f + 14);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) throw EWavFileError("data chunk before the format chunk");
            const std::size_t take = std::min<std::size_t>(size, available);
            wav.Data.assign(file.begin() + static_cast<std::ptrdiff_t>(body),
                file.begin() + static_cast<std::ptrdiff_t>(body + take));
            return wav;
        }
        // Chunks are padded to an even length.
        pos = body + size + (size & 1);
    }
    throw EWavFileError(haveFormat ? "no data chunk" : "no format chunk");
}

void WriteWavFile(const std::string& path, const TWavData& wav)
{
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(wav.Channels * wav.BitsPerSample / 8);
    const auto dataSize = static_cast<std::uint32_t>(wav.Data.size());
    std::string header;
    header += "RIFF";
    Put32(header, 36 + dataSize + (dataSize & 1));
    header += "WAVEfmt ";
    Put32(header, 16);
    Put16(header, FormatPCM);
    Put16(header, wav.Channels);
    Put32(header, wav.SampleRate);
    Put32(header, wav.SampleRate * blockAlign);
    Put16(header, blockAlign);
    Put16(header, wav.BitsPerSample);
    header += "data";
    Put32(header, dataSize);

    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw EWavFileError(errno ? SystemReason() : "cannot be created");
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    out.write(reinterpret_cast<const char*>(wav.Data.data()), static_cast<std::streamsize>(wav.Data.size()));
    if (dataSize & 1) out.put('\0');
    out.flush();
    if (!out) throw EWavFileError(errno ? SystemReason() : "write error");
}
