/* A stand-in MIDI keyboard for Wine's MIDI driver, for machines with no ALSA
 * sequencer (and for playing from another program): loaded with LD_PRELOAD
 * into the program's Wine process, it takes the place of the ALSA sequencer
 * functions that Wine's MIDI driver calls. The sequencer it answers for holds
 * one client with one readable MIDI port, which Wine shows as the one MIDI
 * input device; the MIDI bytes written to a FIFO arrive at the driver as
 * sequencer events from that port, so the program gets them as it gets a real
 * keyboard's.
 *
 * Environment:
 *   QUAVERTON_MIDI_FIFO    the FIFO the keyboard's bytes are read from (made
 *                          when missing). Unset: there is no sequencer, as on
 *                          a machine without one.
 *   QUAVERTON_MIDI_REFUSE  non-empty and not "0": every subscription to the
 *                          port is refused, so opening the device fails.
 *   QUAVERTON_MIDI_LOG     a file that gets one line per thing the driver
 *                          does with the sequencer (open, subscribe, each event
 *                          delivered, unsubscribe, close), with the Unix time
 *                          in ms first.
 *
 * The bytes are read as a MIDI stream: channel messages (running status
 * included) and the one-byte real-time messages become events; system
 * exclusive and system common messages are read past, as the program takes
 * only short messages. Bytes written while the port has no subscriber are
 * dropped, as a keyboard's events with nobody listening are.
 *
 * Threads: the driver calls every function under its own sequencer lock, so
 * the state below is touched by one thread at a time. */
#define _GNU_SOURCE
#include <alsa/asoundlib.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

/* The keyboard's address: a hardware client number, as a USB keyboard gets;
 * the driver's own client is the first number given to applications. */
enum { KEYBOARD_CLIENT = 24, KEYBOARD_PORT = 0, DRIVER_CLIENT = 128, QUEUE_EVENTS = 64 };
static const char KEYBOARD_NAME[] = "Stand-in MIDI Keyboard";
static const char KEYBOARD_PORT_NAME[] = "Keys";

struct _snd_seq {
    int next_port;     /* the driver's next simple port */
    int subscribed;    /* the driver's port that receives the keyboard, or -1 */
};

struct _snd_seq_client_info {
    int client;
};

struct _snd_seq_port_info {
    int client, port;     /* as set: port -1 asks for the first port */
    snd_seq_addr_t addr;  /* the same, as the driver reads it */
};

/* The keyboard, which stays plugged in from the first open to the end of the
 * process: its FIFO, the message being read, and the events read but not yet
 * taken by the driver. */
static int fifo_fd = -1;
static int delivered_to = -1;  /* the driver's port, while one is subscribed */
static unsigned char status, data[2];
static int data_have, data_need;
static int in_sysex;
static snd_seq_event_t queue[QUEUE_EVENTS];
static int queue_head, queue_count;
static snd_seq_event_t taken;  /* the event last handed to the driver */

static long long unix_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

static void log_line(const char *format, ...)
{
    const char *path = getenv("QUAVERTON_MIDI_LOG");
    if (!path || !*path) return;
    char line[256];
    int n = snprintf(line, sizeof line, "%lld ", unix_ms());
    va_list ap;
    va_start(ap, format);
    n += vsnprintf(line + n, sizeof line - n - 1, format, ap);
    va_end(ap);
    if (n > (int)sizeof line - 2) n = sizeof line - 2;
    line[n++] = '\n';
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    if (write(fd, line, n) < 0) { /* a lost log line changes nothing the driver sees */ }
    close(fd);
}

static int refusing(void)
{
    const char *refuse = getenv("QUAVERTON_MIDI_REFUSE");
    return refuse && *refuse && strcmp(refuse, "0") != 0;
}

/* The keyboard's FIFO, opened for reading and writing so that it never reads
 * as ended when a writer closes it, and without blocking. */
