// Records what the program played, from a sound-server source such as the
// null sink's monitor, as raw 8-bit unsigned mono samples, and notes where the
// recording lies in wall-clock time, so that a sound in it can be set against
// the moment a key was posted.
//
//   capture_record SOURCE FILE [--rate R]   records until SIGINT or SIGTERM;
//                                            writes FILE and FILE.clock
//   capture_record --epoch FILE [--rate R]  the Unix time in ms of FILE's first sample
//
// FILE.clock has one line per read: the Unix time in microseconds at which the
// read returned, the samples read so far, and the stream's latency then in
// microseconds (how long ago the next sample to be read was rendered). Each
// line places the first sample at time - latency - samples / rate; the median
// over all lines is the epoch.
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t gStop = 0;

void OnStop(int) { gStop = 1; }

long long NowMicroseconds()
{
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: capture_record SOURCE FILE [--rate R]\n"
                 "       capture_record --epoch FILE [--rate R]\n");
    return 2;
}

int Record(const char* source, const std::string& file, unsigned rate)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    std::FILE* clock = std::fopen((file + ".clock").c_str(), "w");
    if (!out || !clock) {
        std::fprintf(stderr, "capture_record: cannot write %s: %s\n", file.c_str(), std::strerror(errno));
        return 1;
    }
    const pa_sample_spec spec = {PA_SAMPLE_U8, rate, 1};
    // Reads of 10 ms: the clock is sampled that often, and the file grows as
    // the sound is rendered rather than in the server's default large blocks.
    const uint32_t fragment = rate / 100;
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = attr.prebuf = attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = fragment;
    int error = 0;
    pa_simple* stream =
        pa_simple_new(nullptr, "capture_record", PA_STREAM_RECORD, source, "capture", &spec, nullptr, &attr, &error);
    if (!stream) {
        std::fprintf(stderr, "capture_record: cannot record %s: %s\n", source, pa_strerror(error));
        return 1;
    }
    std::vector<uint8_t> buffer(fragment);
    long long samples = 0;
    while (!gStop) {
        if (pa_simple_read(stream, buffer.data(), buffer.size(), &error) < 0) {
            if (gStop) break;
            std::fprintf(stderr, "capture_record: read failed: %s\n", pa_strerror(error));
            break;
        }
        const long long now = NowMicroseconds();
        samples += static_cast<long long>(buffer.size());
        const pa_usec_t latency = pa_simple_get_latency(stream, &error);
        std::fwrite(buffer.data(), 1, buffer.size(), out);
        std::fflush(out);
        if (latency != static_cast<pa_usec_t>(-1)) {
            std::fprintf(clock, "%lld %lld %llu\n", now, samples, static_cast<unsigned long long>(latency));
            std::fflush(clock);
        }
    }
    pa_simple_free(stream);
    std::fclose(clock);
    return std::fclose(out) == 0 ? 0 : 1;
}

int PrintEpoch(const std::string& file, unsigned rate)
{
    std::FILE* clock = std::fopen((file + ".clock").c_str(), "r");
    if (!clock) {
        std::fprintf(stderr, "capture_record: cannot read %s.clock\n", file.c_str());
        return 1;
    }
    std::vector<double> epochs;
    long long now = 0, samples = 0;
    unsigned long long latency = 0;
    while (std::fscanf(clock, "%lld %lld %llu", &now, &samples, &latency) == 3)
        epochs.push_back((static_cast<double>(now) - static_cast<double>(latency) -
                          static_cast<double>(samples) * 1e6 / rate) / 1000.0);
    std::fclose(clock);
    if (epochs.empty()) {
        std::fprintf(stderr, "capture_record: %s.clock holds no reads\n", file.c_str());
        return 1;
    }
    std::nth_element(epochs.begin(), epochs.begin() + epochs.size() / 2, epochs.end());
    std::printf("%.1f\n", epochs[epochs.size() / 2]);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return Usage();
    unsigned rate = 44100;
    if (argc == 5 && std::strcmp(argv[3], "--rate") == 0) rate = static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10));
    else if (argc != 3) return Usage();
    if (rate == 0) return Usage();
    if (std::strcmp(argv[1], "--epoch") == 0) return PrintEpoch(argv[2], rate);

    struct sigaction action = {};
    action.sa_handler = OnStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return Record(argv[1], argv[2], rate);
}
