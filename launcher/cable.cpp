// The virtual serial cable of the launcher, a Linux program:
//
//   quaverton-cable link LINK_A LINK_B [--record FILE] [--noise RATE] [--seed N]
//                        [--status FILE] [--delivered PREFIX]
//       A null-modem cable between two pseudo-terminals, named by the links
//       LINK_A and LINK_B (each player's COM port opens one): every byte
//       written into one end comes out of the other, unchanged, paced as a
//       real line would carry it at the rate, data bits, parity and stop bits
//       the sending end set. With --record, every write that crosses it is
//       logged with its time and side (as the end wrote it, before any noise
//       or cut).
//       --noise RATE damages each byte carried with the chance RATE (0..1,
//       default 0): one random bit flipped, the byte dropped or a random byte
//       added after it, each equally likely, from a generator seeded with
//       --seed N (default 1) for A to B and N+1 for B to A (launcher/line_noise.h).
//       SIGUSR1 cuts the cable and the next one restores it, printing "cut" or
//       "restored": while cut, whatever either end writes is lost, and so are
//       the bytes still on their way when the cut begins.
//       --status FILE keeps a tally in FILE, rewritten whole (through FILE.tmp
//       and a rename) at most every 100 ms while it changes, at each cut and
//       restore and at the end. It holds one line per direction:
//           A>B written W delivered D cut C flipped F dropped R inserted I overflow O hash H
//           B>A written W delivered D cut C flipped F dropped R inserted I overflow O hash H
//       W: bytes read from the sending end; D: bytes the receiving end's
//       pseudo-terminal took; C: bytes lost to a cut; F, R, I: the noise's
//       flipped, dropped and inserted bytes; O: the oldest queued bytes
//       dropped beyond the queue's limit; H: the 32-bit FNV-1a hash of the
//       delivered bytes, 8 lower-case hexadecimal digits. Once the line is
//       quiet, W = D + R - I + C + O.
//       --delivered PREFIX appends every byte delivered into B to PREFIX.A-B
//       and every byte delivered into A to PREFIX.B-A, as they were taken.
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
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "launcher/line_noise.h"
#include "launcher/line_record.h"

