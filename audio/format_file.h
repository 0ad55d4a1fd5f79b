// Reading the format file "ding.wav": the RIFF reader's chunk search and the
// steps that take the output format and the block size from the file.
// Platform-free: the Windows edge gives the steps the system's RIFF reader,
// format memory and device; the tests and fuzz programs give them a model of
// that reader built on the same chunk search.
#pragma once

#include <cstdint>

constexpr uint32_t FourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

constexpr uint32_t RIFF_ID = FourCC('R', 'I', 'F', 'F');
constexpr uint32_t LIST_ID = FourCC('L', 'I', 'S', 'T');
constexpr uint32_t WAVE_TYPE = FourCC('W', 'A', 'V', 'E');
constexpr uint32_t FMT_ID = FourCC('f', 'm', 't', ' ');
constexpr uint32_t DATA_ID = FourCC('d', 'a', 't', 'a');

// The format memory is sized by a 16-bit count: a format chunk must be
// smaller than this. It is never smaller than a WAVEFORMATEX (18 bytes) and
// is zero-filled, so a short chunk still reads as a whole format.
constexpr uint32_t FORMAT_CHUNK_LIMIT = 65536;
constexpr uint32_t FORMAT_MEMORY_MIN = 18;
// One read of the RIFF reader takes a signed 32-bit count.
constexpr uint32_t MAX_READ_BYTES = 0x7FFFFFFF;

// A chunk as the RIFF reader describes it: the record the caller passes in
// and gets back filled (its `type` is read only for RIFF and LIST searches).
struct RiffChunk {
    uint32_t id = 0;
    uint32_t size = 0;
    uint32_t type = 0;
    uint32_t dataOffset = 0;  // where the chunk's data starts in the file
};

// The bytes of a file by position.
class ByteSource {
public:
    // Copies up to `count` bytes from `offset` into `to`; returns how many
    // there were (0 at or past the end).
    virtual uint32_t ReadAt(uint32_t offset, void* to, uint32_t count) = 0;

protected:
    ~ByteSource() = default;
};

enum class RiffFind {
    Found,     // `chunk` is filled; the reader stands at its data
    NotFound,  // the search ran off the end of the file, or started outside its parent
    Endless,   // a chunk size wraps the reader's 32-bit position back: the
               // search would go round the file again, perhaps for ever
};

// One search as the system's RIFF reader makes it, from position `at`: read a
// chunk header (12 bytes, or as many as there are, at least 8), and if its id
// is `id` (and, for RIFF and LIST, its type is `chunk.type`) stop there;
// otherwise step over its data, padded to an even size, and read the next.
// With a parent, the search starts only from a position inside the parent's
// data; it does not stop at the parent's end. `chunk` is the caller's record:
// a header cut short leaves the fields it did not reach as they were. On
// Found, `*next` is where the reader stands (the chunk's data; past the form
// type for RIFF and LIST).
RiffFind SearchChunk(ByteSource& file, uint32_t at, const RiffChunk* parent, uint32_t id, RiffChunk& chunk,
                     uint32_t* next);

// Where the reader stands after leaving a chunk: past its data and pad byte.
uint32_t ChunkEnd(const RiffChunk& chunk);

// What the format file's steps use: the RIFF reader, the format memory and
// the output device.
class FormatFileReader {
public:
    virtual RiffFind FindRiffWave(RiffChunk& riff) = 0;
    virtual RiffFind FindChunk(uint32_t id, const RiffChunk& parent, RiffChunk& chunk) = 0;
    virtual void Leave(const RiffChunk& chunk) = 0;
    // Reads from where the reader stands; returns the count read.
    virtual int32_t Read(void* to, int32_t count) = 0;
    // `bytes` zero-filled bytes of format memory; on failure returns nullptr
    // and sets `*failText` to the message of the step that failed.
    virtual void* AllocFormat(uint16_t bytes, const char** failText) = 0;
    // Whether the output device can play `format`, asked without opening it.
    virtual bool CanPlay(const void* format) = 0;

protected:
    ~FormatFileReader() = default;
};

// The steps from finding the RIFF chunk to entering the data chunk: the
// format chunk is read into format memory (left with the reader, which frees
// it), its tag must be PCM and the device must be able to play it; the data
// chunk's size is the block size. Returns nullptr with `*format` and
// `*dataSize` set, or the message of the step that refused the file.
const char* ReadFormatFile(FormatFileReader& reader, const void** format, uint32_t* dataSize);
