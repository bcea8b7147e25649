// Fuzz target of the chunk reader: any byte string is read as a 3D Studio
// file into a chunk database, then every record the import asks for is read.
// Nothing may read outside the input, loop, or leave the file open.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cmake/FuzzInput.h"
#include "kelmat/ftk/FtkDatabase.h"
#include "kelmat/ftk/FtkError.h"
#include "kelmat/ftk/FtkFile.h"
#include "kelmat/ftk/FtkRecords.h"

namespace {

void ReadEverything(ftk::Database& db) {
  ftk::Material material;
  for (int i = 0, n = ftk::MaterialCount(db); i < n; ++i) ftk::GetMaterial(db, i, material);
  ftk::Mesh mesh;
  for (int i = 0, n = ftk::MeshCount(db); i < n; ++i) ftk::GetMesh(db, i, mesh);
  ftk::Camera camera;
  for (int i = 0, n = ftk::CameraCount(db); i < n; ++i) ftk::GetCamera(db, i, camera);
  ftk::Light light;
  for (int i = 0, n = ftk::OmniLightCount(db); i < n; ++i) ftk::GetOmniLight(db, i, light);
  for (int i = 0, n = ftk::SpotLightCount(db); i < n; ++i) ftk::GetSpotLight(db, i, light);
  ftk::KeyframerSettings settings;
  ftk::GetKeyframerSettings(db, settings);
  ftk::Node node;
  for (int i = 0, n = ftk::ObjectNodeCount(db); i < n; ++i) {
    if (ftk::GetObjectNode(db, i, node)) ftk::GetNodeByName(db, node.parentName, node);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const char* path = WriteFuzzInput(".3ds", data, size);
  if (path == nullptr) return 0;
  ftk::ClearErrors();
  ftk::File* file = ftk::OpenFile(path, "rb");
  if (file == nullptr) return 0;
  ftk::Database db;
  if (ftk::CreateDatabase(file, db)) ReadEverything(db);
  ftk::CloseFile(file);
  if (ftk::OpenFileCount() != 0) std::abort();
  return 0;
}
