// The format file's chunk search and reading steps. The search keeps the
// reader's own 32-bit arithmetic, so it stops where the reader stops; a chunk
// size that wraps that arithmetic is the one thing it refuses beyond the
// reader, because the reader would then walk back over the file. Without a
// wrap every step moves forward by at least a chunk header, so a search ends
// after at most (file size / 8) steps.
#include "audio/format_file.h"

namespace {

constexpr uint16_t WAVE_FORMAT_PCM_TAG = 1;
constexpr uint32_t CHUNK_HEADER_BYTES = 8;
// Above any rate a sound card offers; a larger value is a damaged field.
constexpr uint32_t MAX_SAMPLE_RATE = 768000;

constexpr const char* CORRUPT = "Corrupt Wave File";

uint32_t Le32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// A PCM format's fields must agree with each other before the device is asked
// about it: whole bytes per sample, one frame per block, and a byte rate that
// the block and the rate give. A device is never handed a block size of 0.
bool PcmFieldsAgree(const unsigned char* fmt)
{
    const uint16_t channels = Le16(fmt + 2);
    const uint32_t rate = Le32(fmt + 4);
    const uint32_t bytesPerSecond = Le32(fmt + 8);
    const uint16_t blockAlign = Le16(fmt + 12);
    const uint16_t bits = Le16(fmt + 14);
    if (channels == 0 || rate == 0 || rate > MAX_SAMPLE_RATE) return false;
    if (bits == 0 || bits % 8 != 0) return false;
    if (blockAlign != uint32_t(channels) * (bits / 8)) return false;
    return bytesPerSecond == uint64_t(rate) * blockAlign;
}

}  // namespace

RiffFind SearchChunk(ByteSource& file, uint32_t at, const RiffChunk* parent, uint32_t id, RiffChunk& chunk,
                     uint32_t* next)
{
    if (parent != nullptr) {
        const uint32_t parentEnd = parent->dataOffset + parent->size;  // wraps as the reader's does
        if (at < parent->dataOffset || at >= parentEnd) return RiffFind::NotFound;
    }
    const bool typed = id == RIFF_ID || id == LIST_ID;
    const uint32_t wantedType = chunk.type;
    for (;;) {
        unsigned char head[12];
        const uint32_t got = file.ReadAt(at, head, sizeof head);
        if (got < CHUNK_HEADER_BYTES) return RiffFind::NotFound;
        chunk.id = Le32(head);
        chunk.size = Le32(head + 4);
        for (uint32_t i = CHUNK_HEADER_BYTES; i < got; ++i) {
            const uint32_t shift = 8 * (i - CHUNK_HEADER_BYTES);
            chunk.type = (chunk.type & ~(0xFFu << shift)) | uint32_t(head[i]) << shift;
        }
        chunk.dataOffset = at + CHUNK_HEADER_BYTES;
        if (chunk.id == id && (!typed || chunk.type == wantedType)) {
            *next = chunk.dataOffset + (typed ? 4 : 0);
            return RiffFind::Found;
        }
        const uint32_t after = ChunkEnd(chunk);
        if (after <= at) return RiffFind::Endless;
        at = after;
    }
}

uint32_t ChunkEnd(const RiffChunk& chunk) { return chunk.dataOffset + ((chunk.size + 1) & ~1u); }

const char* ReadFormatFile(FormatFileReader& reader, const void** format, uint32_t* dataSize)
{
    RiffChunk parent;
    parent.type = WAVE_TYPE;
    switch (reader.FindRiffWave(parent)) {
    case RiffFind::Found: break;
    case RiffFind::NotFound: return "Not A Wave File";
    case RiffFind::Endless: return CORRUPT;
    }
    RiffChunk subchunk;
    if (reader.FindChunk(FMT_ID, parent, subchunk) != RiffFind::Found) return CORRUPT;

    // The count is taken here, and here it is bounded, whatever the file's
    // other chunks look like: the memory's 16-bit size must hold the chunk.
    const uint32_t dwFmtSize = subchunk.size;
    if (dwFmtSize >= FORMAT_CHUNK_LIMIT) return "Format Chunk Too Large";
    const auto memoryBytes = static_cast<uint16_t>(dwFmtSize < FORMAT_MEMORY_MIN ? FORMAT_MEMORY_MIN : dwFmtSize);
    const char* failText = nullptr;
    auto* pFormat = static_cast<unsigned char*>(reader.AllocFormat(memoryBytes, &failText));
    if (pFormat == nullptr) return failText;
    if (reader.Read(pFormat, static_cast<int32_t>(dwFmtSize)) != static_cast<int32_t>(dwFmtSize))
        return "Cannot Read Format Chunk";
    if (Le16(pFormat) != WAVE_FORMAT_PCM_TAG) return "NOT a pcm file";
    if (!PcmFieldsAgree(pFormat) || !reader.CanPlay(pFormat)) return "Cannot Play Format";

    reader.Leave(subchunk);
    switch (reader.FindChunk(DATA_ID, parent, subchunk)) {
    case RiffFind::Found: break;
    case RiffFind::NotFound: return "No data sub Chunk";
    case RiffFind::Endless: return CORRUPT;
    }
    if (subchunk.size == 0) return "Data Size Zero";
    // The block is filled by one read, whose count is signed: a larger size
    // could never be read whole.
    if (subchunk.size > MAX_READ_BYTES) return "Cannot Read Wave subchunk";
    *format = pFormat;
    *dataSize = subchunk.size;
    return nullptr;
}
