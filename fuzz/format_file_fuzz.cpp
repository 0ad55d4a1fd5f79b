// Any byte string as the format file: the chunk walk must end, never read
// outside the file, and give one of its answers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "audio/format_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::FILE* f = size ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : std::fopen("/dev/null", "rb");
    if (f == nullptr) return 0;
    FormatFileFault fault = CheckFormatFile(f);
    std::fclose(f);
    if (fault != FormatFileFault::None && FormatFileFaultText(fault) == nullptr) std::abort();
    return 0;
}
