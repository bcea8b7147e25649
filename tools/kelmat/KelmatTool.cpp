#include "tools/kelmat/KelmatTool.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "kelmat/kelmat.h"

namespace kelmat_tool {
namespace {

const char* const kUsage =
    "usage:\n"
    "  kelmat info FILE.3ds\n"
    "  kelmat convert FILE.3ds -o DIR [--scale S] [--no-keyframer] [--weld D] [--weld-normals]\n"
    "                 [--snap D] [--weld-scene] [--optimize DEGREES] [--materials FILE] [--split]\n"
    "  kelmat materials FILE.3ds -o FILE.txt\n"
    "convert runs, in this order: the import (with --weld D and --weld-normals, both at\n"
    "distance D, 0 without --weld), --snap, --materials, --weld-scene (pools each hierarchy's\n"
    "vertices, distance D), --optimize; then writes DIR/<name>.s3d .o3d .a3d .c3d .l3d and,\n"
    "with --split, one .o3d and .a3d per root hierarchy named after its root.\n";

std::string LastError() {
  char text[KELMAT_LAST_ERROR_SIZE];
  Kelmat_Get_Last_Error(text);
  return text;
}

// Owns a scene for the length of a command.
struct Scene {
  KelmatScene scene{};
  Scene() = default;
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;
  ~Scene() { Kelmat_Release_Scene(&scene); }
};

struct Options {
  std::string input;
  std::string output;
  float scale = 1.0f;
  bool noKeyframer = false;
  bool weld = false;
  float weldDistance = 0.0f;
  bool weldNormals = false;
  bool snap = false;
  float snapDistance = 0.0f;
  bool weldScene = false;
  bool optimize = false;
  float optimizeAngle = 0.0f;
  std::string materials;
  bool split = false;
};

bool ParseFloat(const std::string& text, float& value) {
  char* end = nullptr;
  value = std::strtof(text.c_str(), &end);
  return !text.empty() && end != nullptr && *end == '\0' && std::isfinite(value);
}

// Parses everything after the command word. False with a message in error.
bool ParseOptions(const std::vector<std::string>& args, bool convert, Options& o, std::string& error) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    auto number = [&](float& out) {
      std::string text;
      if (!value(text)) return false;
      if (!ParseFloat(text, out)) {
        error = a + ": not a number: " + text;
        return false;
      }
      return true;
    };
    if (a == "-o") {
      if (!value(o.output)) return false;
    } else if (convert && a == "--scale") {
      if (!number(o.scale)) return false;
    } else if (convert && a == "--no-keyframer") {
      o.noKeyframer = true;
    } else if (convert && a == "--weld") {
      o.weld = true;
      if (!number(o.weldDistance)) return false;
    } else if (convert && a == "--weld-normals") {
      o.weldNormals = true;
    } else if (convert && a == "--snap") {
      o.snap = true;
      if (!number(o.snapDistance)) return false;
    } else if (convert && a == "--weld-scene") {
      o.weldScene = true;
    } else if (convert && a == "--optimize") {
      o.optimize = true;
      if (!number(o.optimizeAngle)) return false;
    } else if (convert && a == "--materials") {
      if (!value(o.materials)) return false;
    } else if (convert && a == "--split") {
      o.split = true;
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else if (o.input.empty()) {
      o.input = a;
    } else {
      error = "unexpected argument " + a;
      return false;
    }
  }
  if (o.input.empty()) {
    error = "no input file";
    return false;
  }
  return true;
}

// Imports the file; a file without keyframer section is imported through its
// named objects, since the keyframer path would find no objects in it.
bool Import(const Options& o, KelmatScene* scene, std::ostream& out) {
  bool direct = o.noKeyframer;
  if (!direct && !HasKeyframer(o.input)) {
    direct = true;
    out << o.input << " has no keyframer section: importing its meshes directly\n";
  }
  return Kelmat_Load_3ds(o.input.c_str(), scene, o.scale, o.weld ? 1 : 0, o.weldDistance, direct ? 1 : 0,
                         o.weldNormals ? 1 : 0) == 1;
}

const char* TypeName(int32_t type) {
  switch (type) {
    case MATERIAL_SELF_ILLUM: return "self-illuminated";
    case MATERIAL_GOURAUD: return "gouraud";
    case MATERIAL_GOURAUD_RGB: return "gouraud rgb";
    default: return "unknown";
  }
}

std::string Vec(const KelmatVector& v) {
  std::ostringstream s;
  s << std::setprecision(6) << "(" << v.x << ", " << v.y << ", " << v.z << ")";
  return s.str();
}

std::string Rgb(const uint8_t* c) {
  std::ostringstream s;
  s << static_cast<int>(c[0]) << "," << static_cast<int>(c[1]) << "," << static_cast<int>(c[2]);
  return s.str();
}

template <class Node>
void PrintForest(Node* node, int depth, std::ostream& out, void (*line)(Node*, std::ostream&)) {
  for (; node != nullptr; node = depth == 0 ? node->next : node->nextSibling) {
    out << std::string(4 + 2 * depth, ' ');
    line(node, out);
    PrintForest(node->firstChild, depth + 1, out, line);
  }
}

void ObjectLine(KelmatObject* o, std::ostream& out) {
  out << o->name << "  parent " << (o->parent ? o->parent->name : "-") << "  vertices " << o->vertexCount
      << "  faces " << o->faceCount << "\n";
}

void AnimationLine(KelmatAnimation* a, std::ostream& out) {
  out << a->name << "  frames " << a->length << " [" << a->segmentStart << ".." << a->segmentEnd
      << "]  keys: position " << a->position.keyCount << ", rotation " << a->rotation.keyCount << ", scale "
      << a->scale.keyCount << ", hide " << a->hide.keyCount << ", morph " << a->morph.keyCount << "\n";
}

void PrintInfo(const std::string& path, KelmatScene* s, std::ostream& out) {
  out << path << "\n";
  out << "  materials: " << s->materialCount << "\n";
  for (KelmatMaterial* m = s->materials; m != nullptr; m = m->next) {
    out << "    " << m->name << "  " << TypeName(m->type) << "  diffuse " << Rgb(m->diffuse);
    if (m->textureMap != nullptr) out << "  texture " << m->textureMap->name;
    if (m->lightMap != nullptr) out << "  light map " << m->lightMap->name;
    if (m->twoSided) out << "  two-sided";
    out << "\n";
  }
  out << "  objects: " << s->objectCount << "\n";
  PrintForest(s->objects, 0, out, &ObjectLine);
  out << "  cameras: " << s->cameraCount << "\n";
  for (KelmatCamera* c = s->cameras; c != nullptr; c = c->next) {
    out << "    " << c->name << "  position " << Vec(c->position) << "  target " << Vec(c->target)
        << "  field of view " << std::setprecision(6) << c->fieldOfView * 180.0 / 3.14159265358979 << " deg\n";
  }
  out << "  lights: " << s->lightCount << "\n";
  for (KelmatLight* l = s->lights; l != nullptr; l = l->next) {
    out << "    " << l->name << "  " << (l->kind == KELMAT_LIGHT_SPOT ? "spot" : "omni") << "  position "
        << Vec(l->position) << "  colour " << Rgb(l->color) << (l->off ? "  off" : "") << "\n";
  }
  out << "  animations: " << s->animationCount << "\n";
  PrintForest(s->animations, 0, out, &AnimationLine);
}

int Fail(std::ostream& err) {
  err << LastError() << "\n";
  return 1;
}

int Usage(std::ostream& err, const std::string& problem) {
  err << "kelmat: " << problem << "\n" << kUsage;
  return 1;
}

// Scene counts as printed after each written file.
std::string Counts(const KelmatScene* s) {
  std::ostringstream c;
  c << "materials " << s->materialCount << ", objects " << s->objectCount << ", cameras " << s->cameraCount
    << ", lights " << s->lightCount << ", animations " << s->animationCount;
  return c.str();
}

template <class Node>
int32_t SubtreeSize(Node* root) {
  int32_t n = 1;
  for (Node* c = root->firstChild; c != nullptr; c = c->nextSibling) n += SubtreeSize(c);
  return n;
}

std::string FileSafe(const char* name) {
  std::string s = name;
  for (char& c : s)
    if (c == '/' || c == '\\' || c == ':' || c == '\0') c = '_';
  return s.empty() ? "_" : s;
}

// Writes one .o3d and one .a3d per root hierarchy: a scene view holding only
// that root (and the animation root of the same name) is handed to the
// writers, then the root lists are restored.
bool WriteSplit(KelmatScene* s, const std::filesystem::path& dir, const std::string& base, std::ostream& out) {
  for (KelmatObject* root = s->objects; root != nullptr; root = root->next) {
    KelmatScene view = *s;
    KelmatObject* next = root->next;
    KelmatObject* previous = root->previous;
    root->next = root->previous = nullptr;
    view.objects = root;
    view.objectCount = SubtreeSize(root);
    KelmatAnimation* anim = nullptr;
    for (KelmatAnimation* a = s->animations; a != nullptr; a = a->next) {
      if (std::string(a->name) == root->name) anim = a;
    }
    KelmatAnimation* animNext = nullptr;
    KelmatAnimation* animPrevious = nullptr;
    if (anim != nullptr) {
      animNext = anim->next;
      animPrevious = anim->previous;
      anim->next = anim->previous = nullptr;
    }
    view.animations = anim;
    view.animationCount = anim ? SubtreeSize(anim) : 0;
    std::string stem = FileSafe(root->name);
    if (stem == base) stem += "_root";  // never over the whole scene's files
    const std::string o3d = (dir / (stem + ".o3d")).string();
    const std::string a3d = (dir / (stem + ".a3d")).string();
    const bool ok = Kelmat_Save_O3d(&view, o3d.c_str()) == 1 && Kelmat_Save_A3d(&view, a3d.c_str()) == 1;
    root->next = next;
    root->previous = previous;
    if (anim != nullptr) {
      anim->next = animNext;
      anim->previous = animPrevious;
    }
    if (!ok) return false;
    out << "wrote " << o3d << " and " << a3d << " (objects " << view.objectCount << ", animations "
        << view.animationCount << ")\n";
  }
  return true;
}

int Convert(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.output.empty()) return Usage(err, "convert needs -o DIR");
  Scene scene;
  KelmatScene* s = &scene.scene;
  if (!Import(o, s, out)) return Fail(err);
  if (o.snap && !Kelmat_Snap_Scene(s, o.snapDistance)) return Fail(err);
  if (!o.materials.empty() && !Kelmat_Analyse_Material_File(s, o.materials.c_str())) return Fail(err);
  if (o.weldScene) {
    for (KelmatObject* root = s->objects; root != nullptr; root = root->next) Kelmat_Object_Update_Animation(root);
    if (!Kelmat_Weld_Scene(s, o.weldDistance)) return Fail(err);
  }
  if (o.optimize && !Kelmat_Optimize_Scene(s, o.optimizeAngle)) return Fail(err);
  std::error_code ec;
  const std::filesystem::path dir(o.output);
  std::filesystem::create_directories(dir, ec);
  const std::string base = std::filesystem::path(o.input).stem().string();
  struct Kind {
    const char* ext;
    int (*save)(KelmatScene*, const char*);
  } kinds[] = {{".s3d", Kelmat_Save_S3d},
               {".o3d", Kelmat_Save_O3d},
               {".a3d", Kelmat_Save_A3d},
               {".c3d", Kelmat_Save_C3d},
               {".l3d", Kelmat_Save_L3d}};
  for (const Kind& k : kinds) {
    const std::string path = (dir / (base + k.ext)).string();
    if (!k.save(s, path.c_str())) return Fail(err);
  }
  out << "wrote " << (dir / base).string() << ".s3d .o3d .a3d .c3d .l3d (" << Counts(s) << ")\n";
  if (o.split && !WriteSplit(s, dir, base, out)) return Fail(err);
  return 0;
}

