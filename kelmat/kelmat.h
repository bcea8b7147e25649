/* kelmat: the asset SDK.
 *
 * Holds a whole 3D scene in memory (materials, object forest with geometry,
 * cameras, lights, animation forest), fills it from 3D Studio files, reworks
 * it and writes the engine's five asset files (.o3d .a3d .c3d .l3d .s3d).
 *
 * Conventions: every export returns 1 on success and 0 on failure unless
 * noted; failures leave a message in the SDK's last-error text. All counts
 * are int32, coordinates and angles are float. Names are 32-byte fields
 * holding at most 31 characters and a terminator. Matrices are 16 floats,
 * row-major, for row vectors (translation in elements 12, 13, 14).
 * Quaternions are stored w, x, y, z.
 *
 * Every record is allocated zero-filled by the SDK and owned by the scene,
 * except the KelmatScene itself: the caller owns it and zero-fills it before
 * the first use; Kelmat_Release_Scene leaves it empty again. Records and the
 * arrays they point at are allocated with the C allocator (calloc, malloc)
 * because the release exports free them with free().
 *
 * The library keeps process-wide state without locks: use it from one thread
 * at a time. */
#ifndef KELMAT_KELMAT_H
#define KELMAT_KELMAT_H

#include <stdint.h>

/* The Kelmat_ math operations and their records. */
#if defined(__has_include)
#if __has_include("kelmat/math/kelmat_math.h")
#include "kelmat/math/kelmat_math.h"
#endif
#endif

#if defined(__GNUC__)
#define KELMAT_API __attribute__((visibility("default")))
#else
#define KELMAT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define KELMAT_NAME_SIZE 32
#define KELMAT_LAST_ERROR_SIZE 1024

/* Material types. */
#define MATERIAL_SELF_ILLUM 0
#define MATERIAL_GOURAUD 1
#define MATERIAL_GOURAUD_RGB 2

/* Camera and light kinds. */
#define KELMAT_CAMERA_KIND 2
#define KELMAT_LIGHT_OMNI 5
#define KELMAT_LIGHT_SPOT 7

/* Math records; the SDK's math header, when present, defines them. */
#ifndef KELMAT_MATH_RECORDS
#define KELMAT_MATH_RECORDS
typedef struct KelmatVector {
  float x, y, z;
} KelmatVector;

typedef struct KelmatQuaternion {
  float w, x, y, z;
} KelmatQuaternion;
#endif

typedef struct KelmatSphere {
  KelmatVector center;
  float radius;
} KelmatSphere;

typedef struct KelmatBox {
  KelmatVector min;
  KelmatVector max;
} KelmatBox;

typedef struct KelmatMaterial KelmatMaterial;
typedef struct KelmatObject KelmatObject;
typedef struct KelmatCamera KelmatCamera;
typedef struct KelmatLight KelmatLight;
typedef struct KelmatAnimation KelmatAnimation;

typedef struct KelmatScene {
  int32_t materialCount;
  KelmatMaterial* materials;   /* head of the material list */
  int32_t objectCount;         /* whole forest, roots and children */
  KelmatObject* objects;       /* head of the object root list */
  int32_t cameraCount;
  KelmatCamera* cameras;
  int32_t lightCount;
  KelmatLight* lights;
  int32_t animationCount;      /* whole forest */
  KelmatAnimation* animations; /* head of the animation root list */
} KelmatScene;

typedef struct KelmatMap {
  char name[KELMAT_NAME_SIZE]; /* bitmap file name */
  int32_t reflection;
} KelmatMap;

struct KelmatMaterial {
  int32_t type; /* MATERIAL_SELF_ILLUM, MATERIAL_GOURAUD, MATERIAL_GOURAUD_RGB */
  char name[KELMAT_NAME_SIZE];
  KelmatMaterial* next;
  KelmatMaterial* previous;
  uint8_t ambient[3];
  uint8_t diffuse[3];
  uint8_t specular[3];
  uint8_t lightColor[3];
  int32_t shininess;         /* percent */
  int32_t shininessStrength; /* percent */
  int32_t transparency;      /* percent */
  int32_t twoSided;          /* used by the import only, never written */
  int32_t binaryOpacity;
  int32_t tiling;            /* 1 by default */
  KelmatMap* textureMap;     /* null: no texture */
  KelmatMap* lightMap;       /* null: no light map */
};

