// The material description file: a CR LF text file in which an artist reads
// and edits the scene's materials, one MATERIAL= entry per material.
#include "kelmat/SceneWalk.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kLineSize = 256;
const char* const kRule = ";-----------------------------------------------";  // ";" and 47 "-"

const char* TypeName(int32_t type) {
  switch (type) {
    case MATERIAL_SELF_ILLUM: return "MATERIAL_SELF_ILLUM";
    case MATERIAL_GOURAUD: return "MATERIAL_GOURAUD";
    case MATERIAL_GOURAUD_RGB: return "MATERIAL_GOURAUD_RGB";
    default: return nullptr;
  }
}

class TextOut {
 public:
  void Line(const std::string& text) { text_ += text + "\r\n"; }
  void Line(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
      std::string line(static_cast<std::size_t>(n) + 1, '\0');
      std::vsnprintf(line.data(), line.size(), format, again);
      line.resize(static_cast<std::size_t>(n));
      text_ += line;
    }
    va_end(again);
    text_ += "\r\n";
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

std::string NameOf(const char* field) { return std::string(field, kelmat::NameLength(field)); }

void WriteMap(TextOut& out, const char* keyword, const KelmatMap* map) {
  if (map != nullptr) {
    out.Line("%s=\"%s\"", keyword, NameOf(map->name).c_str());
    out.Line("REFLECTION=%d", map->reflection);
  } else {
    out.Line("%s=\"\"", keyword);
    out.Line("REFLECTION=0");
  }
}

// One line of the file as read: at most kLineSize characters, the LF
// dropped, the CR kept.
struct Line {
  char text[kLineSize];
  std::size_t length = 0;
  char At(std::size_t i) const { return i < length ? text[i] : '\0'; }
};

// Reads the next line; false at the end of the file with nothing read or
// on a line with nothing before its LF. atEnd tells that the file ended.
bool ReadLine(std::FILE* file, Line& line, bool& atEnd) {
  line.length = 0;
  while (line.length < kLineSize) {
    int c = std::fgetc(file);
    if (c == EOF) {
      atEnd = true;
      break;
    }
    if (c == '\n') break;
    line.text[line.length++] = static_cast<char>(c);
  }
  return line.length > 0;
}

enum class Outcome { Done, SyntaxError };

class Parser {
 public:
  explicit Parser(KelmatScene* scene) : scene_(scene) {}

  // Parses one line; false on a syntax error.
  bool ParseLine(const Line& line) {
    line_ = &line;
    std::size_t pos = 0;
    while (line.At(pos) == ' ') ++pos;
    if (pos < line.length && (line.At(pos) == '\r' || line.At(pos) == ';')) return true;
    for (;;) {
      bool matched = false;
      for (const Item& item : kItems) {
        if (!Matches(pos, item.keyword)) continue;
        matched = true;
        pos += std::strlen(item.keyword);
        Result result = (this->*item.read)(pos);
        if (result == Result::Error) return false;
        if (result == Result::LineOver) return true;
      }
      if (pos < line.length && (line.At(pos) == '\r' || line.At(pos) == ';')) return true;
      if (!matched) return false;
    }
  }

 private:
  enum class Result { Next, LineOver, Error };
  using Reader = Result (Parser::*)(std::size_t&);
  struct Item {
    const char* keyword;
    Reader read;
  };
  static const Item kItems[16];

  bool Matches(std::size_t pos, const char* keyword) const {
    std::size_t n = std::strlen(keyword);
    return pos + n <= line_->length && std::memcmp(line_->text + pos, keyword, n) == 0;
  }

  // A value that runs past the end of the line buffer is not applied; it is a
  // syntax error while a material is current.
  Result RanPast() const { return current_ != nullptr ? Result::Error : Result::LineOver; }

  // Unsigned decimal up to the terminator, built as value * 10 + (c - '0').
  // For the CR terminator the position stays on the CR; for a comma it moves
  // past it.
  bool Number(std::size_t& pos, char terminator, uint32_t& value) const {
    value = 0;
    while (pos < line_->length && line_->text[pos] != terminator) {
      value = value * 10u + static_cast<uint32_t>(static_cast<unsigned char>(line_->text[pos]) - 48);
      ++pos;
    }
    if (pos >= line_->length) return false;
    if (terminator != '\r') ++pos;
    return true;
  }

  // A double-quoted text right after the "=": false with ranPast set when
  // the closing quote is missing from the line buffer.
  bool Quoted(std::size_t& pos, std::string& text, bool& ranPast) const {
    ranPast = false;
    if (line_->At(pos) != '"' || pos >= line_->length) return false;
    std::size_t end = pos + 1;
    while (end < line_->length && line_->text[end] != '"') ++end;
    if (end >= line_->length) {
      ranPast = true;
      return false;
    }
    text.assign(line_->text + pos + 1, end - pos - 1);
    pos = end + 1;
    return true;
  }

