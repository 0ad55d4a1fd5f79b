// The two sample banks: raw 8-bit sample bytes read once at start-up from
// "SAMPLE2.WAV" (bank 1, voice 1) and "SAMPLE.WAV" (bank 2, voice 2).
// Platform-free: a failed load is reported through SampleBankErrors, and the
// Windows edge turns the report into its message box.
#pragma once

#include <cstdint>
#include <cstdio>

// The start of a sample file, laid over its first bytes. Only `riff`,
// `dlength` and `wid` are consulted; the rest is read and ignored.
struct header {
    char riff[4];
    int32_t dlength;  // RIFF size field: becomes the bank length L
    char wid[4];
    char fid[4];
    int32_t flen;
    int32_t wft;
    int32_t nchan;
    uint32_t frequency;
    unsigned char pad[100];
};

// Where a failed load is reported. Fail is called at most once per load, with
// the text the player is shown.
class SampleBankErrors {
public:
    virtual void Fail(const char* text) = 0;

protected:
    ~SampleBankErrors() = default;
};

// ---- Program-wide bank state ----------------------------------------------
extern unsigned char* string;   // bank 1 buffer, samp1length bytes
extern unsigned char* string2;  // bank 2 buffer, samp2length bytes
extern int32_t samp1length;     // bank 1 length L (the file's RIFF size field)
extern int32_t samp2length;     // bank 2 length L
extern header riffheader;       // the last header read
extern const char rhead[4];     // "RIFF", no terminator
extern const char fhead[4];     // "WAVE", no terminator

constexpr int SAMPLE_HEADER_BYTES = 44;  // sample bytes start here in every file

// A voice stops 1000 bytes before the end of its bank, so a bank must be
// longer than that for its end test to work at all.
constexpr int32_t MIN_BANK_LENGTH = 1001;

// Positions are 32-bit floats. From 2^23 bytes on, the slowest step any
// trigger uses (0.5) no longer moves the position, so a longer bank could
// never reach its end test: a file whose RIFF size is larger gives a bank of
// this length, its first 2^23 bytes from byte 44 on.
constexpr int32_t MAX_BANK_LENGTH = 1 << 23;

// The silent level of an 8-bit unsigned sample.
constexpr unsigned char SILENT_LEVEL = 128;

// Loads one bank from a stream already open for binary reading; `fileName` only
// names the file in messages. On success `*buffer` (from malloc, owned by the
// caller) and `*length` are set; on failure nothing is kept, errors.Fail is
// called and the result is false. Bytes of the buffer past the end of the file
// hold the silent level.
bool ReadSampleBank(std::FILE* wr, const char* fileName, unsigned char** buffer,
                    int32_t* length, SampleBankErrors& errors);

// Opens `fileName` (relative to the working directory), loads it as bank 1 or 2
// and, on success, points that bank's voice at it.
bool LoadSampleBank(int bank, const char* fileName, SampleBankErrors& errors);

// Frees bank 1 and then bank 2.
void FreeSampleBanks();