static int plug_in_keyboard(void)
{
    if (fifo_fd >= 0) return 0;
    const char *path = getenv("QUAVERTON_MIDI_FIFO");
    if (!path || !*path) return -ENOENT;
    if (mkfifo(path, 0600) != 0 && errno != EEXIST) return -errno;
    fifo_fd = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    return fifo_fd >= 0 ? 0 : -errno;
}

/* ---- The MIDI stream into events ---- */

static void queue_event(snd_seq_event_t *ev)
{
    if (queue_count == QUEUE_EVENTS) return;
    ev->source.client = KEYBOARD_CLIENT;
    ev->source.port = KEYBOARD_PORT;
    ev->dest.client = DRIVER_CLIENT;
    ev->dest.port = (unsigned char)delivered_to;
    ev->queue = SND_SEQ_QUEUE_DIRECT;
    queue[(queue_head + queue_count) % QUEUE_EVENTS] = *ev;
    queue_count++;
}

static void channel_message(void)
{
    snd_seq_event_t ev;
    memset(&ev, 0, sizeof ev);
    const unsigned char channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80:
    case 0x90:
    case 0xA0:
        ev.type = (status & 0xF0) == 0x80   ? SND_SEQ_EVENT_NOTEOFF
                  : (status & 0xF0) == 0x90 ? SND_SEQ_EVENT_NOTEON
                                            : SND_SEQ_EVENT_KEYPRESS;
        ev.data.note.channel = channel;
        ev.data.note.note = data[0];
        ev.data.note.velocity = data[1];
        break;
    case 0xB0:
        ev.type = SND_SEQ_EVENT_CONTROLLER;
        ev.data.control.channel = channel;
        ev.data.control.param = data[0];
        ev.data.control.value = data[1];
        break;
    case 0xE0:
        ev.type = SND_SEQ_EVENT_PITCHBEND;
        ev.data.control.channel = channel;
        ev.data.control.value = ((data[1] << 7) | data[0]) - 8192;
        break;
    default: /* 0xC0 program change, 0xD0 channel pressure: one data byte */
        ev.type = (status & 0xF0) == 0xC0 ? SND_SEQ_EVENT_PGMCHANGE : SND_SEQ_EVENT_CHANPRESS;
        ev.data.control.channel = channel;
        ev.data.control.value = data[0];
        break;
    }
    queue_event(&ev);
    log_line("event %02x %02x %02x", status, data[0], data_need > 1 ? data[1] : 0);
}

static void realtime_message(unsigned char byte)
{
    snd_seq_event_t ev;
    memset(&ev, 0, sizeof ev);
    switch (byte) {
    case 0xF8: ev.type = SND_SEQ_EVENT_CLOCK; break;
    case 0xFA: ev.type = SND_SEQ_EVENT_START; break;
    case 0xFB: ev.type = SND_SEQ_EVENT_CONTINUE; break;
    case 0xFC: ev.type = SND_SEQ_EVENT_STOP; break;
    case 0xFE: ev.type = SND_SEQ_EVENT_SENSING; break;
    case 0xFF: ev.type = SND_SEQ_EVENT_RESET; break;
    default: return;
    }
    queue_event(&ev);
    log_line("event %02x", byte);
}

/* The data bytes a status byte takes (system common messages: their own). */
static int data_bytes_of(unsigned char byte)
{
    switch (byte & 0xF0) {
    case 0xC0:
    case 0xD0: return 1;
    case 0xF0: return byte == 0xF2 ? 2 : (byte == 0xF1 || byte == 0xF3) ? 1 : 0;
    default: return 2;
    }
}

static void read_byte(unsigned char byte)
{
    if (byte >= 0xF8) {  /* real-time: may come between any two bytes */
        realtime_message(byte);
        return;
    }
    if (byte & 0x80) {
        in_sysex = byte == 0xF0;
        status = byte >= 0xF0 ? 0 : byte;  /* system messages end running status */
        data_need = in_sysex ? 0 : data_bytes_of(byte);
        data_have = 0;
        return;
    }
    if (in_sysex) return;
    if (data_need == 0) return;  /* a data byte with no status to belong to */
    data[data_have++] = byte;
    if (data_have < data_need) return;
    data_have = 0;
    if (status) channel_message();
    else data_need = 0;  /* a system common message, read past */
}

