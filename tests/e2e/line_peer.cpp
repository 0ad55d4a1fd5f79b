// The raw peer of the test bed: a Linux process on the far end of the
// program's serial line that writes bytes (with gaps), streams bytes paced at
// a line rate, and logs every byte that arrives with its wall-clock time.

// A pseudo-terminal has no rate of its own: a stream at R bits per second is
// paced by this program at R / 10 bytes per second (8 data bits, a start and
// a stop bit), each byte written when it is due.
//
//   line_peer serve (--own LINK | --open TTY) --commands FIFO --log LOG
//
// --own makes a fresh pseudo-terminal, links LINK to its slave (the program's
// COM port opens that) and holds the master, so it sees the program open and
// close the port: "open MS" and "hangup MS" in the log. --open holds an
// existing terminal, such as one end of a socat pair. Commands, one a line:
//   write TEXT                 one write of TEXT (\r \n \t \\ \" \xNN escapes)
//   pause MS                   nothing for MS milliseconds (reading goes on)
//   stream BPS COUNT [PATTERN] COUNT bytes paced at BPS bits per second;
//                              PATTERN "X" (default) or "records": 80-byte
//                              records "%08u" then 72 '.', one per screen row
//   vanish                     (--own) close the master: the peer goes away
//   return                     (--own) a fresh pseudo-terminal under LINK
//   quit
// Log lines (times are Unix milliseconds):
//   ready MS | rx MS N ESCAPED | tx MS N | open MS | hangup MS | gone MS
//   ESCAPED: the bytes as one word, \ and those outside 0x21..0x7E as \xNN
//   bad write TEXT: WHY                    (a write whose escapes are wrong)
//   streamed MS sent N refused N took MS   (refused: the line was full)
//   total-rx N                             (at quit)
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "launcher/byte_escapes.h"