typedef struct KelmatFace {
  int32_t vertexCount;
  int32_t* indices;          /* into the object's vertices, or the shared pool */
  float* mapping;            /* null, or vertexCount (u, v) pairs */
  KelmatMaterial* material;
  KelmatVector normal;       /* unit face normal */
} KelmatFace;

typedef struct KelmatLightLink {
  KelmatLight* light;
  struct KelmatLightLink* next;
} KelmatLightLink;

struct KelmatObject {
  char name[KELMAT_NAME_SIZE];
  KelmatObject* parent;
  KelmatObject* firstChild;
  KelmatObject* nextSibling;
  KelmatObject* next;         /* root-list links, unused while parented */
  KelmatObject* previous;
  int32_t vertexCount;        /* vertices owned by this object */
  int32_t firstVertex;        /* first owned entry of the shared pool (welded) */
  int32_t welded;             /* 1: uses the hierarchy's shared pool */
  int32_t poolSize;           /* pool size, on the hierarchy's root only */
  float localMatrix[16];
  float inverseLocalMatrix[16];
  KelmatVector* vertices;       /* object space */
  KelmatVector* sourceVertices; /* source (world) space */
  KelmatVector* normals;
  int32_t faceCount;
  KelmatFace* faces;
  KelmatVector sphereCenter;
  float sphereRadius;
  KelmatVector boxMin;
  KelmatVector boxMax;
  KelmatLightLink* lightLinks;
  int32_t hidden;
  KelmatVector pivot;
  float rotation[16];
  KelmatVector position;
  KelmatVector scale;         /* (1, 1, 1) by default */
  float worldMatrix[16];      /* not written to files */
  int32_t objectWelded;       /* 1 once own duplicates were merged */
};

struct KelmatCamera {
  int32_t kind; /* always KELMAT_CAMERA_KIND */
  char name[KELMAT_NAME_SIZE];
  KelmatCamera* next;
  KelmatCamera* previous;
  KelmatVector position;
  KelmatVector target;
  float a, b;            /* direction angles of position -> target, radians */
  float roll;            /* radians */
  float fieldOfView;     /* radians */
};

struct KelmatLight {
  int32_t kind; /* KELMAT_LIGHT_OMNI or KELMAT_LIGHT_SPOT */
  char name[KELMAT_NAME_SIZE];
  KelmatLight* next;
  KelmatLight* previous;
  KelmatVector position;
  KelmatVector target;   /* spot only */
  float a, b;            /* direction angles, spot only */
  uint8_t color[3];
  float multiplier;
  int32_t off;
  int32_t attenuate;
  float innerRange;
  float outerRange;
  float hotspot;         /* degrees, spot only */
  float falloff;         /* degrees, spot only */
};

typedef struct KelmatKeyParams {
  float tension, continuity, bias, easeTo, easeFrom;
} KelmatKeyParams;

/* One key track. Which value array is used depends on the track:
 * position and scale: vectors; rotation: quaternions; hide: states (and no
 * params); morph: morphVertexCount and, per key, morphVertices[k] and
 * morphNormals[k] (morphVertexCount entries each), morphSpheres[k],
 * morphBoxes[k]. The unused ones stay null. */
typedef struct KelmatTrack {
  int32_t keyCount;
  int32_t flags;              /* source track flags, sign-extended */
  int32_t* frames;            /* keyCount ascending frame numbers */
  KelmatKeyParams* params;
  KelmatVector* vectors;
  KelmatQuaternion* quaternions;
  int32_t* states;            /* 1 hidden from this frame on, 0 shown */
  int32_t morphVertexCount;
  KelmatVector** morphVertices;
  KelmatVector** morphNormals;
  KelmatSphere* morphSpheres;
  KelmatBox* morphBoxes;
} KelmatTrack;

struct KelmatAnimation {
  char name[KELMAT_NAME_SIZE]; /* name of the animated object */
  KelmatAnimation* parent;
  KelmatAnimation* firstChild;
  KelmatAnimation* nextSibling;
  KelmatAnimation* next;
  KelmatAnimation* previous;
  int32_t length;       /* frames */
  int32_t segmentStart;
  int32_t segmentEnd;
  KelmatVector pivot;
  KelmatTrack position;
  KelmatTrack scale;
  KelmatTrack rotation;
  KelmatTrack hide;
  KelmatTrack morph;
};