/* Reads what the keyboard has sent, at most as many bytes as the queue has
 * room for events (a byte makes one event at most). */
static void read_keyboard(void)
{
    unsigned char bytes[QUEUE_EVENTS];
    const size_t room = QUEUE_EVENTS - queue_count;
    if (fifo_fd < 0 || room == 0) return;
    const ssize_t n = read(fifo_fd, bytes, room);
    for (ssize_t i = 0; i < n; i++) read_byte(bytes[i]);
}

/* What was played before anybody listened is gone. */
static void drop_unheard(void)
{
    unsigned char bytes[256];
    while (fifo_fd >= 0 && read(fifo_fd, bytes, sizeof bytes) > 0) {}
    queue_count = 0;
    data_have = data_need = in_sysex = 0;
    status = 0;
}

/* ---- The sequencer ---- */

int snd_seq_open(snd_seq_t **handle, const char *name, int streams, int mode)
{
    *handle = NULL;
    const int plugged = plug_in_keyboard();
    if (plugged < 0) return plugged;
    snd_seq_t *seq = calloc(1, sizeof *seq);
    if (!seq) return -ENOMEM;
    seq->subscribed = -1;
    *handle = seq;
    log_line("open %s %d %d", name ? name : "", streams, mode);
    return 0;
}

int snd_seq_close(snd_seq_t *seq)
{
    if (seq && seq->subscribed >= 0) delivered_to = -1;
    free(seq);
    log_line("close");
    return 0;
}

int snd_seq_set_client_name(snd_seq_t *seq, const char *name)
{
    (void)seq;
    log_line("client %s", name ? name : "");
    return 0;
}

int snd_seq_create_simple_port(snd_seq_t *seq, const char *name, unsigned int caps, unsigned int type)
{
    const int port = seq->next_port++;
    log_line("port %d %s caps %x type %x", port, name ? name : "", caps, type);
    return port;
}

int snd_seq_delete_simple_port(snd_seq_t *seq, int port)
{
    (void)seq;
    log_line("delete port %d", port);
    return 0;
}

int snd_seq_connect_from(snd_seq_t *seq, int my_port, int src_client, int src_port)
{
    if (src_client != KEYBOARD_CLIENT || src_port != KEYBOARD_PORT) return -EINVAL;
    if (refusing()) {
        log_line("refuse subscribe %d:%d to %d:%d", src_client, src_port, DRIVER_CLIENT, my_port);
        return -EPERM;
    }
    drop_unheard();
    seq->subscribed = my_port;
    delivered_to = my_port;
    log_line("subscribe %d:%d to %d:%d", src_client, src_port, DRIVER_CLIENT, my_port);
    return 0;
}

int snd_seq_disconnect_from(snd_seq_t *seq, int my_port, int src_client, int src_port)
{
    if (seq->subscribed != my_port) return -ENOENT;
    seq->subscribed = -1;
    delivered_to = -1;
    log_line("unsubscribe %d:%d from %d:%d", src_client, src_port, DRIVER_CLIENT, my_port);
    return 0;
}

/* The keyboard takes nothing in: it has no writable port. */
int snd_seq_connect_to(snd_seq_t *seq, int my_port, int dest_client, int dest_port)
{
    (void)seq, (void)my_port, (void)dest_client, (void)dest_port;
    return -EINVAL;
}

int snd_seq_event_output_direct(snd_seq_t *seq, snd_seq_event_t *ev)
{
    (void)seq, (void)ev;
    return -EINVAL;
}

int snd_seq_poll_descriptors_count(snd_seq_t *seq, short events)
{
    (void)seq;
    return (events & POLLIN) && fifo_fd >= 0 ? 1 : 0;
}

