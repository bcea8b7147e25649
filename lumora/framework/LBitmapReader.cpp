#include "lumora/framework/LBitmapReader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

#include "lumora/shell/MessageToUser.h"
#include "platform/Files.h"

using namespace platform;

namespace {

std::string Lower(const char* s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Largest side of an archive picture.
constexpr int kMaxSide = 16384;

}  // namespace

std::string ArchiveFileName(int k) { return "BData" + std::to_string(k) + ".arn"; }

LBitmapReader::LBitmapReader(const std::string& mediaFolder) : m_Folder(mediaFolder) {}

LBitmapReader::~LBitmapReader() = default;

int LBitmapReader::Open() {
    m_Open = 0;
    const std::string path = ResolvePath(m_Folder, kHeaderName);
    if (path.empty()) return 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!ReadHeader(bytes.data(), bytes.size())) return 0;
    if (!OpenArchives()) return 0;
    m_Open = 1;
    return 1;
}

int LBitmapReader::ReadHeader(const std::uint8_t* data, std::size_t size) {
    m_Entries.clear();
    m_Index.clear();
    if (!data || size < static_cast<std::size_t>(kHeaderSize)) return 0;
    m_Depth = GetInt32(data);
    const std::int32_t count = GetInt32(data + 4);
    m_ArchiveCount = GetInt32(data + 8);
    // The count must fit the bytes that follow; the file count stays small.
    if (count < 0 || static_cast<std::size_t>(count) > (size - kHeaderSize) / kEntrySize) return 0;
    if (m_ArchiveCount < 0 || m_ArchiveCount > kMaxArchiveFiles) return 0;
    std::vector<std::uint64_t> fileEnds(static_cast<std::size_t>(m_ArchiveCount), 0);
    m_Entries.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint8_t* p = data + kHeaderSize + static_cast<std::size_t>(i) * kEntrySize;
        Entry e;
        std::memcpy(e.name, p, kFrameNameSize - 1);
        e.name[kFrameNameSize - 1] = '\0';
        e.rect = RECT{GetInt32(p + 32), GetInt32(p + 36), GetInt32(p + 40), GetInt32(p + 44)};
        e.file = GetInt32(p + 48);
        e.size = static_cast<std::uint32_t>(GetInt32(p + 52));
        if (e.file < 1 || e.file > m_ArchiveCount) return 0;
        e.offset = fileEnds[static_cast<std::size_t>(e.file) - 1];
        fileEnds[static_cast<std::size_t>(e.file) - 1] += e.size;
        // An entry whose pixels do not fit its size is kept for the offsets
        // of the others but never loaded.
        const bool usable = e.name[0] != '\0' && e.rect.right > 0 && e.rect.bottom > 0 && e.rect.right <= kMaxSide &&
                            e.rect.bottom <= kMaxSide &&
                            std::uint64_t{e.size} >= std::uint64_t(e.rect.right) * std::uint64_t(e.rect.bottom) * 2;
        m_Entries.push_back(e);
        if (usable) m_Index.emplace(Lower(e.name), m_Entries.size() - 1);
    }
    return 1;
}

int LBitmapReader::OpenArchives() {
    m_Archives.clear();
    m_ArchiveSizes.clear();
    for (int k = 1; k <= m_ArchiveCount; ++k) {
        const std::string path = ResolvePath(m_Folder, ArchiveFileName(k));
        auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
        if (path.empty() || !*file) {
            m_Archives.clear();
            m_ArchiveSizes.clear();
            return 0;
        }
        file->seekg(0, std::ios::end);
        const std::streamoff size = file->tellg();
        m_ArchiveSizes.push_back(size > 0 ? static_cast<std::uint64_t>(size) : 0);
        m_Archives.push_back(std::move(file));
    }
    return 1;
}

int LBitmapReader::CheckPixelFormat() const { return m_Depth == kDepth && m_Format == PixelFormat::RGB565; }

const LBitmapReader::Entry* LBitmapReader::FindEntry(const char* name) const {
    if (!name) return nullptr;
    auto it = m_Index.find(Lower(name));
    return it == m_Index.end() ? nullptr : &m_Entries[it->second];
}

DirectDrawSurface* LBitmapReader::LoadBitmap(DirectDraw* dd, const char* name, RECT* outRect) {
    if (!dd || !IsUsable()) return nullptr;
    const Entry* e = FindEntry(name);
    if (!e || static_cast<std::size_t>(e->file) > m_Archives.size()) return nullptr;
    std::ifstream& in = *m_Archives[static_cast<std::size_t>(e->file) - 1];
    // A picture that runs past the end of its file cannot be read: no
    // surface is made for it.
    const std::uint64_t need = std::uint64_t(e->rect.right) * std::uint64_t(e->rect.bottom) * 2;
    if (e->offset + need > m_ArchiveSizes[static_cast<std::size_t>(e->file) - 1]) {
        new MessageToUser(0, 7, __FILE__, __LINE__, e->name);
        return nullptr;
    }
    in.clear();
    if (!in.seekg(static_cast<std::streamoff>(e->offset))) {
        new MessageToUser(0, 6, __FILE__, __LINE__, e->name);
        return nullptr;
    }
    DirectDrawSurface* s = CreateOffscreenSurface(dd, PixelFormat::RGB565, e->rect.right, e->rect.bottom);
    if (!s) return nullptr;
    PixelView view;
    if (FAILED(s->Lock(nullptr, &view, DDLOCK_WAIT))) {
        s->Release();
        return nullptr;
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(e->rect.right) * 2);
    bool ok = true;
    for (int y = 0; y < e->rect.bottom && ok; ++y) {
        ok = static_cast<bool>(in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size())));
        auto* dst = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(view.bits) + static_cast<std::ptrdiff_t>(y) * view.pitch);
        for (int x = 0; x < e->rect.right && ok; ++x)
            dst[x] = static_cast<std::uint16_t>(row[2 * x] | (row[2 * x + 1] << 8));
    }
    s->Unlock(view.bits);
    if (!ok) {
        new MessageToUser(0, 7, __FILE__, __LINE__, e->name);
        s->Release();
        return nullptr;
    }
    if (outRect) *outRect = RECT{0, 0, e->rect.right, e->rect.bottom};
    return s;
}

std::vector<std::uint8_t> BuildArchiveHeader(const std::vector<LBitmapReader::Entry>& entries, int archiveCount) {
    std::vector<std::uint8_t> bytes(LBitmapReader::kHeaderSize + entries.size() * LBitmapReader::kEntrySize, 0);
    PutInt32(bytes.data(), LBitmapReader::kDepth);
    PutInt32(bytes.data() + 4, static_cast<std::int32_t>(entries.size()));
    PutInt32(bytes.data() + 8, archiveCount);
    std::uint8_t* p = bytes.data() + LBitmapReader::kHeaderSize;
    for (const LBitmapReader::Entry& e : entries) {
        std::memcpy(p, e.name, kFrameNameSize);
        p[kFrameNameSize - 1] = 0;
        PutInt32(p + 32, e.rect.left);
        PutInt32(p + 36, e.rect.top);
        PutInt32(p + 40, e.rect.right);
        PutInt32(p + 44, e.rect.bottom);
        PutInt32(p + 48, e.file);
        PutInt32(p + 52, static_cast<std::int32_t>(e.size));
        p += LBitmapReader::kEntrySize;
    }
    return bytes;
}
