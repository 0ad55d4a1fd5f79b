// The launcher's sound recording: the streamed WAV file and its header kept
// up to date in place, and the tally of length, peak and silent gaps.
#include "launcher/sound_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t HEADER_BYTES = 44;
constexpr off_t RIFF_SIZE_AT = 4;
constexpr off_t DATA_SIZE_AT = 40;

void Put16(uint8_t* at, uint16_t v)
{
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Writes all of COUNT bytes at the file's position, or as many as the file
// takes before it refuses; how many were written.
size_t WriteAll(int fd, const uint8_t* bytes, size_t count, int& error)
{
    size_t done = 0;
    error = 0;
    while (done < count) {
        const ssize_t n = write(fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
    }
    return done;
}

bool WriteAt(int fd, const uint8_t* bytes, size_t count, off_t at)
{
    size_t done = 0;
    while (done < count) {
        const ssize_t n = pwrite(fd, bytes + done, count - done, at + static_cast<off_t>(done));
        if (n > 0) done += static_cast<size_t>(n);
        else if (!(n < 0 && errno == EINTR)) return false;
    }
    return true;
}

}  // namespace

WavStream::~WavStream()
{
    if (fd_ >= 0) Close();
}

bool WavStream::Fail(const std::string& what)
{
    stopped_ = true;
    if (error_.empty()) error_ = what;
    return false;
}

bool WavStream::Open(const std::string& path, const Format& format)
{
    format_ = format;
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return Fail(std::strerror(errno));
    uint8_t header[HEADER_BYTES] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    Put32(header + 4, 36);
    Put32(header + 16, 16);  // the format chunk's size: plain PCM
    Put16(header + 20, 1);   // PCM
    Put16(header + 22, format.channels);
    Put32(header + 24, format.rate);
    Put32(header + 28, format.rate * format.FrameBytes());
    Put16(header + 32, static_cast<uint16_t>(format.FrameBytes()));
    Put16(header + 34, format.bits);
    std::memcpy(header + 36, "data", 4);
    Put32(header + 40, 0);
    int error = 0;
    if (WriteAll(fd_, header, HEADER_BYTES, error) != HEADER_BYTES) {
        // The path is left as the failed write left it: it may name
        // something that is not the recorder's to remove (a device).
        close(fd_);
        fd_ = -1;
        return Fail(std::strerror(error));
    }
    return true;
}

bool WavStream::Append(const uint8_t* bytes, size_t count)
{
    if (fd_ < 0 || stopped_) return false;
    bool full = false;
    if (written_ + count > MAX_DATA_BYTES) {
        count = static_cast<size_t>(MAX_DATA_BYTES - written_);
        full = true;
    }
    int error = 0;
    written_ += WriteAll(fd_, bytes, count, error);
    if (error != 0) return Fail(std::strerror(error));
    if (full) return Fail("the file holds the most a WAV file can declare (4 GiB)");
    return true;
}

bool WavStream::UpdateHeader()
{
    if (fd_ < 0) return false;
    const uint32_t data = static_cast<uint32_t>(dataBytes());
    uint8_t field[4];
    // The data size first: a copy taken between the two writes then holds a
    // data chunk running past the end its RIFF size gives (readers go by the
    // data chunk's size, all of it in the file), never a RIFF size that counts
    // samples after the data chunk as a further chunk.
    Put32(field, data);
    if (!WriteAt(fd_, field, 4, DATA_SIZE_AT)) return Fail(std::strerror(errno));
    Put32(field, data + 36);
    if (!WriteAt(fd_, field, 4, RIFF_SIZE_AT)) return Fail(std::strerror(errno));
    return true;
}

bool WavStream::Close()
{
    if (fd_ < 0) return false;
    const bool updated = UpdateHeader();
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    if (!closed) return Fail(std::strerror(errno));
    return updated;
}

void SoundTally::Add(const int16_t* samples, size_t count)
{
    for (size_t i = 0; i < count; ++i, ++frames_) {
        const int magnitude = std::abs(int(samples[i]));
        if (magnitude > peak_) peak_ = magnitude;
        if (magnitude <= SILENCE_BAND) continue;
        if (!heard_) {
            heard_ = true;
            firstSound_ = frames_;
        } else if (frames_ - lastSound_ - 1 >= minGap_) {
            ++gaps_;
        }
        lastSound_ = frames_;
    }
}

std::string PeakText(int peak)
{
    if (peak <= 0) return "silent";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", 20.0 * std::log10(peak / 32768.0));
    return text;
}
