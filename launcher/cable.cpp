// The virtual serial cable of the launcher, a Linux program:
//
//   quaverton-cable link LINK_A LINK_B [--record FILE]
//       A null-modem cable between two pseudo-terminals, named by the links
//       LINK_A and LINK_B (each player's COM port opens one): every byte
//       written into one end comes out of the other, unchanged. With --record,
//       every write that crosses it is logged with its time and side.
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
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <string>
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

    // Writes as much of the queue as the line takes now.
    void Flush()
    {
        while (!queue_.empty()) {
            const std::string& front = queue_.front();
            const ssize_t n = write(master_, front.data(), front.size());
            if (n <= 0) return;
            if (static_cast<size_t>(n) < front.size()) {
                queue_.front().erase(0, static_cast<size_t>(n));
                queued_ -= static_cast<size_t>(n);
                return;
            }
            queued_ -= front.size();
            queue_.pop_front();
        }
    }

    void Send(const std::string& bytes)
    {
        queue_.push_back(bytes);
        queued_ += bytes.size();
        while (queued_ > MAX_QUEUED_BYTES && !queue_.empty()) {
            queued_ -= queue_.front().size();
            queue_.pop_front();
        }
        Flush();
    }

    bool Pending() const { return !queue_.empty(); }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string link_;
    std::deque<std::string> queue_;
    size_t queued_ = 0;
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

int Link(const std::string& linkA, const std::string& linkB, const std::string& recordPath)
{
    PtyEnd a, b;
    Recorder recorder;
    std::string error;
    if (!a.Open(linkA, true, &error) || !b.Open(linkB, true, &error) || !recorder.Open(recordPath, &error))
        return Fail(error);
    Ready();
    while (!gStop) {
        pollfd p[2] = {{a.fd(), static_cast<short>(POLLIN | (a.Pending() ? POLLOUT : 0)), 0},
                       {b.fd(), static_cast<short>(POLLIN | (b.Pending() ? POLLOUT : 0)), 0}};
        if (poll(p, 2, -1) < 0) continue;  // a signal
        std::string bytes;
        if ((p[0].revents & POLLIN) && a.Read(&bytes)) {
            recorder.Note('A', bytes);
            b.Send(bytes);
        }
        if ((p[1].revents & POLLIN) && b.Read(&bytes)) {
            recorder.Note('B', bytes);
            a.Send(bytes);
        }
        if (p[0].revents & POLLOUT) a.Flush();
        if (p[1].revents & POLLOUT) b.Flush();
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
    if (p.revents & POLLOUT) end.Flush();
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
            end.Send(partner[i].bytes);
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
