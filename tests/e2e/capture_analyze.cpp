// Reads a capture of what the program played (raw 8-bit unsigned mono, as
// parec --format=u8 --channels=1 --raw writes it) and prints what a listener
// would note: where each sound starts, its pitch, and any drop-outs.

//   capture_analyze CAPTURE [--ref-hz F]      one line per sound, then "sounds N"
//   capture_analyze CAPTURE --gaps            drop-outs inside the sounding stretch
//   capture_analyze CAPTURE --changes         how many samples from --from to --to move by
//                                             more than the tolerance from the one before,
//                                             and when the first does: any sound in any format
// Options: --rate R (44100)  --tolerance N (2)  --min-silence-ms MS (20)
//          --level-only (silence is the level alone: a drop-out held away from
//          128 is sound, as the launcher's recording summary counts it)
//          --skip-ms MS (5)  --window-ms MS (100)  --gap-ms MS (2)
//          --from MS --to MS (the stretch --gaps looks at; default first to last sound)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/e2e/capture_analysis.h"

namespace {

struct Options {
    std::string capture;
    double rate = 44100.0;
    double refHz = 0.0;
    e2e::SilenceRule silence;
    // The pitch is measured from skipMs after the onset (past any click of
    // the start) over windowMs, or to the end of the sound if it is shorter:
    // 100 ms holds 44 periods of a 441 Hz tone, enough for 0.05 % accuracy.
    double skipMs = 5.0;
    double windowMs = 100.0;
    bool gaps = false;
    bool changes = false;
    // A held value of 2 ms is a drop-out: the flat top of the slowest tone
    // the voices play (a 441 Hz bank at half speed) lasts well under 0.5 ms.
    double gapMs = 2.0;
    double fromMs = -1.0;
    double toMs = -1.0;
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: capture_analyze CAPTURE [--ref-hz F] [--gaps] [--changes] [--rate R] [--tolerance N]\n"
                 "       [--min-silence-ms MS] [--skip-ms MS] [--window-ms MS] [--gap-ms MS]\n"
                 "       [--from MS] [--to MS] [--level-only]\n");
    return 2;
}

bool ReadOptions(int argc, char** argv, Options& o)
{
    if (argc < 2) return false;
    o.capture = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--gaps" || name == "--changes") {
            (name == "--gaps" ? o.gaps : o.changes) = true;
            continue;
        }
        if (name == "--level-only") {
            o.silence.dropOutsSilent = false;
            continue;
        }
        if (i + 1 >= argc) return false;
        const double v = std::strtod(argv[++i], nullptr);
        if (name == "--ref-hz") o.refHz = v;
        else if (name == "--rate") o.rate = v;
        else if (name == "--tolerance") o.silence.tolerance = static_cast<int>(v);
        else if (name == "--min-silence-ms") o.silence.minSilenceMs = v;
        else if (name == "--skip-ms") o.skipMs = v;
        else if (name == "--window-ms") o.windowMs = v;
        else if (name == "--gap-ms") o.gapMs = v;
        else if (name == "--from") o.fromMs = v;
        else if (name == "--to") o.toMs = v;
        else return false;
    }
    return true;
}

size_t ToSamples(double ms, double rate) { return static_cast<size_t>(ms * rate / 1000.0 + 0.5); }
double ToMs(size_t samples, double rate) { return static_cast<double>(samples) * 1000.0 / rate; }

int PrintSounds(const e2e::Samples& s, const Options& o)
{
    const auto sounds = e2e::FindSounds(s, o.rate, o.silence);
    for (const e2e::Sound& sound : sounds) {
        const size_t from = sound.start + ToSamples(o.skipMs, o.rate);
        const size_t to = std::min(sound.end, from + ToSamples(o.windowMs, o.rate));
        const double hz = from < to ? e2e::DominantFrequency(s, from, to, o.rate) : 0.0;
        std::printf("onset %.1f end %.1f freq %.2f", ToMs(sound.start, o.rate), ToMs(sound.end, o.rate), hz);
        if (o.refHz > 0) std::printf(" ratio %.4f", hz / o.refHz);
        std::printf("\n");
    }
    std::printf("sounds %zu\n", sounds.size());
    return 0;
}

int PrintGaps(const e2e::Samples& s, const Options& o)
{
    const auto sounds = e2e::FindSounds(s, o.rate, o.silence);
    size_t from = o.fromMs >= 0 ? ToSamples(o.fromMs, o.rate) : (sounds.empty() ? 0 : sounds.front().start);
    size_t to = o.toMs >= 0 ? ToSamples(o.toMs, o.rate) : (sounds.empty() ? 0 : sounds.back().end);
    to = std::min(to, s.size());
    from = std::min(from, to);
    const auto gaps = e2e::FindGaps(s, from, to, ToSamples(o.gapMs, o.rate));
    for (const e2e::Gap& g : gaps)
        std::printf("gap %.1f length %.1f value %d\n", ToMs(g.start, o.rate), ToMs(g.length, o.rate), s[g.start]);
    std::printf("gaps %zu from %.1f to %.1f\n", gaps.size(), ToMs(from, o.rate), ToMs(to, o.rate));
    return 0;
}

// A stream whose samples are not 8-bit mono (the format file can make them
// anything) is not silent at 128 when idle, but it is still steady.
int PrintChanges(const e2e::Samples& s, const Options& o)
{
    const size_t to = o.toMs >= 0 ? std::min(s.size(), ToSamples(o.toMs, o.rate)) : s.size();
    size_t count = 0, first = 0;
    for (size_t i = std::max<size_t>(1, ToSamples(std::max(0.0, o.fromMs), o.rate)); i < to; ++i) {
        if (std::abs(int(s[i]) - int(s[i - 1])) <= o.silence.tolerance) continue;
        if (count++ == 0) first = i;
    }
    if (count == 0) std::printf("changes 0 first none\n");
    else std::printf("changes %zu first %.1f\n", count, ToMs(first, o.rate));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!ReadOptions(argc, argv, o)) return Usage();
    e2e::Samples samples;
    if (!e2e::ReadCapture(o.capture, samples)) {
        std::fprintf(stderr, "capture_analyze: cannot read %s\n", o.capture.c_str());
        return 1;
    }
    if (o.changes) return PrintChanges(samples, o);
    return o.gaps ? PrintGaps(samples, o) : PrintSounds(samples, o);
}