namespace {

// What may wait for an end that is not reading (its player not connected):
// beyond this the oldest bytes are dropped, as a real line would lose them.
constexpr size_t MAX_QUEUED_BYTES = 64 * 1024;
// A hung-up end (its port closed) reports the hang-up at every poll, so it is
// looked at again only this often.
constexpr int HANGUP_RECHECK_MS = 5;
constexpr int DEFAULT_LEAD_IN_MS = 1000;
// The status file is rewritten at most this often while the line is busy:
// often enough for a test bed to watch, rare enough to cost nothing.
constexpr double STATUS_INTERVAL_MS = 100;

volatile std::sig_atomic_t gStop = 0;
// How many SIGUSR1s have arrived; each one cuts or restores the cable.
volatile std::sig_atomic_t gCutToggles = 0;

void OnStop(int) { gStop = 1; }
void OnCutToggle(int) { gCutToggles = gCutToggles + 1; }

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
        if (deliveredCopy_) std::fclose(deliveredCopy_);
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
        while (queue_.size() > MAX_QUEUED_BYTES) {
            queue_.pop_front();
            ++overflow_;
        }
        Flush();
    }

    // Throws away every queued byte; returns how many there were.
    size_t Discard()
    {
        const size_t n = queue_.size();
        queue_.clear();
        lastDue_ = 0;
        return n;
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
        if (n <= 0) return;
        delivered_ += static_cast<uint64_t>(n);
        deliveredHash_ = Fnv1a(deliveredHash_, due.substr(0, static_cast<size_t>(n)));
        if (deliveredCopy_) {
            std::fwrite(due.data(), 1, static_cast<size_t>(n), deliveredCopy_);
            std::fflush(deliveredCopy_);
        }
        queue_.erase(queue_.begin(), queue_.begin() + n);
    }

    // What the pseudo-terminal has taken of the bytes sent to it, and the
    // hash of them; and how many the queue's limit dropped.
    uint64_t delivered() const { return delivered_; }
    uint32_t deliveredHash() const { return deliveredHash_; }
    uint64_t overflow() const { return overflow_; }
    // Every byte delivered from now on is also appended to the file at path.
    bool CopyDeliveredTo(const std::string& path, std::string* error)
    {
        deliveredCopy_ = std::fopen(path.c_str(), "ab");
        if (deliveredCopy_ == nullptr) *error = "cannot write " + path + ": " + std::strerror(errno);
        return deliveredCopy_ != nullptr;
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
    uint64_t delivered_ = 0;
    uint32_t deliveredHash_ = FNV1A_START;
    uint64_t overflow_ = 0;
    std::FILE* deliveredCopy_ = nullptr;
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

// What one turn of the cable waits for: what arrives at either end, room at
// an end whose next byte is due, and the time the next queued byte falls
// due. Each end's time to its next byte is read once: were it read once for
// the events and again for the time-out, a byte that fell due between the
// two readings would be neither watched for room nor woken for, and would
// wait for the next byte from the other side however long that took.
struct Turn {
    pollfd ends[2];
    int wakeMs;  // -1: no time-out
};

Turn NextTurn(const PtyEnd& a, const PtyEnd& b)
{
    Turn turn = {};
    int wake = -1;
    const PtyEnd* both[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        const int due = both[i]->MsToNextDue();
        turn.ends[i] = {both[i]->fd(), static_cast<short>(POLLIN | (due == 0 ? POLLOUT : 0)), 0};
        if (due > 0 && (wake < 0 || due < wake)) wake = due;
    }
    turn.wakeMs = wake;
    return turn;
}

// The earlier of two wait times in milliseconds, where -1 is none (no limit).
int Sooner(int a, int b) { return a < 0 ? b : b < 0 ? a : std::min(a, b); }

// The tally file: rewritten whole through FILE.tmp and a rename, so a reader
// never sees half of it; while the tally changes, at most every
// STATUS_INTERVAL_MS unless forced. Nothing is written without a path.
class StatusFile {
public:
    explicit StatusFile(std::string path) : path_(std::move(path)) {}

    bool active() const { return !path_.empty(); }

    bool Write(const std::string& text, std::string* error)
    {
        if (!active()) return true;
        const std::string temporary = path_ + ".tmp";
        std::FILE* file = std::fopen(temporary.c_str(), "w");
        bool written = file && std::fputs(text.c_str(), file) >= 0;
        if (file && std::fclose(file) != 0) written = false;
        if (!written || std::rename(temporary.c_str(), path_.c_str()) != 0) {
            *error = "cannot write " + path_ + ": " + std::strerror(errno);
            return false;
        }
        written_ = text;
        lastMs_ = NowMs();
        return true;
    }

    // Writes the tally if forced, or if it changed and the interval has
    // passed. A failure is reported once; the cable carries on without.
    void Update(const std::string& text, bool force)
    {
        if (!active() || failed_ || (!force && MsToNextWrite(text) != 0)) return;
        std::string error;
        if (!Write(text, &error)) {
            std::fprintf(stderr, "quaverton-cable: %s\n", error.c_str());
            failed_ = true;
        }
    }

    // Milliseconds until a changed tally may be written (-1 when unchanged).
    int MsToNextWrite(const std::string& text) const
    {
        if (!active() || failed_ || text == written_) return -1;
        return std::max(0, static_cast<int>(std::ceil(lastMs_ + STATUS_INTERVAL_MS - NowMs())));
    }

private:
    std::string path_;
    std::string written_;
    double lastMs_ = 0;
    bool failed_ = false;
};

struct LinkOptions {
    std::string recordPath;
    std::string statusPath;
    std::string deliveredPrefix;
    double noise = 0;
    uint32_t seed = 1;
};

// One direction of the cable: what its sending end wrote, what cuts lost,
// and the noise on the way. What was delivered is kept by the receiving end.
struct Direction {
    Direction(const char* name, double noiseRate, uint32_t seed) : name(name), noise(noiseRate, seed) {}
    const char* name;
    LineNoise noise;
    uint64_t written = 0;
    uint64_t cut = 0;
};

// Takes what `from` wrote and, unless the cable is cut, sends it through the
// direction's noise to `to`.
void Carry(PtyEnd& from, PtyEnd& to, Direction& direction, bool cut, Recorder& recorder, char side)
{
    std::string bytes;
    if (!from.Read(&bytes)) return;
    recorder.Note(side, bytes);
    direction.written += bytes.size();
    if (cut) direction.cut += bytes.size();
    else to.Send(direction.noise.Carry(bytes), from.CharacterMs());
}

std::string TallyLine(const Direction& d, const PtyEnd& receiver)
{
    char line[320];
    std::snprintf(line, sizeof line,
                  "%s written %llu delivered %llu cut %llu flipped %llu dropped %llu inserted %llu overflow %llu "
                  "hash %08x\n",
                  d.name, static_cast<unsigned long long>(d.written),
                  static_cast<unsigned long long>(receiver.delivered()), static_cast<unsigned long long>(d.cut),
                  static_cast<unsigned long long>(d.noise.flipped()), static_cast<unsigned long long>(d.noise.dropped()),
                  static_cast<unsigned long long>(d.noise.inserted()),
                  static_cast<unsigned long long>(receiver.overflow()), static_cast<unsigned>(receiver.deliveredHash()));
    return line;
}

int Link(const std::string& linkA, const std::string& linkB, const LinkOptions& options)
{
    PtyEnd a, b;
    Recorder recorder;
    StatusFile status(options.statusPath);
    Direction ab("A>B", options.noise, options.seed), ba("B>A", options.noise, options.seed + 1);
    const auto tally = [&] { return status.active() ? TallyLine(ab, b) + TallyLine(ba, a) : std::string(); };
    std::string error;
    if (!a.Open(linkA, true, &error) || !b.Open(linkB, true, &error) ||
        !recorder.Open(options.recordPath, &error) || !status.Write(tally(), &error))
        return Fail(error);
    if (!options.deliveredPrefix.empty() && (!b.CopyDeliveredTo(options.deliveredPrefix + ".A-B", &error) ||
                                             !a.CopyDeliveredTo(options.deliveredPrefix + ".B-A", &error)))
        return Fail(error);
    // The signals are held except during the wait, so one that comes just
    // after the flags were looked at still ends the wait at once.
    sigset_t held, duringWait;
    sigemptyset(&held);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, &duringWait);
    struct sigaction action = {};
    action.sa_handler = OnCutToggle;
    sigaction(SIGUSR1, &action, nullptr);
    Ready();
    bool cut = false;
    std::sig_atomic_t toggles = 0;
    while (!gStop) {
        for (; toggles != gCutToggles; ++toggles) {
            cut = !cut;
            if (cut) {  // what is still on its way is lost with the cable
                ab.cut += b.Discard();
                ba.cut += a.Discard();
            }
            std::printf("%s\n", cut ? "cut" : "restored");
            std::fflush(stdout);
            status.Update(tally(), true);
        }
        Turn turn = NextTurn(a, b);
        pollfd* p = turn.ends;
        const int wake = Sooner(turn.wakeMs, status.MsToNextWrite(tally()));
        const timespec wait = {wake / 1000, (wake % 1000) * 1000000L};
        if (ppoll(p, 2, wake < 0 ? nullptr : &wait, &duringWait) < 0) continue;  // a signal
        if (p[0].revents & POLLIN) Carry(a, b, ab, cut, recorder, 'A');
        if (p[1].revents & POLLIN) Carry(b, a, ba, cut, recorder, 'B');
        a.Flush();
        b.Flush();
        status.Update(tally(), false);
    }
    status.Update(tally(), true);
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

int Usage(const char* why = nullptr)
{
    if (why) std::fprintf(stderr, "quaverton-cable: %s\n", why);
    std::fprintf(stderr,
                 "usage: quaverton-cable link LINK_A LINK_B [--record FILE] [--noise RATE] [--seed N]\n"
                 "                            [--status FILE] [--delivered PREFIX]\n"
                 "       quaverton-cable replay FILE LINK [--side A|B] [--lead-in MS] [--record OUT]\n");
    return 2;
}

bool ParseRate(const std::string& text, double* rate)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= 0 && value <= 1)) return false;
    *rate = value;
    return true;
}