  Result ReadMaterial(std::size_t& pos) {
    std::string name;
    bool ranPast = false;
    if (!Quoted(pos, name, ranPast)) return ranPast ? RanPast() : Result::Error;
    current_ = Kelmat_Scene_Get_Material(scene_, name.c_str());
    reflectionOnLightMap_ = false;
    return Result::Next;
  }

  Result ReadType(std::size_t& pos) {
    std::size_t end = pos;
    while (end < line_->length && line_->text[end] != '\r') ++end;
    if (end >= line_->length) return RanPast();
    std::string_view value(line_->text + pos, end - pos);
    int32_t type;
    if (value.starts_with("MATERIAL_SELF_ILLUM")) type = MATERIAL_SELF_ILLUM;
    else if (value.starts_with("MATERIAL_GOURAUD_RGB")) type = MATERIAL_GOURAUD_RGB;
    else if (value.starts_with("MATERIAL_GOURAUD")) type = MATERIAL_GOURAUD;
    else if (current_ != nullptr) return Result::Error;
    else type = -1;
    if (current_ != nullptr) current_->type = type;
    pos = end;
    return Result::Next;
  }

  Result ReadColour(std::size_t& pos, uint8_t (KelmatMaterial::*field)[3]) {
    uint32_t rgb[3];
    if (!Number(pos, ',', rgb[0]) || !Number(pos, ',', rgb[1]) || !Number(pos, '\r', rgb[2]))
      return RanPast();
    if (current_ != nullptr) {
      uint8_t* colour = current_->*field;
      for (int i = 0; i < 3; ++i) colour[i] = static_cast<uint8_t>(rgb[i] >= 256 ? 255 : rgb[i]);
    }
    return Result::Next;
  }
  Result ReadAmbient(std::size_t& pos) { return ReadColour(pos, &KelmatMaterial::ambient); }
  Result ReadDiffuse(std::size_t& pos) { return ReadColour(pos, &KelmatMaterial::diffuse); }
  Result ReadSpecular(std::size_t& pos) { return ReadColour(pos, &KelmatMaterial::specular); }
  Result ReadLightColor(std::size_t& pos) { return ReadColour(pos, &KelmatMaterial::lightColor); }

  // A number item; values of limit or more become clampTo (no clamp when
  // limit is 0).
  Result ReadValue(std::size_t& pos, int32_t KelmatMaterial::*field, uint32_t limit,
                   int32_t clampTo) {
    uint32_t value;
    if (!Number(pos, '\r', value)) return RanPast();
    if (current_ != nullptr)
      current_->*field = (limit != 0 && value >= limit) ? clampTo : static_cast<int32_t>(value);
    return Result::Next;
  }
  Result ReadShininess(std::size_t& p) { return ReadValue(p, &KelmatMaterial::shininess, 101, 100); }
  Result ReadStrength(std::size_t& p) {
    return ReadValue(p, &KelmatMaterial::shininessStrength, 101, 100);
  }
  Result ReadTransparency(std::size_t& p) {
    return ReadValue(p, &KelmatMaterial::transparency, 101, 100);
  }
  Result ReadOpacity(std::size_t& p) { return ReadValue(p, &KelmatMaterial::binaryOpacity, 0, 0); }
  Result ReadTwoSided(std::size_t& p) { return ReadValue(p, &KelmatMaterial::twoSided, 2, 1); }
  Result ReadTiling(std::size_t& p) { return ReadValue(p, &KelmatMaterial::tiling, 2, 1); }

  Result ReadMap(std::size_t& pos, KelmatMap* KelmatMaterial::*slot, bool lightMap) {
    std::string name;
    bool ranPast = false;
    if (!Quoted(pos, name, ranPast)) return ranPast ? RanPast() : Result::Error;
    if (current_ == nullptr) return Result::Next;
    reflectionOnLightMap_ = lightMap;
    KelmatMap*& map = current_->*slot;
    if (name.empty()) {
      std::free(map);
      map = nullptr;
      return Result::Next;
    }
    if (map == nullptr) {
      map = static_cast<KelmatMap*>(std::calloc(1, sizeof(KelmatMap)));
      if (map == nullptr) return Result::Error;
    }
    kelmat::CopyName(map->name, name.c_str());
    return Result::Next;
  }
  Result ReadTextureMap(std::size_t& p) { return ReadMap(p, &KelmatMaterial::textureMap, false); }
  Result ReadLightMap(std::size_t& p) { return ReadMap(p, &KelmatMaterial::lightMap, true); }

