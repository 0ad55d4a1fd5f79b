// Loading the two sample banks. A bank is the file's bytes from byte 44 on,
// as many as the RIFF size field says (at most MAX_BANK_LENGTH), played as 8-bit unsigned mono samples
// whatever the file's own format chunk claims.
#include "audio/sample_bank.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/voices.h"

unsigned char* string = nullptr;
unsigned char* string2 = nullptr;
int32_t samp1length = 0;
int32_t samp2length = 0;
header riffheader;
const char rhead[4] = {'R', 'I', 'F', 'F'};
const char fhead[4] = {'W', 'A', 'V', 'E'};

namespace {

constexpr size_t HEADER_READ_BYTES = 50;  // bytes of a file read into riffheader

bool SameFourCC(const char* a, const char* b)
{
    for (int i = 0; i < 4; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

bool Refuse(SampleBankErrors& errors, const std::string& text)
{
    errors.Fail(text.c_str());
    return false;
}

}  // namespace

bool ReadSampleBank(std::FILE* wr, const char* fileName, unsigned char** buffer,
                    int32_t* length, SampleBankErrors& errors)
{
    // A fresh record for every file, so a short file is never judged by the
    // bytes of the one read before it.
    std::memset(&riffheader, 0, sizeof riffheader);
    size_t got = std::fread(&riffheader, 1, HEADER_READ_BYTES, wr);

    if (!SameFourCC(riffheader.riff, rhead) || !SameFourCC(riffheader.wid, fhead))
        return Refuse(errors, "ERROR OPENING WAVE FILE");
    const std::string name = fileName;
    if (got < SAMPLE_HEADER_BYTES)
        return Refuse(errors, "WAVE FILE " + name + " IS TOO SHORT FOR ITS 44-BYTE HEADER");

    // The size field is unsigned in the file: one of 2 GiB or more (a header
    // written to a pipe says 0xFFFFFFFF) is a long file, not a negative one.
    const uint32_t riffSize = static_cast<uint32_t>(riffheader.dlength);
    if (riffSize < static_cast<uint32_t>(MIN_BANK_LENGTH))
        return Refuse(errors, "WAVE FILE " + name +
                                  " HOLDS TOO FEW SAMPLES (RIFF SIZE MUST EXCEED 1000)");
    // A longer file plays its first MAX_BANK_LENGTH bytes; nothing past them
    // is read.
    const int32_t L = riffSize > static_cast<uint32_t>(MAX_BANK_LENGTH) ? MAX_BANK_LENGTH
                                                                         : static_cast<int32_t>(riffSize);

    auto* bytes = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(L)));
    if (bytes == nullptr) return Refuse(errors, "INSUFFICIENT MEMORY");

    size_t filled = 0;
    if (std::fseek(wr, SAMPLE_HEADER_BYTES, SEEK_SET) == 0)
        filled = std::fread(bytes, 1, static_cast<size_t>(L), wr);
    std::memset(bytes + filled, SILENT_LEVEL, static_cast<size_t>(L) - filled);

    *buffer = bytes;
    *length = L;
    return true;
}

bool LoadSampleBank(int bank, const char* fileName, SampleBankErrors& errors)
{
    std::FILE* wr = std::fopen(fileName, "rb");
    if (wr == nullptr) return Refuse(errors, std::string("ERROR OPENING WAVE FILE ") + fileName);

    unsigned char* buffer = nullptr;
    int32_t length = 0;
    bool loaded = ReadSampleBank(wr, fileName, &buffer, &length, errors);
    std::fclose(wr);
    if (!loaded) return false;

    if (bank == 1) {
        string = buffer;
        samp1length = length;
        sptemp = string;
    } else {
        string2 = buffer;
        samp2length = length;
        sptemp2 = string2;
    }
    return true;
}

void FreeSampleBanks()
{
    sptemp = nullptr;
    sptemp2 = nullptr;
    samp1length = 0;
    samp2length = 0;
    std::free(string);
    string = nullptr;
    std::free(string2);
    string2 = nullptr;
}
