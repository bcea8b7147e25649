#include "lumora/framework/LFrameReader.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "lumora/framework/FrameFormat.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/MessageToUser.h"
#include "platform/Files.h"

namespace {

// Frame files are small; anything bigger is not one.
constexpr std::size_t kMaxFrameFile = 16u * 1024 * 1024;

bool ReadWhole(const std::string& path, std::vector<std::uint8_t>* out) {
    if (path.empty()) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxFrameFile) return false;
    in.seekg(0);
    out->resize(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(out->data()), size)) return false;
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

LFrameReader::LFrameReader(const char* dataRoot, int mode)
    : m_Extension(mode == kText ? ".txt" : ".fra"), m_Mode(mode) {
    m_Folder = JoinPath(dataRoot ? dataRoot : "", "2DFRA/");
    MakeCurrent();
}

LFrameReader::~LFrameReader() {
    Close();
    ForgetIfCurrent();
}

std::string LFrameReader::WithDefaultExtension(const char* name) const {
    std::string file = name ? name : "";
    // Only the name's own last component counts: folders may hold dots.
    std::size_t slash = file.find_last_of("/\\");
    std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    if (file.find('.', base) == std::string::npos) file += m_Extension;
    return file;
}

std::string LFrameReader::FramePath(const char* name) const {
    std::string dataRoot = m_Folder.substr(0, m_Folder.size() - std::strlen("2DFRA/"));
    return platform::ResolvePath(dataRoot, "2DFRA/" + WithDefaultExtension(name));
}

int LFrameReader::Open(const char* name) {
    Close();
    m_Name = name ? name : "";
    if (!ReadWhole(FramePath(name), &m_Buffer)) {
        m_Buffer.clear();
        new MessageToUser(0, 8, __FILE__, __LINE__, m_Name.c_str());
        return 0;
    }
    return FinishOpen();
}

int LFrameReader::OpenBytes(const char* name, const void* data, std::size_t size) {
    Close();
    m_Name = name ? name : "";
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_Buffer.assign(bytes, bytes + size);
    return FinishOpen();
}

int LFrameReader::FinishOpen() {
    m_Cursor = 0;
    m_Damaged = 0;
    int count = 0;
    ReadInt(&count);
    // A count the file cannot hold is damage, not a reason to read on.
    const std::size_t room = m_Buffer.size() >= 4 ? (m_Buffer.size() - 4) / kMinViewRecordSize : 0;
    if (m_Damaged || count <= 0 || static_cast<std::size_t>(count) > room) {
        new MessageToUser(0, 9, __FILE__, __LINE__, m_Name.c_str());
        Close();
        return 0;
    }
    return count;
}

int LFrameReader::ReadBytes(void* dst, int n) {
    if (n <= 0) return 1;
    const std::size_t left = m_Cursor <= m_Buffer.size() ? m_Buffer.size() - m_Cursor : 0;
    const std::size_t take = std::min<std::size_t>(left, static_cast<std::size_t>(n));
    if (take) std::memcpy(dst, m_Buffer.data() + m_Cursor, take);
    m_Cursor += take;
    if (take < static_cast<std::size_t>(n)) {
        std::memset(static_cast<std::uint8_t*>(dst) + take, 0, static_cast<std::size_t>(n) - take);
        m_Damaged = 1;
        return 0;
    }
    return 1;
}

int LFrameReader::ReadInt(int* dst) {
    std::uint8_t b[4];
    int ok = ReadBytes(b, 4);
    *dst = GetInt32(b);
    return ok;
}

int LFrameReader::ReadCode(int* dst) {
    ReadInt(dst);
    return *dst != 0;
}

int LFrameReader::ReadName(char* dst) {
    int ok = ReadBytes(dst, kFrameNameSize);
    dst[kFrameNameSize - 1] = '\0';
    return ok;
}

void LFrameReader::Close() {
    m_Buffer.clear();
    m_Buffer.shrink_to_fit();
    m_Record.clear();
    m_Cursor = 0;
    m_BehaviorScan = 0;
    m_Output = nullptr;
}

// ---- text side ----

int LFrameReader::OpenText(const char* path, std::vector<std::uint8_t>* out) {
    Close();
    m_Error.clear();
    std::string name = WithDefaultExtension(path);
    std::string resolved = ResolveForReading(name);
    if (resolved.empty() && name.find_first_of("/\\") == std::string::npos)
        resolved = platform::ResolvePath(m_Folder, name);
    std::vector<std::uint8_t> bytes;
    if (!ReadWhole(resolved, &bytes)) {
        SetError("cannot read " + name);
        return 0;
    }
    return OpenTextBytes(reinterpret_cast<const char*>(bytes.data()), bytes.size(), out);
}

int LFrameReader::OpenTextBytes(const char* data, std::size_t size, std::vector<std::uint8_t>* out) {
    Close();
    m_Error.clear();
    m_Buffer.assign(data, data + size);
    std::size_t i = 0;
    while (i < m_Buffer.size() && IsBlank(static_cast<char>(m_Buffer[i]))) ++i;
    if (i == m_Buffer.size()) {
        SetError("the source is empty");
        m_Buffer.clear();
        return 0;
    }
    m_Output = out;
    return 1;
}

