#include "platform/Mmio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace platform {

// An open file: the descriptor and its I/O buffer. The logical position is
// bufOffset + next; the buffer holds the file's bytes [bufOffset, bufOffset + endRead).
struct MmioFile {
    int fd = -1;
    std::int64_t size = 0;
    DWORD openFlags = 0;
    std::vector<char> own;  // the buffer when the layer allocated it
    char* buffer = nullptr;
    LONG capacity = 0;      // 0: unbuffered
    LONG bufOffset = 0;
    LONG next = 0;
    LONG endRead = 0;

    std::int64_t Position() const { return static_cast<std::int64_t>(bufOffset) + next; }

    // Moves to `pos`, keeping the buffered bytes when pos falls inside them.
    void MoveTo(LONG pos) {
        if (pos >= bufOffset && pos <= static_cast<std::int64_t>(bufOffset) + endRead) {
            next = pos - bufOffset;
        } else {
            bufOffset = pos;
            next = endRead = 0;
        }
    }

    // Reads at most `count` bytes at file offset `at`; -1 on error.
    LONG ReadAt(std::int64_t at, char* dest, LONG count) const {
        if (at >= size || count <= 0) return 0;
        const std::int64_t want = std::min<std::int64_t>(count, size - at);
        std::int64_t done = 0;
        while (done < want) {
            const ssize_t n = ::pread(fd, dest + done, static_cast<size_t>(want - done), static_cast<off_t>(at + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if (n == 0) break;  // the file shrank under us
            done += n;
        }
        return static_cast<LONG>(done);
    }

    // Fills the buffer from the current position. False on a read error.
    bool Refill() {
        const LONG pos = static_cast<LONG>(Position());
        const LONG n = ReadAt(pos, buffer, capacity);
        bufOffset = pos;
        next = 0;
        endRead = n < 0 ? 0 : n;
        return n >= 0;
    }

    LONG Read(char* dest, LONG count) {
        LONG total = 0;
        while (total < count) {
            if (next < endRead) {
                const LONG n = std::min(count - total, endRead - next);
                std::memcpy(dest + total, buffer + next, static_cast<size_t>(n));
                next += n;
                total += n;
                continue;
            }
            if (Position() >= size) break;
            if (capacity == 0 || count - total >= capacity) {
                // Large or unbuffered reads go straight to the destination.
                const LONG n = ReadAt(Position(), dest + total, count - total);
                if (n < 0) return -1;
                if (n == 0) break;
                bufOffset = static_cast<LONG>(Position() + n);
                next = endRead = 0;
                total += n;
                continue;
            }
            if (!Refill()) return -1;
            if (endRead == 0) break;
        }
        return total;
    }

    // The info record's pchNext, if it points into the valid part of our buffer.
    bool AcceptNext(const MMIOINFO& info, LONG& index) const {
        if (info.pchBuffer != buffer || !info.pchNext) return false;
        const std::ptrdiff_t d = info.pchNext - buffer;
        if (d < 0 || d > endRead) return false;
        index = static_cast<LONG>(d);
        return true;
    }
};

namespace {

// Largest file offset a LONG can carry (the host long is wider).
constexpr std::int64_t kMaxOffset = std::numeric_limits<LONG>::max();

MMRESULT OpenError(int err) {
    switch (err) {
        case ENOENT: return MMIOERR_FILENOTFOUND;
        case ENOTDIR: return MMIOERR_PATHNOTFOUND;
        case EACCES:
        case EPERM: return MMIOERR_ACCESSDENIED;
        case EMFILE:
        case ENFILE: return MMIOERR_TOOMANYOPENFILES;
        case ENOMEM: return MMIOERR_OUTOFMEMORY;
        default: return MMIOERR_CANNOTOPEN;
    }
}

DWORD LoadLe32(const unsigned char* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

}  // namespace

HMMIO mmioOpenA(const char* path, MMIOINFO* info, DWORD flags) {
    auto fail = [info](MMRESULT code) -> HMMIO {
        if (info) info->wErrorRet = code;
        return nullptr;
    };
    if (!path) return fail(MMSYSERR_INVALPARAM);
    if ((flags & 0x3) != MMIO_READ) return fail(MMIOERR_ACCESSDENIED);
    if (flags & (MMIO_CREATE | MMIO_PARSE | MMIO_DELETE | MMIO_EXIST | MMIO_GETTEMP)) return fail(MMSYSERR_INVALPARAM);
    if (info && (info->pIOProc || (info->fccIOProc != 0 && info->fccIOProc != FOURCC_DOS)))
        return fail(MMSYSERR_INVALPARAM);
    if (info && info->cchBuffer < 0) return fail(MMSYSERR_INVALPARAM);
    if (info && info->pchBuffer && info->cchBuffer == 0) return fail(MMSYSERR_INVALPARAM);

    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(OpenError(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(MMIOERR_CANNOTOPEN);
    }
    if (st.st_size > kMaxOffset) {
        ::close(fd);
        return fail(MMIOERR_INVALIDFILE);
    }

    auto* file = new (std::nothrow) MmioFile;
    if (!file) {
        ::close(fd);
        return fail(MMIOERR_OUTOFMEMORY);
    }
    file->fd = fd;
    file->size = st.st_size;
    file->openFlags = flags;
    try {
        if (info && info->pchBuffer) {
            file->buffer = info->pchBuffer;
            file->capacity = info->cchBuffer;
        } else if ((flags & MMIO_ALLOCBUF) || (info && info->cchBuffer > 0)) {
            file->capacity = info && info->cchBuffer > 0 ? info->cchBuffer : MMIO_DEFAULTBUFFER;
            file->own.resize(static_cast<size_t>(file->capacity));
            file->buffer = file->own.data();
        }
    } catch (const std::bad_alloc&) {
        ::close(fd);
        delete file;
        return fail(MMIOERR_OUTOFMEMORY);
    }
    if (info) {
        info->wErrorRet = MMSYSERR_NOERROR;
        info->hmmio = file;
    }
    return file;
}

MMRESULT mmioClose(HMMIO file, UINT) {
    if (!file) return MMSYSERR_INVALHANDLE;
    const int rc = ::close(file->fd);
    delete file;
    return rc == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTCLOSE;
}

LONG mmioRead(HMMIO file, char* dest, LONG count) {
    if (!file || count < 0 || (count > 0 && !dest)) return -1;
    return file->Read(dest, count);
}

LONG mmioSeek(HMMIO file, LONG offset, int origin) {
    if (!file) return -1;
    std::int64_t base = 0;
    switch (origin) {
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = file->Position(); break;
        case SEEK_END: base = file->size; break;
        default: return -1;
    }
    const std::int64_t target = base + offset;
    if (target < 0 || target > kMaxOffset) return -1;
    file->MoveTo(static_cast<LONG>(target));
    return static_cast<LONG>(target);
}

MMRESULT mmioDescend(HMMIO file, MMCKINFO* ck, const MMCKINFO* parent, UINT flags) {
    if (!file || !ck) return MMSYSERR_INVALPARAM;
    const std::int64_t limit =
        parent ? std::min<std::int64_t>(static_cast<std::int64_t>(parent->dwDataOffset) + parent->cksize, kMaxOffset)
               : kMaxOffset;
    const FOURCC wantId = ck->ckid;
    const FOURCC wantType = ck->fccType;

    for (;;) {
        const std::int64_t start = file->Position();
        if (start + 8 > limit) return MMIOERR_CHUNKNOTFOUND;
        unsigned char header[8];
        const LONG got = file->Read(reinterpret_cast<char*>(header), 8);
        if (got < 0) return MMIOERR_CANNOTREAD;
        if (got < 8) return MMIOERR_CHUNKNOTFOUND;
        const FOURCC id = LoadLe32(header);
        const DWORD size = LoadLe32(header + 4);
        const std::int64_t data = start + 8;
        const std::int64_t end = data + size;
        if (end > limit) return MMIOERR_INVALIDFILE;

        const bool hasType = id == FOURCC_RIFF || id == FOURCC_LIST;
        FOURCC type = 0;
        if (hasType) {
            if (size < 4) return MMIOERR_INVALIDFILE;
            unsigned char t[4];
            const LONG n = file->Read(reinterpret_cast<char*>(t), 4);
            if (n < 0) return MMIOERR_CANNOTREAD;
            if (n < 4) return MMIOERR_CHUNKNOTFOUND;
            type = LoadLe32(t);
        }

        bool match = true;
        if (flags & MMIO_FINDCHUNK) {
            match = id == wantId;
        } else if (flags & MMIO_FINDRIFF) {
            match = id == FOURCC_RIFF && type == wantType;
        } else if (flags & MMIO_FINDLIST) {
            match = id == FOURCC_LIST && type == wantType;
        }
        if (match) {
            ck->ckid = id;
            ck->cksize = size;
            ck->fccType = type;
            ck->dwDataOffset = static_cast<DWORD>(data);
            ck->dwFlags = 0;
            return MMSYSERR_NOERROR;
        }
        const std::int64_t after = end + (size & 1);
        if (after > kMaxOffset) return MMIOERR_CHUNKNOTFOUND;
        file->MoveTo(static_cast<LONG>(after));
    }
}

MMRESULT mmioAscend(HMMIO file, MMCKINFO* ck, UINT) {
    if (!file || !ck) return MMSYSERR_INVALPARAM;
    const std::int64_t after = static_cast<std::int64_t>(ck->dwDataOffset) + ck->cksize + (ck->cksize & 1);
    if (after > kMaxOffset) return MMIOERR_CANNOTSEEK;
    file->MoveTo(static_cast<LONG>(after));
    return MMSYSERR_NOERROR;
}

MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, UINT) {
    if (!file) return MMSYSERR_INVALHANDLE;
    if (!info) return MMSYSERR_INVALPARAM;
    *info = MMIOINFO{};
    info->dwFlags = file->openFlags;
    info->fccIOProc = FOURCC_DOS;
    info->cchBuffer = file->capacity;
    info->pchBuffer = file->buffer;
    info->pchNext = file->buffer ? file->buffer + file->next : nullptr;
    info->pchEndRead = file->buffer ? file->buffer + file->endRead : nullptr;
    info->pchEndWrite = file->buffer ? file->buffer + file->capacity : nullptr;
    info->lBufOffset = file->bufOffset;
    info->lDiskOffset = file->bufOffset + file->endRead;
    info->hmmio = file;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, UINT) {
    if (!file) return MMSYSERR_INVALHANDLE;
    if (!info) return MMSYSERR_INVALPARAM;
    if (file->capacity == 0) return MMSYSERR_NOERROR;  // nothing to hand back
    LONG next = 0;
    if (!file->AcceptNext(*info, next)) return MMSYSERR_INVALPARAM;
    file->next = next;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, UINT flags) {
    if (!file) return MMSYSERR_INVALHANDLE;
    if (file->capacity == 0) return MMIOERR_UNBUFFERED;
    if (flags & MMIO_WRITE) return MMIOERR_CANNOTWRITE;
    if (info) {
        LONG next = 0;
        if (!file->AcceptNext(*info, next)) return MMSYSERR_INVALPARAM;
        file->next = next;
    }
    if (!file->Refill()) return MMIOERR_CANNOTREAD;
    if (info) {
        info->pchNext = file->buffer;
        info->pchEndRead = file->buffer + file->endRead;
        info->lBufOffset = file->bufOffset;
        info->lDiskOffset = file->bufOffset + file->endRead;
    }
    return MMSYSERR_NOERROR;
}

}  // namespace platform
