// The virtual serial cable of the launcher, a Linux program:
//
//   quaverton-cable link LINK_A LINK_B [--record FILE]
//       A null-modem cable between two pseudo-terminals, named by the links
//       LINK_A and LINK_B (each player's COM port opens one): every byte
//       written into one end comes out of the other, unchanged, paced as a
//       real line would carry it at the rate, data bits, parity and stop bits
//       the sending end set. With --record, every write that crosses it is
//       logged with its time and side.
//   quaverton-cable replay FILE LINK [--side A|B] [--lead-in MS] [--record OUT]
//       The recorded partner: each time the program opens the pseudo-terminal
//       LINK, the writes that side (B unless told) made in the record FILE are
//       written into the line again with their recorded timing, the first one
//       MS (1000) after the open. What the program sends is taken and, with
//       --record, logged. After each pass it prints how late the writes were.
//
// Both print "ready" once their links exist and run until SIGINT or SIGTERM,
// when they remove the links. The record format is described in
// launcher/line_record.h.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "launcher/line_record.h"

namespace {

// What may wait for an end that is not reading (its player not connected):
// beyond this the oldest bytes are dropped, as a real line would lose them.
constexpr size_t MAX_QUEUED_BYTES = 64 * 1024;
// A hung-up end (its port closed) reports the hang-up at every poll, so it is
// looked at again only this often.
constexpr int HANGUP_RECHECK_MS = 5;
constexpr int DEFAULT_LEAD_IN_MS = 1000;

volatile std::sig_atomic_t gStop = 0;

void OnStop(int) { gStop = 1; }

double NowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

int Fail(const std::string& why)
{
    std::fprintf(stderr, "quaverton-cable: %s\n", why.c_str());
    return 1;
}

// One end of the cable: a pseudo-terminal whose slave is named by a link in
// the file system, and whose master this program reads and writes.
class PtyEnd {
public:
    ~PtyEnd()
    {
        if (!link_.empty()) unlink(link_.c_str());
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
    }

