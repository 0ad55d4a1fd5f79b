// The launcher's sound recorder, a Linux program:
//
//   quaverton-sound-record FILE [--rate HZ] [--say NAME]
//
// Reads signed 16-bit little-endian mono samples at HZ (44100) on standard
// input, as the sound server's recording client writes them, and keeps them
// in FILE, a PCM WAV file. FILE is made at once, a valid WAV holding nothing,
// so that an unwritable path is said before anyone plays; from then on the
// header's sizes are brought up to what has been written every half second
// while samples come and at the end, so a copy of FILE taken at any moment,
// or FILE as a recorder ended by SIGKILL leaves it, is a WAV file that plays.
// It runs until standard input ends or SIGINT, SIGTERM or SIGHUP, then prints
// one line: the file's length, its peak level and how many gaps of silence
// (half a second or more between two sounds) it holds.
//
// When FILE cannot be written (a full disk, a file size limit), it says so at
// once on standard error, keeps what was written, and goes on reading its
// input to the end, so the sound server's client and whatever plays are not
// disturbed. Its messages begin with NAME (quaverton-sound-record) and a colon.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "launcher/sound_file.h"

namespace {

// Half a second between header updates keeps a copy at most that far behind
// the sound, well inside the second a person may expect.
constexpr double HEADER_PERIOD_S = 0.5;
constexpr double MIN_GAP_S = 0.5;

volatile sig_atomic_t gStop = 0;
void OnStop(int) { gStop = 1; }

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

int Usage()
{
    std::fprintf(stderr, "usage: quaverton-sound-record FILE [--rate HZ] [--say NAME]\n");
    return 2;
}

std::string Seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return Usage();
    const std::string path = argv[1];
    std::string say = "quaverton-sound-record";
    WavStream::Format format;
    for (int i = 2; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return Usage();
        if (name == "--rate") {
            const long rate = std::strtol(argv[++i], nullptr, 10);
            if (rate < 1000 || rate > 768000) return Usage();
            format.rate = static_cast<uint32_t>(rate);
        } else if (name == "--say") {
            say = argv[++i];
        } else {
            return Usage();
        }
    }

    struct sigaction stop = {};
    stop.sa_handler = OnStop;  // no SA_RESTART: a blocked poll returns at once
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);

    WavStream file;
    bool writing = file.Open(path, format);
    if (!writing)
        std::fprintf(stderr, "%s: cannot record the sound in %s: %s; the players go on without a recording\n",
                     say.c_str(), path.c_str(), file.error().c_str());
    SoundTally tally(static_cast<uint64_t>(MIN_GAP_S * format.rate));

    std::vector<uint8_t> buffer(65536);
    std::vector<int16_t> samples(buffer.size() / 2);
    size_t carried = 0;  // an odd byte waiting for the other half of its sample
    double nextUpdate = Now() + HEADER_PERIOD_S;
    bool fresh = false;  // samples written since the last header update
    while (!gStop) {
        const int wait = static_cast<int>((nextUpdate - Now()) * 1000) + 1;
        pollfd in = {STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&in, 1, wait > 0 ? wait : 0);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0) {
            const ssize_t n = read(STDIN_FILENO, buffer.data() + carried, buffer.size() - carried);
            if (n == 0) break;
            if (n < 0 && errno != EINTR && errno != EAGAIN) break;
            const size_t have = carried + static_cast<size_t>(n > 0 ? n : 0);
            const size_t whole = have - have % 2;
            if (writing) {
                const uint64_t before = file.dataBytes();
                writing = file.Append(buffer.data(), whole);
                const uint64_t kept = file.dataBytes() - before;
                for (size_t i = 0; i < kept / 2; ++i)
                    samples[i] = static_cast<int16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
                tally.Add(samples.data(), kept / 2);
                fresh = fresh || kept > 0;
                if (!writing) {
                    file.UpdateHeader();
                    std::fprintf(stderr,
                                 "%s: the sound recording in %s stopped at %s: %s; the players go on, "
                                 "and the file keeps what was recorded before\n",
                                 say.c_str(), path.c_str(), Seconds(file.seconds()).c_str(), file.error().c_str());
                }
            }
            carried = have - whole;
            if (carried) buffer[0] = buffer[whole];
        }
        if (Now() >= nextUpdate) {
            if (fresh && writing) file.UpdateHeader();
            fresh = false;
            nextUpdate = Now() + HEADER_PERIOD_S;
        }
    }
    if (file.seconds() > 0 || writing) {
        file.Close();
        const uint64_t gaps = tally.gaps();
        std::printf("%s: the sound was recorded in %s: %s, peak %s, %llu gap%s of silence (half a second or more)\n",
                    say.c_str(), path.c_str(), Seconds(file.seconds()).c_str(), PeakText(tally.peak()).c_str(),
                    static_cast<unsigned long long>(gaps), gaps == 1 ? "" : "s");
    }
    return writing ? 0 : 1;
}
