// The launcher's sound recording: its WAV file declares no more than it holds
// at every moment, says why it stopped on a full disk and keeps what it had,
// and its tally counts the silences between sounds; the recorder program keeps
// the header within a second of the sound and leaves a playable file when
// killed.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "launcher/sound_file.h"

namespace {

std::string Scratch(const std::string& name)
{
    return ::testing::TempDir() + "sound_file_test_" + std::to_string(getpid()) + "_" + name;
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Get32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// What a WAV reader needs of the file: 16-bit mono PCM at 44100 Hz, a data
// chunk that the file holds whole, and a RIFF size that ends with it. Its
// declared data size, or a failure saying what is wrong.
::testing::AssertionResult PlayableWav(const std::string& path, uint32_t* declared = nullptr)
{
    const auto b = ReadAll(path);
    if (b.size() < 44) return ::testing::AssertionFailure() << path << " holds " << b.size() << " bytes, no header";
    if (std::string(b.begin(), b.begin() + 4) != "RIFF" || std::string(b.begin() + 8, b.begin() + 16) != "WAVEfmt " ||
        std::string(b.begin() + 36, b.begin() + 40) != "data")
        return ::testing::AssertionFailure() << path << " is not laid out as RIFF/WAVE, fmt, data";
    if (Get16(b, 20) != 1 || Get16(b, 22) != 1 || Get32(b, 24) != 44100 || Get32(b, 28) != 88200 ||
        Get16(b, 32) != 2 || Get16(b, 34) != 16)
        return ::testing::AssertionFailure() << path << " does not declare 16-bit mono PCM at 44100 Hz";
    const uint32_t data = Get32(b, 40);
    if (44ull + data > b.size())
        return ::testing::AssertionFailure() << path << " declares " << data << " data bytes but holds "
                                             << b.size() - 44;
    if (Get32(b, 4) != data + 36)
        return ::testing::AssertionFailure() << path << " has RIFF size " << Get32(b, 4) << " for " << data
                                             << " data bytes";
    if (data % 2) return ::testing::AssertionFailure() << path << " declares half a sample";
    if (declared) *declared = data;
    return ::testing::AssertionSuccess();
}

std::vector<uint8_t> Samples(size_t frames, int16_t value)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < frames; ++i) {
        const int16_t v = (i % 2) ? value : static_cast<int16_t>(-value);
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    return bytes;
}

}  // namespace

TEST(WavStream, EveryMomentTheFileIsAWavDeclaringNoMoreThanItHolds)
{
    const std::string path = Scratch("steps.wav");
    WavStream file;
    ASSERT_TRUE(file.Open(path, {}));
    uint32_t declared = 1;
    EXPECT_TRUE(PlayableWav(path, &declared));
    EXPECT_EQ(declared, 0u) << "a new recording declares no sound";
    const auto chunk = Samples(441, 1000);
    for (int step = 1; step <= 5; ++step) {
        ASSERT_TRUE(file.Append(chunk.data(), chunk.size()));
        EXPECT_TRUE(PlayableWav(path, &declared)) << "after append " << step;
        EXPECT_EQ(declared, (step - 1) * chunk.size()) << "before its update the header keeps the last sizes";
        ASSERT_TRUE(file.UpdateHeader());
        EXPECT_TRUE(PlayableWav(path, &declared)) << "after update " << step;
        EXPECT_EQ(declared, step * chunk.size());
    }
    // Half a sample is never declared: it waits for its other byte.
    ASSERT_TRUE(file.Append(chunk.data(), 3));
    ASSERT_TRUE(file.UpdateHeader());
    EXPECT_TRUE(PlayableWav(path, &declared));
    EXPECT_EQ(declared, 5 * chunk.size() + 2);
    EXPECT_NEAR(file.seconds(), (5 * 441 + 1) / 44100.0, 1e-9);
    ASSERT_TRUE(file.Close());
    EXPECT_TRUE(PlayableWav(path));
    unlink(path.c_str());
}

TEST(WavStream, AFullDiskIsSaidAndWhatWasWrittenIsKept)
{
    WavStream full;
    EXPECT_FALSE(full.Open("/dev/full", {})) << "a device with no room takes no header";
    EXPECT_EQ(full.error(), "No space left on device");

    // A disk that fills part-way: the file size limit stands for it, in a
    // child process so that only the recording meets it.
    const std::string path = Scratch("filled.wav");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {44 + 1001, 44 + 1001};
        setrlimit(RLIMIT_FSIZE, &limit);
        WavStream file;
        if (!file.Open(path, {})) _exit(10);
        const auto chunk = Samples(300, 2000);  // 600 bytes: the second append meets the limit
        if (!file.Append(chunk.data(), chunk.size())) _exit(11);
        if (file.Append(chunk.data(), chunk.size())) _exit(12);
        if (file.error() != "File too large") _exit(13);
        if (file.Append(chunk.data(), 2)) _exit(14);  // stopped for good
        if (!file.Close()) _exit(15);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 open, 11 first append, 12 append past the limit succeeded, "
                                         "13 its error, 14 append after the stop, 15 close";
    uint32_t declared = 0;
    EXPECT_TRUE(PlayableWav(path, &declared));
    EXPECT_EQ(declared, 1000u) << "the whole samples that fitted (1001 bytes, the last one half a sample)";
    unlink(path.c_str());
}

