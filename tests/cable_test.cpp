// The launcher's cable (quaverton-cable link), run as the launcher runs it:
// two pseudo-terminals named by links, bytes written into one end come out of
// the other, paced at the sending end's line rate.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class CableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quaverton-cable-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            const std::string a = dir_ + "/A", b = dir_ + "/B";
            execl(QUAVERTON_CABLE, QUAVERTON_CABLE, "link", a.c_str(), b.c_str(), nullptr);
            _exit(127);
        }
        close(out[1]);
        char ready[6] = {};
        ASSERT_EQ(read(out[0], ready, 6), 6) << "the cable says ready";
        ASSERT_EQ(std::string(ready, 6), "ready\n");
        close(out[0]);
        a_ = OpenEnd("A");
        b_ = OpenEnd("B");
    }
    void TearDown() override
    {
        if (a_ >= 0) close(a_);
        if (b_ >= 0) close(b_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        rmdir(dir_.c_str());
    }
    // An end opened as a serial program opens it: raw, without waiting.
    int OpenEnd(const char* name)
    {
        const int fd = open((dir_ + "/" + name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t;
        if (fd >= 0 && tcgetattr(fd, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(fd, TCSANOW, &t);
        }
        return fd;
    }
    // The next byte out of fd, or -1 if none comes within timeoutMs.
    static int NextByte(int fd, int timeoutMs)
    {
        pollfd p = {fd, POLLIN, 0};
        unsigned char c;
        if (poll(&p, 1, timeoutMs) != 1 || read(fd, &c, 1) != 1) return -1;
        return c;
    }

    std::string dir_;
    pid_t pid_ = -1;
    int a_ = -1, b_ = -1;
};

// At 230400 bit/s each byte falls due 43 us after it was read, so the cable
// often finds a byte not yet due when it looks at the time and due a moment
// later: every such byte must still leave at once, not when the other side
// next writes.
TEST_F(CableTest, EveryLoneByteArrivesWithoutAnotherBehindIt)
{
    termios t;
    ASSERT_EQ(tcgetattr(b_, &t), 0);
    cfsetspeed(&t, B230400);
    ASSERT_EQ(tcsetattr(b_, TCSANOW, &t), 0);
    for (int n = 0; n < 2000; ++n) {
        const unsigned char sent = static_cast<unsigned char>(n * 7);
        ASSERT_EQ(write(b_, &sent, 1), 1);
        ASSERT_EQ(NextByte(a_, 3000), sent) << "byte " << n << " within 3 s";
    }
    // And the other way, at the rate the cable gave A (38400 bit/s).
    const std::string text = "the far end writes back";
    ASSERT_EQ(write(a_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    std::string got;
    for (int c; got.size() < text.size() && (c = NextByte(b_, 3000)) >= 0;) got += static_cast<char>(c);
    EXPECT_EQ(got, text);
}

}  // namespace