void LFrameReader::SetError(const std::string& error) {
    if (m_Error.empty()) m_Error = error;
}

int LFrameReader::NextRecord(int* code) {
    *code = 0;
    m_Record.clear();
    if (!m_Error.empty()) return 0;
    while (m_Cursor < m_Buffer.size() && IsBlank(static_cast<char>(m_Buffer[m_Cursor]))) ++m_Cursor;
    if (m_Cursor >= m_Buffer.size()) return 0;
    const char* begin = reinterpret_cast<const char*>(m_Buffer.data()) + m_Cursor;
    const std::size_t left = m_Buffer.size() - m_Cursor;
    const void* sep = std::memchr(begin, m_RecordSeparator, left);
    if (!sep) {
        SetError("a record does not end with '$'");
        return 0;
    }
    const std::size_t length = static_cast<const char*>(sep) - begin + 1;
    m_Record.assign(begin, length);
    m_Cursor += length;
    if (m_Record.size() < 5 || IsBlank(m_Record[1]) || IsBlank(m_Record[2]) || IsBlank(m_Record[3])) {
        SetError("a record does not start with a class code");
        return 0;
    }
    *code = ClassCodeFromText(m_Record.c_str());
    m_BehaviorScan = 4;
    // The view's own part runs to the first behaviour.
    m_PartBegin = 4;
    std::size_t at = m_Record.find(m_BehaviorMarker, 4);
    m_PartEnd = at == std::string::npos ? m_Record.size() : at;
    return 1;
}

int LFrameReader::NextBehavior(int* code) {
    *code = 0;
    if (!m_Error.empty() || m_Record.empty()) return 0;
    std::size_t at = m_Record.find(m_BehaviorMarker, m_BehaviorScan);
    if (at == std::string::npos) return 0;
    if (at + 4 > m_Record.size()) {
        SetError("a behaviour code is cut short");
        return 0;
    }
    *code = ClassCodeFromText(m_Record.c_str() + at);
    m_BehaviorScan = at + 1;
    m_PartBegin = at + 4;
    std::size_t next = m_Record.find(m_BehaviorMarker, at + 1);
    m_PartEnd = next == std::string::npos ? m_Record.size() : next;
    return 1;
}

const char* LFrameReader::FindKey(const char* key, std::size_t* valueEnd) {
    const std::size_t keyLength = std::strlen(key);
    std::size_t found = std::string::npos;
    std::size_t inPart = m_Record.find(key, m_PartBegin);
    if (inPart != std::string::npos && inPart + keyLength <= m_PartEnd) found = inPart;
    if (found == std::string::npos) found = m_Record.find(key);
    if (found == std::string::npos) return nullptr;
    std::size_t v = found + keyLength;
    while (v < m_Record.size() && (m_Record[v] == ' ' || m_Record[v] == '\t')) ++v;
    std::size_t end = m_Record.find(m_ValueTerminator, v);
    if (end == std::string::npos) {
        SetError(std::string("the value of ") + key + " does not end with ';'");
        return nullptr;
    }
    if (m_Record.find(m_BehaviorMarker, v) < end) {
        SetError(std::string("the value of ") + key + " runs into a behaviour (no ';')");
        return nullptr;
    }
    *valueEnd = end;
    return m_Record.c_str() + v;
}

int LFrameReader::GetString(const char* key, char* dst, int size) {
    if (size <= 0) return 0;
    dst[0] = '\0';
    std::size_t end = 0;
    const char* value = FindKey(key, &end);
    if (!value) return 0;
    std::size_t length = m_Record.c_str() + end - value;
    length = strnlen(value, length);  // a NUL in the source ends the text
    while (length > 0 && IsBlank(value[length - 1])) --length;
    if (length > static_cast<std::size_t>(size - 1)) length = static_cast<std::size_t>(size - 1);
    std::memcpy(dst, value, length);
    dst[length] = '\0';
    return 1;
}

int LFrameReader::GetInt(const char* key, int* dst) {
    *dst = 0;
    std::size_t end = 0;
    const char* value = FindKey(key, &end);
    if (!value) return 0;
    *dst = static_cast<int>(std::strtol(value, nullptr, 10));
    return 1;
}

int LFrameReader::Write(const void* data, int n) {
    if (!m_Output || n < 0) {
        new MessageToUser(0, 9, __FILE__, __LINE__, m_Name.c_str());
        return 0;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_Output->insert(m_Output->end(), bytes, bytes + n);
    return 1;
}

namespace {
LFrameReader* g_FrameReader = nullptr;
}

LFrameReader* GetFrameReader() { return g_FrameReader; }

void LFrameReader::MakeCurrent() { g_FrameReader = this; }

void LFrameReader::ForgetIfCurrent() {
    if (g_FrameReader == this) g_FrameReader = nullptr;
}
