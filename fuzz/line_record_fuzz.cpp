// Any file given to the cable as a record to replay. Checked: reading never
// fails without saying which line is wrong; every event read has side A or B,
// a time that does not go backwards, and comes back the same when written out
// and read again.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "launcher/line_record.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<LineEvent> events;
    std::string error;
    if (!ReadRecord(in, &events, &error)) {
        Check(error.compare(0, 5, "line ") == 0);
        return 0;
    }
    double last = 0;
    for (const LineEvent& e : events) {
        Check(e.side == 'A' || e.side == 'B');
        Check(e.ms >= last);
        last = e.ms;
        LineEvent again;
        std::string why;
        Check(ParseEvent(FormatEvent(e), &again, &why));
        Check(again.side == e.side && again.bytes == e.bytes);
    }
    return 0;
}