bool ParseSeed(const std::string& text, uint32_t* seed)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || text[0] == '-' || *end != '\0' || errno != 0 || value > UINT32_MAX) return false;
    *seed = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    LinkOptions linkOptions;
    std::string& record = linkOptions.recordPath;
    char side = 'B';
    int leadIn = DEFAULT_LEAD_IN_MS;
    std::vector<std::string> plain;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--record" && i + 1 < args.size()) record = args[++i];
        else if (args[i] == "--side" && i + 1 < args.size() && (args[i + 1] == "A" || args[i + 1] == "B"))
            side = args[++i][0];
        else if (args[i] == "--lead-in" && i + 1 < args.size()) leadIn = std::atoi(args[++i].c_str());
        else if (args[i] == "--noise" && i + 1 < args.size()) {
            if (!ParseRate(args[++i], &linkOptions.noise)) return Usage("--noise takes a chance from 0 to 1");
        } else if (args[i] == "--seed" && i + 1 < args.size()) {
            if (!ParseSeed(args[++i], &linkOptions.seed)) return Usage("--seed takes a whole number from 0 to 4294967295");
        } else if (args[i] == "--status" && i + 1 < args.size()) linkOptions.statusPath = args[++i];
        else if (args[i] == "--delivered" && i + 1 < args.size()) linkOptions.deliveredPrefix = args[++i];
        else if (args[i].compare(0, 2, "--") == 0) return Usage();
        else plain.push_back(args[i]);
    }
    struct sigaction action = {};
    action.sa_handler = OnStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    if (plain.size() == 3 && plain[0] == "link") return Link(plain[1], plain[2], linkOptions);
    if (plain.size() == 3 && plain[0] == "replay") return Replay(plain[1], plain[2], side, leadIn, record);
    return Usage();
}
