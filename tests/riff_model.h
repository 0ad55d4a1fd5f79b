// The format file's steps over bytes in memory: a model of the system's RIFF
// reader built on the core's chunk search (a position, reads that stop at the
// end of the file, leaving a chunk past its pad byte), format memory of
// exactly the size asked for from the heap, so a read past it is caught by
// AddressSanitizer, and a device that plays PCM of 8 to 32 bits in one or two
// channels, as the sound server under Wine does.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/format_file.h"

class ModelFormatReader final : public FormatFileReader, public ByteSource {
public:
    ModelFormatReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    ~ModelFormatReader() { std::free(memory_); }

    uint32_t ReadAt(uint32_t offset, void* to, uint32_t count) override
    {
        if (offset >= size_) return 0;
        const size_t n = count < size_ - offset ? count : size_ - offset;
        std::memcpy(to, bytes_ + offset, n);
        return static_cast<uint32_t>(n);
    }

    RiffFind FindRiffWave(RiffChunk& riff) override
    {
        riff.id = RIFF_ID;
        return Find(riff, nullptr);
    }

    RiffFind FindChunk(uint32_t id, const RiffChunk& parent, RiffChunk& chunk) override
    {
        chunk.id = id;
        return Find(chunk, &parent);
    }

    void Leave(const RiffChunk& chunk) override { at_ = ChunkEnd(chunk); }

    int32_t Read(void* to, int32_t count) override
    {
        if (count <= 0) return 0;
        const uint32_t got = ReadAt(at_, to, static_cast<uint32_t>(count));
        at_ += got;
        return static_cast<int32_t>(got);
    }

    void* AllocFormat(uint16_t bytes, const char** failText) override
    {
        memory_ = std::calloc(bytes, 1);
        if (memory_ == nullptr) *failText = "Error Allocating Format Chunk";
        memoryBytes = bytes;
        return memory_;
    }

    bool CanPlay(const void* format) override
    {
        const auto* f = static_cast<const uint8_t*>(format);
        const unsigned channels = f[2] | f[3] << 8;
        const unsigned bits = f[14] | f[15] << 8;
        return channels >= 1 && channels <= 2 && bits >= 8 && bits <= 32;
    }

    uint16_t memoryBytes = 0;  // the format memory asked for, 0 if none

private:
    RiffFind Find(RiffChunk& chunk, const RiffChunk* parent)
    {
        uint32_t next = 0;
        const RiffFind found = SearchChunk(*this, at_, parent, chunk.id, chunk, &next);
        if (found == RiffFind::Found) at_ = next;
        return found;
    }

    const uint8_t* bytes_;
    size_t size_;
    uint32_t at_ = 0;
    void* memory_ = nullptr;
};
