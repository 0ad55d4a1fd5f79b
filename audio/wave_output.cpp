// Wave output streaming through the multimedia RIFF reader and waveOut. The
// device notifies the main window (MM_WOM_DONE); every refill runs on the
// user-interface thread between other messages, so there is no audio thread.
//
// Start-up holds the file, the format memory, the device, the two blocks and
// their headers in this file's statics, each null until it exists. A failing
// step shows its text and returns FALSE; OpenWaveOutput then releases whatever
// exists in one place, ReleaseOutput, so no failure path leaks.
#include "audio/wave_output.h"

#include <cstring>
#include <initializer_list>
#include <utility>

#include "audio/format_file.h"
#include "audio/sample_bank.h"
#include "audio/voices.h"

HWAVEOUT hWaveOut = nullptr;
DWORD dwDataSize = 0;
int dbl = 0;

namespace {

HWND hOwner = nullptr;  // the window of the notifications and message boxes
char szFileName[128];
HMMIO hmmio = nullptr;
MMCKINFO mmckinfoParent;
MMCKINFO mmckinfoSubchunk;
HLOCAL hFormat = nullptr;
WAVEFORMATEX* pFormat = nullptr;
HPSTR lpData = nullptr;
HPSTR lpData2 = nullptr;
LPWAVEHDR lpWaveHdr = nullptr;
LPWAVEHDR lpWaveHdr2 = nullptr;
MMRESULT dwResult = 0;

// Start-up and refill failures: owner the main window, the system's default
// caption, the warning icon.
BOOL Fail(const char* text)
{
    MessageBoxA(hOwner, text, nullptr, MB_ICONWARNING | MB_OK);
    return FALSE;
}

void CloseFile()
{
    mmioClose(hmmio, 0);
    hmmio = nullptr;
}

void FreeFormat()
{
    LocalUnlock(hFormat);
    LocalFree(hFormat);
    hFormat = nullptr;
    pFormat = nullptr;
}

void* AllocLocked(DWORD size)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, size);
    if (h == nullptr) return nullptr;
    void* p = GlobalLock(h);
    if (p == nullptr) GlobalFree(h);
    return p;
}

void FreeLocked(void* p)
{
    HGLOBAL h = GlobalHandle(p);
    GlobalUnlock(h);
    GlobalFree(h);
}

// A header leaves the device's hands before it is freed: the device is
// reset first, so no block is still playing when it is unprepared.
void ReleaseHeader(LPWAVEHDR& hdr)
{
    if (hdr == nullptr) return;
    if (hWaveOut && (hdr->dwFlags & WHDR_PREPARED)) waveOutUnprepareHeader(hWaveOut, hdr, sizeof(WAVEHDR));
    FreeLocked(hdr);
    hdr = nullptr;
}

void ReleaseBlock(HPSTR& block)
{
    if (block == nullptr) return;
    FreeLocked(block);
    block = nullptr;
}

// Everything a failed start-up had made, in the reverse order of making it.
void ReleaseOutput()
{
    if (hWaveOut) waveOutReset(hWaveOut);
    ReleaseHeader(lpWaveHdr2);
    ReleaseHeader(lpWaveHdr);
    ReleaseBlock(lpData2);
    ReleaseBlock(lpData);
    if (hWaveOut) {
        waveOutClose(hWaveOut);
        hWaveOut = nullptr;
    }
    if (hFormat) FreeFormat();
    if (hmmio) CloseFile();
}

// The format file's steps read it through the system's RIFF reader. Before
// each search the same search is made over the file's bytes, read through the
// same handle, so a chunk size that would send the reader back over the file
// is refused before the reader sees it.
class SystemFormatReader final : public FormatFileReader, public ByteSource {
public:
    RiffFind FindRiffWave(RiffChunk& riff) override
    {
        riff.id = RIFF_ID;
        return Find(riff, nullptr, mmckinfoParent, nullptr, MMIO_FINDRIFF);
    }

    RiffFind FindChunk(uint32_t id, const RiffChunk& parent, RiffChunk& chunk) override
    {
        chunk.id = id;
        return Find(chunk, &parent, mmckinfoSubchunk, &mmckinfoParent, MMIO_FINDCHUNK);
    }

    void Leave(const RiffChunk&) override { mmioAscend(hmmio, &mmckinfoSubchunk, 0); }

    int32_t Read(void* to, int32_t count) override { return mmioRead(hmmio, static_cast<HPSTR>(to), count); }

    void* AllocFormat(uint16_t bytes, const char** failText) override
    {
        hFormat = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, bytes);
        if (hFormat == nullptr) {
            *failText = "Error Allocating Format Chunk";
            return nullptr;
        }
        pFormat = static_cast<WAVEFORMATEX*>(LocalLock(hFormat));
        if (pFormat == nullptr) *failText = "Cannot Lock Format Chunk";
        return pFormat;
    }

    bool CanPlay(const void* format) override
    {
        return waveOutOpen(nullptr, WAVE_MAPPER, static_cast<const WAVEFORMATEX*>(format), 0, 0,
                           WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR;
    }

    uint32_t ReadAt(uint32_t offset, void* to, uint32_t count) override
    {
        if (offset > MAX_READ_BYTES) return 0;  // past any file the reader's signed offsets reach
        if (mmioSeek(hmmio, static_cast<LONG>(offset), SEEK_SET) != static_cast<LONG>(offset)) return 0;
        const LONG got = mmioRead(hmmio, static_cast<HPSTR>(to), static_cast<LONG>(count));
        return got > 0 ? static_cast<uint32_t>(got) : 0;
    }

private:
    RiffFind Find(RiffChunk& chunk, const RiffChunk* parent, MMCKINFO& info, const MMCKINFO* parentInfo,
                  UINT flags)
    {
        const LONG at = mmioSeek(hmmio, 0, SEEK_CUR);
        RiffChunk walked = chunk;
        uint32_t next = 0;
        const RiffFind walk = SearchChunk(*this, static_cast<uint32_t>(at), parent, chunk.id, walked, &next);
        mmioSeek(hmmio, at, SEEK_SET);
        if (walk == RiffFind::Endless) return walk;
        info.ckid = chunk.id;
        info.fccType = chunk.type;
        if (mmioDescend(hmmio, &info, parentInfo, flags)) return RiffFind::NotFound;
        chunk = {info.ckid, info.cksize, info.fccType, info.dwDataOffset};
        return RiffFind::Found;
    }
};

