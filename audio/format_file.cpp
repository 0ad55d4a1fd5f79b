// The format file's chunk walk. Every chunk must lie inside its parent, except
// a "fmt " or "data" chunk that runs past the end of the file: that is a file
// cut short, and the RIFF reader's own read of that chunk reports it. Each step
// moves forward by at least a chunk header, so the walk ends after at most
// (file size / 8) steps.
#include "audio/format_file.h"

#include <cstring>

namespace {

constexpr uint32_t CHUNK_HEADER_BYTES = 8;
constexpr uint16_t WAVE_FORMAT_PCM_TAG = 1;
// Above any rate a sound card offers; a larger value is a damaged field.
constexpr uint32_t MAX_SAMPLE_RATE = 768000;

uint32_t Le32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool ReadAt(std::FILE* file, long offset, void* buffer, size_t size)
{
    return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(buffer, 1, size, file) == size;
}

long FileSize(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    return std::ftell(file);
}

// The PCM fields must agree: whole bytes per frame, one frame per block.
bool PcmFieldsAgree(const unsigned char* fmt)
{
    const uint16_t channels = Le16(fmt + 2);
    const uint32_t rate = Le32(fmt + 4);
    const uint32_t bytesPerSecond = Le32(fmt + 8);
    const uint16_t blockAlign = Le16(fmt + 12);
    const uint16_t bits = Le16(fmt + 14);
    if (channels == 0 || rate == 0 || rate > MAX_SAMPLE_RATE) return false;
    if (bits != 8 && bits != 16) return false;
    if (blockAlign != channels * (bits / 8)) return false;
    return bytesPerSecond == rate * blockAlign;
}

}  // namespace

FormatFileFault CheckFormatFile(std::FILE* file)
{
    const long size = FileSize(file);
    unsigned char head[12];
    if (size < 12 || !ReadAt(file, 0, head, sizeof head)) return FormatFileFault::None;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return FormatFileFault::None;
    const uint64_t fileEnd = uint64_t(size);
    const uint64_t riffEnd = uint64_t(CHUNK_HEADER_BYTES) + Le32(head + 4);
    if (riffEnd < 12) return FormatFileFault::Corrupt;
    // A RIFF size past the end of the file is a file cut short: the walk
    // covers what the file holds.
    const uint64_t walkEnd = riffEnd < fileEnd ? riffEnd : fileEnd;

    for (uint64_t at = 12; at + CHUNK_HEADER_BYTES <= walkEnd;) {
        unsigned char chunk[CHUNK_HEADER_BYTES];
        if (!ReadAt(file, static_cast<long>(at), chunk, sizeof chunk)) return FormatFileFault::Corrupt;
        const uint32_t chunkSize = Le32(chunk + 4);
        const uint64_t dataStart = at + CHUNK_HEADER_BYTES;
        const uint64_t chunkEnd = dataStart + chunkSize;
        const bool isFormat = std::memcmp(chunk, "fmt ", 4) == 0;
        const bool isData = std::memcmp(chunk, "data", 4) == 0;
        // Only the two chunks the reader reads may be cut short; the reader
        // steps over any other chunk by its size, which must stay in the file.
        const bool cutShort = chunkEnd > fileEnd && (isFormat || isData);
        if (chunkEnd > walkEnd && !cutShort) return FormatFileFault::Corrupt;
        if (isFormat) {
            if (chunkSize < PCM_FORMAT_BYTES) return FormatFileFault::FormatTooSmall;
            if (chunkSize >= FORMAT_CHUNK_LIMIT) return FormatFileFault::FormatTooLarge;
            unsigned char fmt[PCM_FORMAT_BYTES];
            if (!ReadAt(file, static_cast<long>(dataStart), fmt, sizeof fmt)) return FormatFileFault::None;
            if (Le16(fmt) == WAVE_FORMAT_PCM_TAG && !PcmFieldsAgree(fmt)) return FormatFileFault::FormatInvalid;
        }
        if (cutShort) return FormatFileFault::None;  // nothing follows in the file
        at = chunkEnd + (chunkSize & 1);             // chunks are padded to even sizes
    }
    return FormatFileFault::None;
}

const char* FormatFileFaultText(FormatFileFault fault)
{
    switch (fault) {
    case FormatFileFault::None: return nullptr;
    case FormatFileFault::Corrupt: return "Corrupt Wave File";
    case FormatFileFault::FormatTooSmall: return "Format Chunk Too Small";
    case FormatFileFault::FormatTooLarge: return "Format Chunk Too Large";
    case FormatFileFault::FormatInvalid: return "Cannot Play Format";
    }
    return nullptr;
}
