// A bounded walk over the format file's RIFF chunks, made before the file is
// handed to the system's RIFF reader: it refuses chunk sizes that would run
// past the file (or make a walk loop) and format chunks that cannot describe
// what the output device is opened with. A file cut short inside its "fmt "
// or "data" chunk passes: the reader's read of that chunk comes up short and
// shows its own text for it.
#pragma once

#include <cstdint>
#include <cstdio>

enum class FormatFileFault {
    None,             // nothing this walk objects to; the RIFF reader takes over
    Corrupt,          // a chunk runs past its parent, or a chunk the reader
                      // steps over runs past the file
    FormatTooSmall,   // "fmt " shorter than a PCM format (16 bytes)
    FormatTooLarge,   // "fmt " of 65536 bytes or more
    FormatInvalid,    // a PCM format whose fields contradict each other
};

// The smallest format chunk that holds a PCM format, and the first size the
// 16-bit count of the format memory cannot express.
constexpr uint32_t PCM_FORMAT_BYTES = 16;
constexpr uint32_t FORMAT_CHUNK_LIMIT = 65536;

// Walks the file from its start. A file that is not RIFF/WAVE at all, or has
// no "fmt " or "data" chunk, is left to the RIFF reader's own messages.
FormatFileFault CheckFormatFile(std::FILE* file);

// The message shown for a fault, or nullptr for None.
const char* FormatFileFaultText(FormatFileFault fault);