// Steps 10 and 11: the device opened in the format read, then the format
// memory freed.
BOOL OpenDevice()
{
    if (waveOutOpen(&hWaveOut, WAVE_MAPPER, pFormat, reinterpret_cast<DWORD_PTR>(hOwner), 0,
                    CALLBACK_WINDOW)) {
        hWaveOut = nullptr;
        return Fail("Failed To Open Wave Device");
    }
    FreeFormat();
    return TRUE;
}

BOOL MakeBlocks()
{
    lpData = static_cast<HPSTR>(AllocLocked(dwDataSize));
    if (lpData == nullptr) return Fail("No MEM DT");
    lpData2 = static_cast<HPSTR>(AllocLocked(dwDataSize));
    if (lpData2 == nullptr) return Fail("NO MEM DT 2");
    if (mmioRead(hmmio, lpData, static_cast<LONG>(dwDataSize)) != static_cast<LONG>(dwDataSize))
        return Fail("Cannot Read Wave subchunk");
    CloseFile();

    lpWaveHdr = static_cast<LPWAVEHDR>(AllocLocked(sizeof(WAVEHDR)));
    if (lpWaveHdr == nullptr) return Fail("Cannot Allocate Wave Header");
    lpWaveHdr2 = static_cast<LPWAVEHDR>(AllocLocked(sizeof(WAVEHDR)));
    if (lpWaveHdr2 == nullptr) return Fail("Cannot Allocate Wave Header 2");
    for (auto [hdr, data] : {std::pair{lpWaveHdr, lpData}, std::pair{lpWaveHdr2, lpData2}}) {
        std::memset(hdr, 0, sizeof(WAVEHDR));
        hdr->lpData = data;
        hdr->dwBufferLength = dwDataSize;
    }
    return TRUE;
}

BOOL QueueFirstBlocks()
{
    if (waveOutPrepareHeader(hWaveOut, lpWaveHdr, sizeof(WAVEHDR))) return Fail("Cannot Prepare Header");
    if (waveOutPrepareHeader(hWaveOut, lpWaveHdr2, sizeof(WAVEHDR))) return Fail("Cannot Prepare Header 2");

    // Block 1's odd last byte keeps the format file's last data byte; block 2's
    // gets silence rather than whatever its allocation held.
    PrefillBlock(reinterpret_cast<unsigned char*>(lpData), dwDataSize);
    PrefillBlock(reinterpret_cast<unsigned char*>(lpData2), dwDataSize);
    if (dwDataSize & 1) lpData2[dwDataSize - 1] = static_cast<char>(SILENT_LEVEL);

    dwResult = waveOutWrite(hWaveOut, lpWaveHdr, sizeof(WAVEHDR));
    if (dwResult) return Fail("Failed To Unprepare Header");
    dwResult = waveOutWrite(hWaveOut, lpWaveHdr2, sizeof(WAVEHDR));
    if (dwResult) return Fail("Failed To Write Block To Device");
    return TRUE;
}

}  // namespace

BOOL OpenWaveOutput(HWND hWnd)
{
    hOwner = hWnd;
    std::strcpy(szFileName, "ding.wav");
    hmmio = mmioOpenA(szFileName, nullptr, MMIO_READ | MMIO_ALLOCBUF);
    if (hmmio == nullptr) return Fail("Failed To Open FilE");
    SystemFormatReader reader;
    const void* format = nullptr;
    uint32_t dataSize = 0;
    const char* refusal = ReadFormatFile(reader, &format, &dataSize);
    dwDataSize = dataSize;
    if (refusal != nullptr) Fail(refusal);
    else if (OpenDevice() && MakeBlocks() && QueueFirstBlocks()) return TRUE;
    ReleaseOutput();
    return FALSE;
}

void RefillBlock()
{
    if (hWaveOut == nullptr) return;
    LPWAVEHDR hdr = dbl == 0 ? lpWaveHdr : lpWaveHdr2;
    waveOutUnprepareHeader(hWaveOut, hdr, sizeof(WAVEHDR));
    MixBlock(reinterpret_cast<unsigned char*>(hdr->lpData), dwDataSize);
    if (waveOutPrepareHeader(hWaveOut, hdr, sizeof(WAVEHDR))) {
        Fail("Unable To Prepare Header");
        return;
    }
    dwResult = waveOutWrite(hWaveOut, hdr, sizeof(WAVEHDR));
    if (dwResult) {
        waveOutUnprepareHeader(hWaveOut, hdr, sizeof(WAVEHDR));
        Fail("Failed To Unprepare Header");
        return;
    }
    dbl = 1 - dbl;
}

void CloseWaveOutput()
{
    if (hWaveOut == nullptr) return;
    waveOutReset(hWaveOut);
    waveOutUnprepareHeader(hWaveOut, lpWaveHdr, sizeof(WAVEHDR));
    waveOutUnprepareHeader(hWaveOut, lpWaveHdr2, sizeof(WAVEHDR));
    waveOutClose(hWaveOut);
    hWaveOut = nullptr;
}
