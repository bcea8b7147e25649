#include "lumora/shell/DataPath.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/Files.h"

namespace {

std::string ForwardSlashes(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The leading run of components that exists exactly as written (the folder
// the game built the path from, "" when none does), and the rest, which is
// left to the resolver.
std::pair<std::string, std::string> SplitExisting(const std::string& path) {
    std::string prefix = path[0] == '/' ? "/" : "";
    std::size_t pos = prefix.size();
    while (pos < path.size()) {
        std::size_t slash = path.find('/', pos);
        if (slash == std::string::npos) break;  // the last component is the resolver's
        std::string candidate = prefix + path.substr(pos, slash - pos);
        if (slash == pos || !Exists(candidate)) break;
        prefix = candidate + "/";
        pos = slash + 1;
    }
    return {prefix.empty() ? "./" : prefix, path.substr(pos)};
}

}  // namespace

std::string ResolveForReading(std::string_view rawPath) {
    std::string path = ForwardSlashes(rawPath);
    if (path.empty()) return {};
    if (Exists(path)) return path;
    auto [root, rest] = SplitExisting(path);
    return platform::ResolvePath(root, rest);
}

std::string ResolveForWriting(std::string_view rawPath) {
    std::string path = ForwardSlashes(rawPath);
    if (path.empty()) return {};
    if (Exists(path)) return path;
    auto [root, rest] = SplitExisting(path);
    std::string resolved = platform::ResolvePathForCreate(root, rest);
    return resolved.empty() ? path : resolved;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/' && out.back() != '\\') out += '/';
    out += name;
    return out;
}