int snd_seq_poll_descriptors(snd_seq_t *seq, struct pollfd *pfds, unsigned int space, short events)
{
    (void)seq;
    if (space < 1 || !(events & POLLIN) || fifo_fd < 0) return 0;
    pfds[0].fd = fifo_fd;
    pfds[0].events = POLLIN;
    pfds[0].revents = 0;
    return 1;
}

/* The next event, taken from what has been read; never waits: when no whole
 * message has come yet there is none (-EAGAIN). */
int snd_seq_event_input(snd_seq_t *seq, snd_seq_event_t **ev)
{
    *ev = NULL;
    if (seq->subscribed < 0) {
        drop_unheard();
        return -EAGAIN;
    }
    if (queue_count == 0) read_keyboard();
    if (queue_count == 0) return -EAGAIN;
    taken = queue[queue_head];
    queue_head = (queue_head + 1) % QUEUE_EVENTS;
    queue_count--;
    *ev = &taken;
    return queue_count + 1;
}

int snd_seq_event_input_pending(snd_seq_t *seq, int fetch_sequencer)
{
    if (fetch_sequencer && seq->subscribed >= 0) read_keyboard();
    return queue_count;
}

int snd_seq_free_event(snd_seq_event_t *ev)
{
    (void)ev;
    return 0;
}

/* ---- Clients and ports: the keyboard's one of each ---- */

size_t snd_seq_client_info_sizeof(void) { return sizeof(snd_seq_client_info_t); }
size_t snd_seq_port_info_sizeof(void) { return sizeof(snd_seq_port_info_t); }

void snd_seq_client_info_set_client(snd_seq_client_info_t *info, int client) { info->client = client; }
int snd_seq_client_info_get_client(const snd_seq_client_info_t *info) { return info->client; }
snd_seq_client_type_t snd_seq_client_info_get_type(const snd_seq_client_info_t *info)
{
    (void)info;
    return SND_SEQ_KERNEL_CLIENT;
}
const char *snd_seq_client_info_get_name(snd_seq_client_info_t *info)
{
    (void)info;
    return KEYBOARD_NAME;
}

/* The client after info's: the keyboard, after anything numbered below it. */
int snd_seq_query_next_client(snd_seq_t *seq, snd_seq_client_info_t *info)
{
    (void)seq;
    if (info->client >= KEYBOARD_CLIENT) return -ENOENT;
    info->client = KEYBOARD_CLIENT;
    return 0;
}

void snd_seq_port_info_set_client(snd_seq_port_info_t *info, int client)
{
    info->client = client;
    info->addr.client = (unsigned char)client;
}
void snd_seq_port_info_set_port(snd_seq_port_info_t *info, int port)
{
    info->port = port;
    info->addr.port = (unsigned char)port;
}
int snd_seq_port_info_get_port(const snd_seq_port_info_t *info) { return info->port; }
const snd_seq_addr_t *snd_seq_port_info_get_addr(const snd_seq_port_info_t *info) { return &info->addr; }
const char *snd_seq_port_info_get_name(const snd_seq_port_info_t *info)
{
    (void)info;
    return KEYBOARD_PORT_NAME;
}
unsigned int snd_seq_port_info_get_capability(const snd_seq_port_info_t *info)
{
    (void)info;
    return SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
}
unsigned int snd_seq_port_info_get_type(const snd_seq_port_info_t *info)
{
    (void)info;
    return SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_HARDWARE | SND_SEQ_PORT_TYPE_PORT;
}

/* The port after info's on its client: the keyboard has port 0 alone. */
int snd_seq_query_next_port(snd_seq_t *seq, snd_seq_port_info_t *info)
{
    (void)seq;
    if (info->client != KEYBOARD_CLIENT || info->port >= KEYBOARD_PORT) return -ENOENT;
    snd_seq_port_info_set_port(info, KEYBOARD_PORT);
    return 0;
}