int Materials(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.output.empty()) return Usage(err, "materials needs -o FILE.txt");
  Scene scene;
  if (!Import(o, &scene.scene, out)) return Fail(err);
  if (!Kelmat_Generate_Material_File(&scene.scene, o.output.c_str())) return Fail(err);
  out << "wrote " << o.output << " (materials " << scene.scene.materialCount << ")\n";
  return 0;
}

}  // namespace

bool HasKeyframer(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  auto header = [&](uint64_t at, uint16_t& tag, uint32_t& length) {
    unsigned char b[6];
    in.seekg(static_cast<std::streamoff>(at));
    if (!in.read(reinterpret_cast<char*>(b), 6)) return false;
    tag = static_cast<uint16_t>(b[0] | (b[1] << 8));
    length = static_cast<uint32_t>(b[2]) | (static_cast<uint32_t>(b[3]) << 8) |
             (static_cast<uint32_t>(b[4]) << 16) | (static_cast<uint32_t>(b[5]) << 24);
    return true;
  };
  uint16_t tag = 0;
  uint32_t length = 0;
  if (!header(0, tag, length) || (tag != 0x4D4D && tag != 0xC23D)) return false;
  for (uint64_t at = 6; at + 6 <= length;) {
    uint16_t sub = 0;
    uint32_t size = 0;
    if (!header(at, sub, size) || size < 6) return false;
    if (sub == 0xB000) return true;
    at += size;
  }
  return false;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return Usage(err, "no command");
  const std::string& command = args[0];
  Options o;
  std::string problem;
  if (command == "info" || command == "materials" || command == "convert") {
    if (!ParseOptions(args, command == "convert", o, problem)) return Usage(err, problem);
  } else {
    return Usage(err, "unknown command " + command);
  }
  if (command == "info") {
    Scene scene;
    if (!Import(o, &scene.scene, out)) return Fail(err);
    PrintInfo(o.input, &scene.scene, out);
    return 0;
  }
  if (command == "materials") return Materials(o, out, err);
  return Convert(o, out, err);
}

}  // namespace kelmat_tool
