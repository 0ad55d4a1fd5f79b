// The launcher's recording of what the players hear: a WAV file written as the
// sound arrives, whose header always declares no more than the file holds, and
// a running tally of the recorded sound (its length, peak and silent gaps).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A PCM WAV file written as a stream: the 44-byte header first, with sizes of
// 0, then the samples as they come. UpdateHeader() writes the size of the
// whole frames written so far into the RIFF and data sizes (in place, so it
// needs no more room on a full disk); between updates the file is a valid
// WAV whose header declares fewer bytes than follow it.
class WavStream {
public:
    struct Format {
        uint32_t rate = 44100;
        uint16_t channels = 1;
        uint16_t bits = 16;
        uint32_t FrameBytes() const { return channels * ((bits + 7u) / 8u); }
    };
    // The most data bytes a WAV file can declare: its RIFF size is 32 bits and
    // counts the 36 header bytes after it.
    static constexpr uint64_t MAX_DATA_BYTES = 0xFFFFFFFFull - 36;

    WavStream() = default;
    WavStream(const WavStream&) = delete;
    WavStream& operator=(const WavStream&) = delete;
    ~WavStream();

    // Creates or empties PATH and writes the header; false, with error(), when
    // it cannot.
    bool Open(const std::string& path, const Format& format);
    // Writes the samples after what came before. False once any write has
    // failed (a full disk, a file size limit) or the file has reached
    // MAX_DATA_BYTES: from then on nothing more is written, and the file keeps
    // what was written before.
    bool Append(const uint8_t* bytes, size_t count);
    // The header's sizes brought up to the whole frames written.
    bool UpdateHeader();
    // UpdateHeader, then the file closed.
    bool Close();

    bool stopped() const { return stopped_; }
    // What the header declares once brought up to date.
    uint64_t dataBytes() const { return written_ - written_ % format_.FrameBytes(); }
    double seconds() const { return double(dataBytes()) / (double(format_.rate) * format_.FrameBytes()); }
    const std::string& error() const { return error_; }

private:
    bool Fail(const std::string& what);

    int fd_ = -1;
    Format format_;
    uint64_t written_ = 0;
    bool stopped_ = false;
    std::string error_;
};

// What a listener would say of a recording of signed 16-bit mono samples: how
// long it is, its loudest sample, and how often the music stops. A gap of
// silence is a stretch of at least minGapFrames samples within the silence
// band between two sounds (the silence before the first sound and after the
// last are not gaps: nobody had played yet, or everyone had stopped).
class SoundTally {
public:
    // Silence is within 2 steps of the middle at 8 bits, the players' output
    // (dither-free 8-bit sound idles exactly at its middle; 2 steps leaves room
    // for the server's rounding when it mixes them).
    static constexpr int SILENCE_BAND = 2 * 256;

    explicit SoundTally(uint64_t minGapFrames) : minGap_(minGapFrames) {}

    void Add(const int16_t* samples, size_t count);

    uint64_t frames() const { return frames_; }
    int peak() const { return peak_; }  // the largest magnitude, 0 to 32768
    uint64_t gaps() const { return gaps_; }
    bool heardAnything() const { return heard_; }
    uint64_t firstSoundFrame() const { return firstSound_; }
    uint64_t lastSoundFrame() const { return lastSound_; }

private:
    uint64_t minGap_;
    uint64_t frames_ = 0;
    int peak_ = 0;
    uint64_t gaps_ = 0;
    bool heard_ = false;
    uint64_t firstSound_ = 0;
    uint64_t lastSound_ = 0;  // the last sounding frame
};

// The peak as a person reads it on a meter: decibels below full scale (0 dB
// is the loudest a 16-bit sample can be), one decimal; "silent" for 0.
std::string PeakText(int peak);
