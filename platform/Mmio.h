// Buffered multimedia file I/O (the winmm mmio subset used for wave files):
// open for reading with an I/O buffer, RIFF chunk navigation, reads, seeks
// and direct access to the I/O buffer.
//
// File names are plain host paths (resolve data names first). Files are
// read-only. Chunk navigation never leaves the parent chunk: a chunk whose
// size reaches past its parent's end is refused as malformed. A chunk may
// reach past the end of the file itself; reads then come up short, which is
// how a truncated file shows.
#pragma once

#include <cstdio>  // SEEK_SET, SEEK_CUR, SEEK_END

#include "platform/Time.h"  // MMSYSERR_INVALPARAM
#include "platform/Types.h"

namespace platform {

using FOURCC = DWORD;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
    return static_cast<FOURCC>(static_cast<BYTE>(a)) | (static_cast<FOURCC>(static_cast<BYTE>(b)) << 8) |
           (static_cast<FOURCC>(static_cast<BYTE>(c)) << 16) | (static_cast<FOURCC>(static_cast<BYTE>(d)) << 24);
}

constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');
constexpr FOURCC FOURCC_DOS = mmioFOURCC('D', 'O', 'S', ' ');

struct MmioFile;
using HMMIO = MmioFile*;
using LPMMIOPROC = LRESULT (*)(char* info, UINT msg, LPARAM param1, LPARAM param2);

// The I/O-buffer record. Between mmioGetInfo and mmioSetInfo the caller may
// read bytes from pchNext up to pchEndRead and move pchNext on.
struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    LPMMIOPROC pIOProc;
    UINT wErrorRet;
    void* htask;
    LONG cchBuffer;     // size of the I/O buffer, 0 when unbuffered
    char* pchBuffer;
    char* pchNext;      // next byte to read
    char* pchEndRead;   // one past the last valid byte
    char* pchEndWrite;
    LONG lBufOffset;    // file offset of pchBuffer
    LONG lDiskOffset;   // file offset just past what the buffer holds
    DWORD adwInfo[3];
    DWORD dwReserved1;
    DWORD dwReserved2;
    HMMIO hmmio;
};

// The chunk record.
struct MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;       // form type of a RIFF or LIST chunk, else 0
    DWORD dwDataOffset;   // file offset of the chunk's data (a form type comes first)
    DWORD dwFlags;
};

using LPMMIOINFO = MMIOINFO*;
using LPMMCKINFO = MMCKINFO*;

// mmioOpen flags.
enum : DWORD {
    MMIO_READ = 0x00000000,
    MMIO_WRITE = 0x00000001,
    MMIO_READWRITE = 0x00000002,
    MMIO_COMPAT = 0x00000000,
    MMIO_EXCLUSIVE = 0x00000010,
    MMIO_DENYWRITE = 0x00000020,
    MMIO_DENYREAD = 0x00000030,
    MMIO_DENYNONE = 0x00000040,
    MMIO_CREATE = 0x00001000,
    MMIO_PARSE = 0x00000100,
    MMIO_DELETE = 0x00000200,
    MMIO_EXIST = 0x00004000,
    MMIO_ALLOCBUF = 0x00010000,
    MMIO_GETTEMP = 0x00020000,
    MMIO_DIRTY = 0x10000000,
};

// mmioDescend flags.
enum : UINT { MMIO_FINDCHUNK = 0x0010, MMIO_FINDRIFF = 0x0020, MMIO_FINDLIST = 0x0040 };

constexpr LONG MMIO_DEFAULTBUFFER = 8192;

// Error codes.
enum : MMRESULT {
    MMSYSERR_NOERROR = 0,
    MMSYSERR_INVALHANDLE = 5,
    MMIOERR_FILENOTFOUND = 257,
    MMIOERR_OUTOFMEMORY = 258,
    MMIOERR_CANNOTOPEN = 259,
    MMIOERR_CANNOTCLOSE = 260,
    MMIOERR_CANNOTREAD = 261,
    MMIOERR_CANNOTWRITE = 262,
    MMIOERR_CANNOTSEEK = 263,
    MMIOERR_CANNOTEXPAND = 264,
    MMIOERR_CHUNKNOTFOUND = 265,
    MMIOERR_UNBUFFERED = 266,
    MMIOERR_PATHNOTFOUND = 267,
    MMIOERR_ACCESSDENIED = 268,
    MMIOERR_SHARINGVIOLATION = 269,
    MMIOERR_NETWORKERROR = 270,
    MMIOERR_TOOMANYOPENFILES = 271,
    MMIOERR_INVALIDFILE = 272,
};

// Opens `path` for reading. With MMIO_ALLOCBUF the layer allocates an I/O
// buffer of info->cchBuffer bytes (MMIO_DEFAULTBUFFER when 0 or no info); a
// caller's buffer can be given in info->pchBuffer/cchBuffer instead. On
// failure gives null and, with info, the reason in info->wErrorRet. Write,
// create, delete and parse modes and custom I/O procedures are not offered.
HMMIO mmioOpenA(const char* path, MMIOINFO* info, DWORD flags);
inline HMMIO mmioOpen(const char* path, MMIOINFO* info, DWORD flags) { return mmioOpenA(path, info, flags); }

MMRESULT mmioClose(HMMIO file, UINT flags);

// Reads up to `count` bytes at the current position: the bytes read (0 at
// the end of the file), or -1 on error.
LONG mmioRead(HMMIO file, char* dest, LONG count);

// origin is SEEK_SET, SEEK_CUR or SEEK_END. Gives the new position, or -1.
// A position past the end is allowed; reads there give nothing.
LONG mmioSeek(HMMIO file, LONG offset, int origin);

// Finds a chunk at the current position and enters it. Without a search
// flag the chunk at the current position is taken; MMIO_FINDCHUNK looks for
// ck->ckid, MMIO_FINDRIFF / MMIO_FINDLIST for a RIFF / LIST chunk of form
// type ck->fccType, skipping other chunks (and their pad bytes). The search
// stays inside `parent` when given. Afterwards the file stands on the
// chunk's data (past the form type of a RIFF or LIST chunk).
// MMIOERR_CHUNKNOTFOUND when the parent or the file ends first;
// MMIOERR_INVALIDFILE for a size that runs past the parent.
MMRESULT mmioDescend(HMMIO file, MMCKINFO* ck, const MMCKINFO* parent, UINT flags);
// Leaves a chunk entered by mmioDescend: the file stands just past its data
// and pad byte.
MMRESULT mmioAscend(HMMIO file, MMCKINFO* ck, UINT flags);

// Direct access to the I/O buffer.
MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, UINT flags);
MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, UINT flags);
// Refills the buffer from the position info->pchNext stands for (MMIO_READ)
// and updates info. At the end of the file pchNext equals pchEndRead
// afterwards. MMIOERR_UNBUFFERED for a file opened without a buffer.
MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, UINT flags);

}  // namespace platform
