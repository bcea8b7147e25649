#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::vector<std::string_view> Components(std::string_view name) {
    std::vector<std::string_view> parts;
    size_t i = 0;
    while (i < name.size()) {
        while (i < name.size() && IsSeparator(name[i])) ++i;
        size_t j = i;
        while (j < name.size() && !IsSeparator(name[j])) ++j;
        if (j > i) parts.push_back(name.substr(i, j - i));
        i = j;
    }
    return parts;
}

bool Exists(const std::string& path, bool* isDir = nullptr) {
    struct stat st {};
    if (::stat(path.empty() ? "." : path.c_str(), &st) != 0) return false;
    if (isDir) *isDir = S_ISDIR(st.st_mode);
    return true;
}

// The on-disk spelling of `component` inside `dir` ("" when absent).
std::string FindEntry(const std::string& dir, std::string_view component) {
    std::string exact = dir + std::string(component);
    if (Exists(exact)) return std::string(component);
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::string best;
    while (dirent* e = ::readdir(d)) {
        std::string_view n = e->d_name;
        if (n == "." || n == "..") continue;
        // Several spellings: take the first in byte order, so the answer
        // does not depend on the directory's internal order.
        if (SameIgnoringCase(n, component) && (best.empty() || n < best)) best = std::string(n);
    }
    ::closedir(d);
    return best;
}

std::string WithSlash(std::string_view root) {
    std::string r(root);
    if (!r.empty() && !IsSeparator(r.back())) r += '/';
    return r;
}

// Shared walk: resolves all components (or all but the last when creating).
std::string Walk(std::string_view root, std::string_view dataName, bool forCreate) {
    std::vector<std::string_view> parts = Components(dataName);
    std::string out = WithSlash(root);
    bool wantDir = !dataName.empty() && IsSeparator(dataName.back());
    // "." adds nothing; ".." would step out of root.
    std::vector<std::string_view> kept;
    for (std::string_view p : parts) {
        if (p == "..") return {};
        if (p != ".") kept.push_back(p);
    }
    if (kept.empty()) {
        if (forCreate) return {};
        bool isDir = false;
        if (!Exists(out, &isDir) || !isDir) return {};
        return out.empty() ? std::string("./") : out;
    }
    for (size_t i = 0; i < kept.size(); ++i) {
        bool last = i + 1 == kept.size();
        std::string found = FindEntry(out, kept[i]);
        if (found.empty()) {
            if (last && forCreate && !wantDir) {
                found = std::string(kept[i]);
            } else {
                return {};
            }
        }
        out += found;
        if (!last) out += '/';
    }
    if (wantDir && !forCreate) {
        bool isDir = false;
        if (!Exists(out, &isDir) || !isDir) return {};
        out += '/';
    }
    return out;
}

void SplitRoot(std::string_view path, std::string_view& root, std::string_view& rest) {
    if (!path.empty() && path[0] == '/') {
        root = "/";
        rest = path.substr(1);
    } else {
        root = "";
        rest = path;
    }
}

bool Match(std::string_view name, std::string_view pattern) {
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

std::string ExecutablePath() {
    std::string buffer(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return "./";
    buffer.resize(static_cast<size_t>(n));
    size_t slash = buffer.rfind('/');
    return slash == std::string::npos ? std::string("./") : buffer.substr(0, slash + 1);
}

std::string ResolvePath(std::string_view root, std::string_view dataName) { return Walk(root, dataName, false); }

std::string ResolvePath(std::string_view path) {
    std::string_view root, rest;
    SplitRoot(path, root, rest);
    return Walk(root, rest, false);
}

std::string ResolvePathForCreate(std::string_view root, std::string_view dataName) {
    return Walk(root, dataName, true);
}

std::string ResolvePathForCreate(std::string_view path) {
    std::string_view root, rest;
    SplitRoot(path, root, rest);
    return Walk(root, rest, true);
}

bool PatternMatches(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*") pattern = "*";
    return Match(name, pattern);
}

std::vector<DirEntry> ListDirectory(std::string_view folder, std::string_view pattern) {
    std::vector<DirEntry> entries;
    std::string dir = folder.empty() ? std::string("./") : ResolvePath(folder);
    if (dir.empty()) return entries;
    dir = WithSlash(dir);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return entries;
    while (dirent* e = ::readdir(d)) {
        std::string_view n = e->d_name;
        if (n == "." || n == ".." || !PatternMatches(n, pattern)) continue;
        DirEntry entry;
        entry.name = std::string(n);
        struct stat st {};
        if (::stat((dir + entry.name).c_str(), &st) == 0) {
            entry.directory = S_ISDIR(st.st_mode);
            entry.size = entry.directory ? 0 : static_cast<std::uint64_t>(st.st_size);
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(d);
    std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
}

bool MakeDirectory(std::string_view path) {
    std::string p(path);
    while (p.size() > 1 && IsSeparator(p.back())) p.pop_back();
    for (char& c : p)
        if (c == '\\') c = '/';
    if (::mkdir(p.c_str(), 0777) == 0) return true;
    bool isDir = false;
    return errno == EEXIST && Exists(p, &isDir) && isDir;
}

}  // namespace platform
