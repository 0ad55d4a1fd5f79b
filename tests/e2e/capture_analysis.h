// Reading what the program played, from a capture of raw 8-bit unsigned mono
// samples (128 silent): where each sound starts after silence, its frequency,
// and drop-outs (the stream holding one value) inside a sustained sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

using Samples = std::vector<uint8_t>;

// What counts as silence: samples within `tolerance` of 128, or, with
// `dropOutsSilent`, held at one value for 2 ms or more (a drop-out, as
// FindGaps finds them, at any level: the device playing nothing new),
// lasting at least `minSilenceMs` (a pure tone passes through 128 twice a
// period, for a sample or two, which must not end the sound).
struct SilenceRule {
    int tolerance = 2;
    double minSilenceMs = 20.0;
    bool dropOutsSilent = true;
};

// One sound: from its first sample outside the silence band to just after
// its last one, as sample indices.
struct Sound {
    size_t start = 0;
    size_t end = 0;
};

// Every sound, in order. A sound at the very start of the capture counts as
// starting there.
std::vector<Sound> FindSounds(const Samples& s, double rate, const SilenceRule& rule);

// The dominant frequency of samples [from, to) in hertz: the mean of the
// periods between upward crossings of the stretch's mean level (crossings
// placed between samples by linear interpolation), leaving out periods more
// than 10 % off the median, which a drop-out stretches. The level crossed is
// that of the samples outside drop-outs. 0 when the stretch holds fewer than
// two whole periods.
double DominantFrequency(const Samples& s, size_t from, size_t to, double rate);

// A run of exactly equal samples.
struct Gap {
    size_t start = 0;
    size_t length = 0;
};

// Runs of at least minRun equal samples between `from` and `to` (sample
// indices). Inside a sustained tone a healthy stream never holds a value for
// long (the flat top of a 441 Hz tone lasts a few samples), so every such run
// is a moment the device played nothing new.
std::vector<Gap> FindGaps(const Samples& s, size_t from, size_t to, size_t minRun);

// Reads a whole capture file; false if it cannot be read. A mono PCM WAV file
// (8 or 16 bits, such as the launcher's sound recording) gives its data as
// 8-bit samples, 16-bit ones by their upper byte; any other file is taken as
// raw 8-bit samples.
bool ReadCapture(const std::string& path, Samples& out);

}  // namespace e2e