/* Last error. */
KELMAT_API int Kelmat_Set_Last_Error(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
/* out must have room for KELMAT_LAST_ERROR_SIZE characters. */
KELMAT_API int Kelmat_Get_Last_Error(char* out);

/* Engine asset files. Each prints "Saving <path>...". */
KELMAT_API int Kelmat_Save_O3d(KelmatScene* scene, const char* path);
KELMAT_API int Kelmat_Save_A3d(KelmatScene* scene, const char* path);
KELMAT_API int Kelmat_Save_C3d(KelmatScene* scene, const char* path);
KELMAT_API int Kelmat_Save_L3d(KelmatScene* scene, const char* path);
KELMAT_API int Kelmat_Save_S3d(KelmatScene* scene, const char* path);

/* 3D Studio import. */
KELMAT_API int Kelmat_Load_3ds(const char* path, KelmatScene* scene, float scale,
                               int32_t weldObjects, float weldDistance,
                               int32_t noKeyframer, int32_t weldNormals);

/* Weld, snap and optimise. */
KELMAT_API int Kelmat_Weld_Object(KelmatObject* object, float distance);
KELMAT_API int Kelmat_Weld_Object_Into_Scene(KelmatScene* scene, float distance);
KELMAT_API int Kelmat_Snap_Scene(KelmatScene* scene, float distance);
KELMAT_API int Kelmat_Weld_Normal_Into_Scene(KelmatScene* scene, float distance);
KELMAT_API int Kelmat_Weld_Scene(KelmatScene* scene, float distance);
KELMAT_API int Kelmat_Optimize_Scene(KelmatScene* scene, float angle);
KELMAT_API int Kelmat_Check_Double(KelmatScene* scene);

/* Material description file. */
KELMAT_API int32_t Kelmat_Generate_Material_File(KelmatScene* scene, const char* path);
KELMAT_API int32_t Kelmat_Analyse_Material_File(KelmatScene* scene, const char* path);

/* Lookups (exact, case-sensitive names). */
KELMAT_API KelmatMaterial* Kelmat_Scene_Get_Material(KelmatScene* scene, const char* name);
KELMAT_API KelmatObject* Kelmat_Scene_Get_Object(KelmatScene* scene, const char* name);
KELMAT_API KelmatAnimation* Kelmat_Scene_Get_Animation(KelmatScene* scene, const char* name);
KELMAT_API int Kelmat_Scene_Create_Default_Material(KelmatScene* scene);

/* Hierarchies. Link refuses a child that already has a parent or a next
 * sibling; unlink refuses a child without parent. */
KELMAT_API int Kelmat_Object_Link(KelmatObject* child, KelmatObject* parent, KelmatScene* scene);
KELMAT_API int Kelmat_Animation_Link(KelmatAnimation* child, KelmatAnimation* parent,
                                     KelmatScene* scene);
KELMAT_API int Kelmat_Object_Unlink(KelmatObject* child, KelmatScene* scene);
KELMAT_API int Kelmat_Animation_Unlink(KelmatAnimation* child, KelmatScene* scene);

/* Light links. */
KELMAT_API int Kelmat_Light_Include_Object(KelmatLight* light, KelmatObject* object);
KELMAT_API void Kelmat_Light_Exclude_Object(KelmatLight* light, KelmatObject* object);

/* Geometry. */
KELMAT_API void Kelmat_Object_Calculate_Bounding_Box(KelmatObject* object);
KELMAT_API void Kelmat_Object_Calculate_Bounding_Sphere(KelmatObject* object);
KELMAT_API int Kelmat_Object_Calculate_Vertex_Normal(KelmatObject* object);

/* Animation: evaluate the tracks at frame into the object's current
 * transform (and its subtree when recurse is not 0); 0 for a negative frame.
 * Update_Animation composes worldMatrix for the object and its subtree. */
KELMAT_API int Kelmat_Object_Animate(KelmatObject* object, KelmatAnimation* animation,
                                     float frame, int32_t recurse);
KELMAT_API int Kelmat_Object_Update_Animation(KelmatObject* object);

/* Releases. Release_Scene frees everything the scene holds and leaves the
 * caller's record empty (zero counts, null heads). */
KELMAT_API void Kelmat_Release_Object(KelmatObject* object);
KELMAT_API void Kelmat_Release_Animation(KelmatAnimation* animation);
KELMAT_API void Kelmat_Release_Material(KelmatMaterial* material);
KELMAT_API void Kelmat_Release_Scene(KelmatScene* scene);

#ifdef __cplusplus
}
#endif

#endif