TEST(SoundTally, CountsSilencesBetweenSoundsOnlyAndTheLoudestSample)
{
    SoundTally tally(100);
    auto add = [&](size_t frames, int16_t value) {
        std::vector<int16_t> s(frames, value);
        tally.Add(s.data(), s.size());
    };
    add(500, 0);        // before anyone plays: no gap
    add(10, 9000);
    add(100, SoundTally::SILENCE_BAND);  // at the band's edge: silent, and just long enough
    add(10, -20000);
    add(99, 3);         // one frame short of a gap
    add(10, 513);
    add(1000, 0);       // after the last sound: no gap
    EXPECT_EQ(tally.gaps(), 1u);
    EXPECT_EQ(tally.peak(), 20000);
    EXPECT_EQ(tally.frames(), 1729u);
    EXPECT_EQ(tally.firstSoundFrame(), 500u);
    EXPECT_EQ(tally.lastSoundFrame(), 728u);
    add(1, -32768);
    EXPECT_EQ(tally.peak(), 32768);

    SoundTally quiet(100);
    std::vector<int16_t> hush(5000, -2);
    quiet.Add(hush.data(), hush.size());
    EXPECT_FALSE(quiet.heardAnything());
    EXPECT_EQ(quiet.gaps(), 0u);
}

// ---- The recorder program, fed through a pipe as the sound server's client feeds it ----

namespace {

struct Recorder {
    pid_t pid = -1;
    int in = -1;   // its standard input
    int err = -1;  // its standard error
};

Recorder StartRecorder(const std::string& path, rlim_t sizeLimit = RLIM_INFINITY)
{
    int in[2], err[2];
    Recorder r;
    if (pipe(in) != 0 || pipe(err) != 0) return r;
    r.pid = fork();
    if (r.pid == 0) {
        dup2(in[0], 0);
        dup2(err[1], 2);
        close(in[1]);
        close(err[0]);
        const rlimit limit = {sizeLimit, sizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
        execl(QUAVERTON_SOUND_RECORD, QUAVERTON_SOUND_RECORD, path.c_str(), "--say", "run", nullptr);
        _exit(127);
    }
    close(in[0]);
    close(err[1]);
    r.in = in[1];
    r.err = err[0];
    return r;
}

void Feed(const Recorder& r, const std::vector<uint8_t>& bytes)
{
    ASSERT_EQ(write(r.in, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::string ReadErr(const Recorder& r)
{
    std::string text;
    char buf[512];
    ssize_t n;
    fcntl(r.err, F_SETFL, O_NONBLOCK);
    while ((n = read(r.err, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    return text;
}

int Finish(Recorder& r, int signal)
{
    if (signal) kill(r.pid, signal);
    close(r.in);
    int status = 0;
    waitpid(r.pid, &status, 0);
    close(r.err);
    return status;
}

}  // namespace

TEST(SoundRecorder, KeepsTheHeaderWithinASecondAndLeavesAPlayableFileWhenKilled)
{
    const std::string path = Scratch("killed.wav");
    Recorder r = StartRecorder(path);
    ASSERT_GT(r.pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    uint32_t declared = 1;
    EXPECT_TRUE(PlayableWav(path, &declared)) << "the file is made at once";
    EXPECT_EQ(declared, 0u);
    Feed(r, Samples(44100, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_TRUE(PlayableWav(path, &declared));
    EXPECT_EQ(declared, 88200u) << "a second after the samples came, the header counts them all";
    Feed(r, Samples(4410, 5000));
    const int status = Finish(r, SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(PlayableWav(path, &declared)) << "killed, it leaves a WAV file that plays";
    EXPECT_GE(declared, 88200u);
    unlink(path.c_str());
}

TEST(SoundRecorder, SaysAtOnceWhenTheDiskFillsThenReadsOnAndSumsUpWhatItKept)
{
    const std::string path = Scratch("filled-program.wav");
    Recorder r = StartRecorder(path, 44 + 44100);  // room for half a second
    ASSERT_GT(r.pid, 0);
    Feed(r, Samples(44100, 16384));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::string said = ReadErr(r);
    EXPECT_NE(said.find("run: the sound recording in " + path + " stopped at 0.5 s: File too large; the players go on"),
              std::string::npos)
        << said;
    Feed(r, Samples(44100, 16384));  // still read: a writer into it is not held up
    const int status = Finish(r, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "a recording that stopped early ends with status 1";
    uint32_t declared = 0;
    EXPECT_TRUE(PlayableWav(path, &declared));
    EXPECT_EQ(declared, 44100u);
    unlink(path.c_str());

}
