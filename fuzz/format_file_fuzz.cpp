// Any byte string as the format file, read by the format file's steps over a
// model of the RIFF reader: every search must end, the format memory must
// hold every chunk read into it (it is exactly the size asked for, so
// AddressSanitizer sees any read past it), and the result is one text or a
// format with a block size one read can fill.
#include <cstdint>
#include <cstdlib>

#include "audio/format_file.h"
#include "tests/riff_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ModelFormatReader reader(data, size);
    const void* format = nullptr;
    uint32_t dataSize = 0;
    const char* text = ReadFormatFile(reader, &format, &dataSize);
    if (text == nullptr && (format == nullptr || dataSize == 0 || dataSize > MAX_READ_BYTES)) std::abort();
    if (text != nullptr && *text == '\0') std::abort();
    return 0;
}