namespace {

// How often a hung-up line is looked at again: a master whose slave is
// closed reports the hang-up at every poll, so it is not polled in a loop.
constexpr int HANGUP_RECHECK_MS = 5;
// A stream's writes are made at most this far apart; each writes every byte
// that has come due, so the pacing error stays below this.
constexpr int STREAM_TICK_MS = 2;

long long NowMs()
{
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

double NowSeconds()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void MakeRaw(int fd)
{
    termios t;
    if (tcgetattr(fd, &t) != 0) return;
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

class Peer {
public:
    Peer(int line, bool ownsMaster, FILE* log) : line_(line), ownsMaster_(ownsMaster), log_(log) {}

    void Log(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list ap;
        va_start(ap, format);
        std::vfprintf(log_, format, ap);
        va_end(ap);
        std::fputc('\n', log_);
        std::fflush(log_);
    }

    // Takes whatever has arrived and notes a hang-up or a fresh open; waits
    // at most timeoutMs for something to happen on the line or on fd.
    // Returns whether fd became readable.
    bool Service(int timeoutMs, int fd = -1)
    {
        if (line_ < 0) {
            pollfd c = {fd, POLLIN, 0};
            poll(&c, fd >= 0 ? 1 : 0, timeoutMs);
            return fd >= 0 && (c.revents & POLLIN);
        }
        pollfd p[2] = {{line_, POLLIN, 0}, {fd, POLLIN, 0}};
        const int n = poll(p, fd >= 0 ? 2 : 1, hungUp_ ? 0 : timeoutMs);
        if (n < 0) return false;
        if (p[0].revents & POLLIN) ReadArrived();
        const bool hup = (p[0].revents & POLLHUP) && !(p[0].revents & POLLIN);
        if (hup != hungUp_ && ownsMaster_) {
            hungUp_ = hup;
            Log(hup ? "hangup %lld" : "open %lld", NowMs());
        }
        if (hungUp_) {
            // Nothing to read from a hung-up master; wait on the commands alone.
            pollfd c = {fd, POLLIN, 0};
            if (fd >= 0) poll(&c, 1, std::min(timeoutMs, HANGUP_RECHECK_MS));
            else usleep(std::min(timeoutMs, HANGUP_RECHECK_MS) * 1000);
            return fd >= 0 && (c.revents & POLLIN);
        }
        return fd >= 0 && (p[1].revents & POLLIN);
    }

    void Pause(int ms)
    {
        const double end = NowSeconds() + ms / 1000.0;
        for (double now = NowSeconds(); now < end; now = NowSeconds())
            Service(static_cast<int>((end - now) * 1000) + 1);
    }

    void Write(const std::string& bytes)
    {
        size_t done = 0;
        const double give_up = NowSeconds() + 5;
        while (done < bytes.size() && NowSeconds() < give_up) {
            const ssize_t n = write(line_, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += static_cast<size_t>(n);
            else Service(STREAM_TICK_MS);
        }
        Log("tx %lld %zu", NowMs(), done);
    }

    void Stream(double bitsPerSecond, unsigned long count, bool records)
    {
        const double bytesPerSecond = bitsPerSecond / 10.0;
        const double start = NowSeconds();
        unsigned long sent = 0, refused = 0;
        char record[81];
        while (sent + refused < count) {
            unsigned long due = static_cast<unsigned long>((NowSeconds() - start) * bytesPerSecond) + 1;
            if (due > count) due = count;
            while (sent + refused < due) {
                const unsigned long at = sent + refused;
                unsigned char byte = 'X';
                if (records) {
                    std::snprintf(record, sizeof record, "%08lu", at / 80);
                    byte = at % 80 < 8 ? record[at % 80] : '.';
                }
                if (write(line_, &byte, 1) == 1) ++sent;
                else ++refused;  // a full line (or none): the byte is lost, as on a real line
            }
            Service(STREAM_TICK_MS);
        }
        Log("streamed %lld sent %lu refused %lu took %.0f", NowMs(), sent, refused, (NowSeconds() - start) * 1000);
    }

    // The far end closes its side of the line, or comes back as a new one.
    void Vanish()
    {
        close(line_);
        line_ = -1;
        Log("gone %lld", NowMs());
    }
    void Return(int line)
    {
        line_ = line;
        hungUp_ = false;
        Log("ready %lld", NowMs());
    }

    void Quit() { Log("total-rx %lu", totalRx_); }

private:
    void ReadArrived()
    {
        unsigned char buffer[4096];
        const ssize_t n = read(line_, buffer, sizeof buffer);
        if (n <= 0) return;
        totalRx_ += static_cast<unsigned long>(n);
        const std::string bytes(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
        Log("rx %lld %zd %s", NowMs(), n, EscapeBytes(bytes, WORD_ESCAPES).c_str());
    }

    int line_;
    bool ownsMaster_;
    FILE* log_;
    bool hungUp_ = false;
    unsigned long totalRx_ = 0;
};

// A fresh pseudo-terminal, raw, with LINK naming its slave; the master's fd.
int MakeOwnLine(const std::string& link)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
    const char* slave = ptsname(master);
    if (!slave) return -1;
    // The slave's settings stay with the terminal after this open is closed.
    const int s = open(slave, O_RDWR | O_NOCTTY);
    if (s < 0) return -1;
    MakeRaw(s);
    close(s);
    unlink(link.c_str());
    if (symlink(slave, link.c_str()) != 0) return -1;
    return master;
}

// Runs commands from the FIFO until "quit" (or the FIFO's last writer goes).
int Serve(Peer& peer, int commands, const std::string& own)
{
    std::string pending;
    for (;;) {
        if (!peer.Service(50, commands)) continue;
        char buffer[1024];
        const ssize_t n = read(commands, buffer, sizeof buffer);
        if (n <= 0) continue;
        pending.append(buffer, static_cast<size_t>(n));
        size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            const size_t space = line.find(' ');
            const std::string verb = line.substr(0, space);
            const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
            std::string bytes, why;
            if (verb == "write") {
                if (UnescapeBytes(rest, &bytes, &why)) peer.Write(bytes);
                else peer.Log("bad write %s: %s", rest.c_str(), why.c_str());
            } else if (verb == "pause") {
                peer.Pause(std::atoi(rest.c_str()));
            } else if (verb == "stream") {
                double bps = 0;
                unsigned long count = 0;
                char pattern[16] = "X";
                std::sscanf(rest.c_str(), "%lf %lu %15s", &bps, &count, pattern);
                if (bps > 0) peer.Stream(bps, count, std::strcmp(pattern, "records") == 0);
            } else if (verb == "vanish" && !own.empty()) {
                peer.Vanish();
            } else if (verb == "return" && !own.empty()) {
                const int line = MakeOwnLine(own);
                if (line >= 0) peer.Return(line);
                else peer.Log("cannot return: %s", std::strerror(errno));
            } else if (verb == "quit") {
                peer.Quit();
                return 0;
            } else {
                peer.Log("unknown %s", line.c_str());
            }
        }
    }
}

int Usage()
{
    std::fprintf(stderr, "usage: line_peer serve (--own LINK | --open TTY) --commands FIFO --log LOG\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "serve") != 0) return Usage();
    std::string own, tty, fifo, logPath;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--own") own = argv[i + 1];
        else if (name == "--open") tty = argv[i + 1];
        else if (name == "--commands") fifo = argv[i + 1];
        else if (name == "--log") logPath = argv[i + 1];
        else return Usage();
    }
    if (own.empty() == tty.empty() || fifo.empty() || logPath.empty()) return Usage();
    FILE* log = std::fopen(logPath.c_str(), "a");
    if (!log) return 1;
    int line = -1;
    if (!own.empty()) {
        line = MakeOwnLine(own);
    } else {
        line = open(tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (line >= 0) MakeRaw(line);
    }
    if (line < 0) {
        std::fprintf(stderr, "line_peer: cannot hold the line: %s\n", std::strerror(errno));
        return 1;
    }
    // Opened for reading and writing, the FIFO never reports an end of file
    // between two writers, and the open does not wait for one.
    const int commands = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    if (commands < 0) return 1;
    Peer peer(line, !own.empty(), log);
    peer.Log("ready %lld", NowMs());
    return Serve(peer, commands, own);
}