    // holdSlave keeps the slave open here too, so the end never hangs up
    // (and its opens and closes by the program cannot be seen).
    bool Open(const std::string& link, bool holdSlave, std::string* error)
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            *error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        const char* slaveName = ptsname(master_);
        const int slave = slaveName ? open(slaveName, O_RDWR | O_NOCTTY) : -1;
        if (slave < 0) {
            *error = std::string("cannot open the pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        termios t;
        if (tcgetattr(slave, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(slave, TCSANOW, &t);
        }
        if (holdSlave) slave_ = slave;
        else close(slave);
        struct stat st;
        if (lstat(link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                *error = link + " exists and is not a link";
                return false;
            }
            unlink(link.c_str());  // left by an earlier run that was killed
        }
        if (symlink(slaveName, link.c_str()) != 0) {
            *error = "cannot make " + link + ": " + std::strerror(errno);
            return false;
        }
        link_ = link;
        return true;
    }

    int fd() const { return master_; }

    // Reads what has arrived; false when nothing could be read.
    bool Read(std::string* out)
    {
        char buffer[4096];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) return false;
        out->assign(buffer, static_cast<size_t>(n));
        return true;
    }

    // How long one character takes on a real line at the settings the
    // program gave its port: a start bit, the data bits, a parity bit if
    // any and the stop bits, at the rate. 0 when that cannot be seen (no
    // slave held here, or a rate of 0).
    double CharacterMs() const
    {
        termios t;
        if (slave_ < 0 || tcgetattr(slave_, &t) != 0) return 0;
        const speed_t code = cfgetospeed(&t);
        const double rate = BitsPerSecond(code);
        if (rate <= 0) return 0;
        const tcflag_t size = t.c_cflag & CSIZE;
        const int dataBits = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
        const int bits = 1 + dataBits + ((t.c_cflag & PARENB) ? 1 : 0) + ((t.c_cflag & CSTOPB) ? 2 : 1);
        return bits * 1000.0 / rate;
    }

    // Queues bytes to be written into this end, each due one character time
    // after the one before it (all at once with characterMs 0), and writes
    // what is due.
    void Send(const std::string& bytes, double characterMs)
    {
        const double now = NowMs();
        for (char c : bytes) {
            lastDue_ = std::max(now, lastDue_) + characterMs;
            queue_.push_back({lastDue_, c});
        }
        while (queue_.size() > MAX_QUEUED_BYTES) queue_.pop_front();
        Flush();
    }

    // Writes every byte that is due, as far as the line takes them now.
    void Flush()
    {
        const double now = NowMs();
        std::string due;
        for (const auto& [when, c] : queue_) {
            if (when > now) break;
            due += c;
        }
        if (due.empty()) return;
        const ssize_t n = write(master_, due.data(), due.size());
        if (n > 0) queue_.erase(queue_.begin(), queue_.begin() + n);
    }

    bool Pending() const { return !queue_.empty(); }
    // Milliseconds until the next queued byte is due (0 if it is; -1 for none).
    int MsToNextDue() const
    {
        if (queue_.empty()) return -1;
        return std::max(0, static_cast<int>(std::ceil(queue_.front().first - NowMs())));
    }

private:
    static double BitsPerSecond(speed_t code)
    {
        static const std::pair<speed_t, double> rates[] = {
            {B50, 50},       {B75, 75},       {B110, 110},     {B134, 134.5},   {B150, 150},
            {B200, 200},     {B300, 300},     {B600, 600},     {B1200, 1200},   {B1800, 1800},
            {B2400, 2400},   {B4800, 4800},   {B9600, 9600},   {B19200, 19200}, {B38400, 38400},
            {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
        for (const auto& [c, rate] : rates)
            if (c == code) return rate;
        return 0;
    }

    int master_ = -1;
    int slave_ = -1;
    std::string link_;
    std::deque<std::pair<double, char>> queue_;  // bytes with the time each is due
    double lastDue_ = 0;
};

class Recorder {
public:
    bool Open(const std::string& path, std::string* error)
    {
        if (path.empty()) return true;
        file_ = std::fopen(path.c_str(), "w");
        if (!file_) {
            *error = "cannot write " + path + ": " + std::strerror(errno);
            return false;
        }
        std::fprintf(file_, "%s\n# <ms since the start> <side that wrote: A or B> \"<bytes>\"\n", RECORD_HEADER);
        std::fflush(file_);
        start_ = NowMs();
        return true;
    }
    ~Recorder()
    {
        if (file_) std::fclose(file_);
    }
    void Note(char side, const std::string& bytes)
    {
        if (!file_) return;
        LineEvent event;
        event.ms = NowMs() - start_;
        event.side = side;
        event.bytes = bytes;
        std::fprintf(file_, "%s\n", FormatEvent(event).c_str());
        std::fflush(file_);
    }

private:
    std::FILE* file_ = nullptr;
    double start_ = 0;
};

void Ready()
{
    std::printf("ready\n");
    std::fflush(stdout);
}

// What to wait for on an end: what arrives, and room for bytes already due.
pollfd Watch(const PtyEnd& end)
{
    return {end.fd(), static_cast<short>(POLLIN | (end.MsToNextDue() == 0 ? POLLOUT : 0)), 0};
}

// The poll time-out: until the next queued byte falls due (bytes already due
// wait for room instead), or none.
int NextWake(const PtyEnd& a, const PtyEnd& b)
{
    int wake = -1;
    for (int t : {a.MsToNextDue(), b.MsToNextDue()})
        if (t > 0 && (wake < 0 || t < wake)) wake = t;
    return wake;
}

int Link(const std::string& linkA, const std::string& linkB, const std::string& recordPath)
{
    PtyEnd a, b;
    Recorder recorder;
    std::string error;
    if (!a.Open(linkA, true, &error) || !b.Open(linkB, true, &error) || !recorder.Open(recordPath, &error))
        return Fail(error);
    Ready();
    while (!gStop) {
        pollfd p[2] = {Watch(a), Watch(b)};
        if (poll(p, 2, NextWake(a, b)) < 0) continue;  // a signal
        std::string bytes;
        if ((p[0].revents & POLLIN) && a.Read(&bytes)) {
            recorder.Note('A', bytes);
            b.Send(bytes, a.CharacterMs());
        }
        if ((p[1].revents & POLLIN) && b.Read(&bytes)) {
            recorder.Note('B', bytes);
            a.Send(bytes, b.CharacterMs());
        }
        a.Flush();
        b.Flush();
    }
    return 0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Waits for something on the line for up to timeoutMs; takes (and records)
// what the program sent; returns whether the line is open (not hung up).
bool ServeLine(PtyEnd& end, Recorder& recorder, char programSide, int timeoutMs)
{
    pollfd p = {end.fd(), static_cast<short>(POLLIN | (end.Pending() ? POLLOUT : 0)), 0};
    if (poll(&p, 1, std::max(timeoutMs, 0)) < 0) return true;
    std::string bytes;
    if ((p.revents & POLLIN) && end.Read(&bytes)) recorder.Note(programSide, bytes);
    end.Flush();
    if ((p.revents & POLLHUP) && !(p.revents & POLLIN)) {
        usleep(HANGUP_RECHECK_MS * 1000);
        return false;
    }
    return true;
}

int Replay(const std::string& recordPath, const std::string& link, char side, int leadInMs,
           const std::string& outPath)
{
    std::ifstream in(recordPath);
    if (!in) return Fail("cannot read " + recordPath);
    std::vector<LineEvent> events, partner;
    std::string error;
    if (!ReadRecord(in, &events, &error)) return Fail(recordPath + ": " + error);
    for (const LineEvent& e : events)
        if (e.side == side) partner.push_back(e);
    if (partner.empty()) return Fail(recordPath + std::string(": side ") + side + " wrote nothing");

    PtyEnd end;
    Recorder recorder;
    if (!end.Open(link, false, &error) || !recorder.Open(outPath, &error)) return Fail(error);
    const char programSide = side == 'A' ? 'B' : 'A';
    Ready();
    for (int pass = 1; !gStop; ++pass) {
        while (!gStop && !ServeLine(end, recorder, programSide, 100)) {
        }
        if (gStop) break;
        const double start = NowMs() + leadInMs - partner.front().ms;
        std::vector<double> late;
        bool open = true;
        for (size_t i = 0; i < partner.size() && open && !gStop; ++i) {
            const double due = start + partner[i].ms;
            for (double now = NowMs(); now < due && open && !gStop; now = NowMs())
                open = ServeLine(end, recorder, programSide, static_cast<int>(due - now));
            if (!open || gStop) break;
            end.Send(partner[i].bytes, 0);
            late.push_back(NowMs() - due);
            recorder.Note(side, partner[i].bytes);
        }
        if (!late.empty())
            std::printf("pass %d: %zu of %zu writes, late by median %.2f ms, worst %.2f ms\n", pass, late.size(),
                        partner.size(), Median(late), *std::max_element(late.begin(), late.end()));
        std::fflush(stdout);
        while (open && !gStop) open = ServeLine(end, recorder, programSide, 100);  // until the port closes
    }
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: quaverton-cable link LINK_A LINK_B [--record FILE]\n"
                 "       quaverton-cable replay FILE LINK [--side A|B] [--lead-in MS] [--record OUT]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string record;
    char side = 'B';
    int leadIn = DEFAULT_LEAD_IN_MS;
    std::vector<std::string> plain;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--record" && i + 1 < args.size()) record = args[++i];
        else if (args[i] == "--side" && i + 1 < args.size() && (args[i + 1] == "A" || args[i + 1] == "B"))
            side = args[++i][0];
        else if (args[i] == "--lead-in" && i + 1 < args.size()) leadIn = std::atoi(args[++i].c_str());
        else if (args[i].compare(0, 2, "--") == 0) return Usage();
        else plain.push_back(args[i]);
    }
    struct sigaction action = {};
    action.sa_handler = OnStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    if (plain.size() == 3 && plain[0] == "link") return Link(plain[1], plain[2], record);
    if (plain.size() == 3 && plain[0] == "replay") return Replay(plain[1], plain[2], side, leadIn, record);
    return Usage();
}