  Result ReadReflection(std::size_t& pos) {
    uint32_t value;
    if (!Number(pos, '\r', value)) return RanPast();
    if (current_ != nullptr) {
      KelmatMap* map = reflectionOnLightMap_ ? current_->lightMap : current_->textureMap;
      if (map != nullptr) map->reflection = value >= 2 ? 1 : static_cast<int32_t>(value);
    }
    return Result::Next;
  }

  KelmatScene* scene_;
  const Line* line_ = nullptr;
  KelmatMaterial* current_ = nullptr;
  bool reflectionOnLightMap_ = false;
};

const Parser::Item Parser::kItems[16] = {
    {"MATERIAL=", &Parser::ReadMaterial},
    {"TYPE=", &Parser::ReadType},
    {"AMBIENT=", &Parser::ReadAmbient},
    {"DIFFUSE=", &Parser::ReadDiffuse},
    {"SPECULAR=", &Parser::ReadSpecular},
    {"LIGHT_COLOR=", &Parser::ReadLightColor},
    {"SHININESS=", &Parser::ReadShininess},
    {"SHININESS_STRENGTH=", &Parser::ReadStrength},
    {"TRANSPARENCY=", &Parser::ReadTransparency},
    {"BINARY_OPACITY=", &Parser::ReadOpacity},
    {"TWO_SIDED=", &Parser::ReadTwoSided},
    {"TILING=", &Parser::ReadTiling},
    {"TEXTURE_MAP=", &Parser::ReadTextureMap},
    {"REFLECTION=", &Parser::ReadReflection},
    {"LIGHT_MAP=", &Parser::ReadLightMap},
    {"REFLECTION=", &Parser::ReadReflection},
};

}  // namespace

extern "C" {

KELMAT_API int32_t Kelmat_Generate_Material_File(KelmatScene* scene, const char* path) {
  if (path == nullptr) {
    Kelmat_Set_Last_Error("Can't create %s", "(null)");
    return 0;
  }
  TextOut out;
  try {
    out.Line(std::string(kRule));
    out.Line("; %s", path);
    out.Line(std::string(kRule));
    out.Line(std::string());
    for (const KelmatMaterial* m = scene != nullptr ? scene->materials : nullptr; m != nullptr;
         m = m->next) {
      out.Line("MATERIAL=\"%s\"", NameOf(m->name).c_str());
      if (const char* type = TypeName(m->type)) out.Line("TYPE=%s", type);
      out.Line("AMBIENT=%d,%d,%d", m->ambient[0], m->ambient[1], m->ambient[2]);
      out.Line("DIFFUSE=%d,%d,%d", m->diffuse[0], m->diffuse[1], m->diffuse[2]);
      out.Line("SPECULAR=%d,%d,%d", m->specular[0], m->specular[1], m->specular[2]);
      out.Line("LIGHT_COLOR=%d,%d,%d", m->lightColor[0], m->lightColor[1], m->lightColor[2]);
      out.Line("SHININESS=%d", m->shininess);
      out.Line("SHININESS_STRENGTH=%d", m->shininessStrength);
      out.Line("TRANSPARENCY=%d", m->transparency);
      out.Line("BINARY_OPACITY=%d", m->binaryOpacity);
      out.Line("TWO_SIDED=%d", m->twoSided);
      out.Line("TILING=%d", m->tiling);
      WriteMap(out, "TEXTURE_MAP", m->textureMap);
      WriteMap(out, "LIGHT_MAP", m->lightMap);
      out.Line(std::string());
      out.Line(std::string(kRule));
      out.Line(std::string());
    }
  } catch (...) {
    Kelmat_Set_Last_Error("Not enough memory");
    return 0;
  }
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    Kelmat_Set_Last_Error("Can't create %s", path);
    return 0;
  }
  const std::string& text = out.Text();
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  written = (std::fclose(file) == 0) && written;
  if (!written) {
    Kelmat_Set_Last_Error("Can't write %s", path);
    return 0;
  }
  return 1;
}

KELMAT_API int32_t Kelmat_Analyse_Material_File(KelmatScene* scene, const char* path) {
  if (path == nullptr) return 1;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return 1;
  Parser parser(scene);
  Line line;
  bool atEnd = false;
  for (int lineNumber = 1; ReadLine(file, line, atEnd); ++lineNumber) {
    if (!parser.ParseLine(line)) {
      std::fclose(file);
      Kelmat_Set_Last_Error("Syntax error line %d", lineNumber);
      return 0;
    }
    if (atEnd) break;
  }
  std::fclose(file);
  return 1;
}

}  // extern "C"
