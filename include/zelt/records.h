/*
 * Records shared by the 3D kernel and its renderer plug-in.
 *
 * The kernel owns every record below; the renderer reads the fields named here (and writes the
 * projection cache, the projection stamps, the render flags word and its own block pointers).
 * Fields keep their historical order; they are reached by name, never by byte offset. The
 * kernel may append its own fields after the ones listed for each record.
 */
#ifndef ZELT_RECORDS_H
#define ZELT_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#include "include/zelt/math.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ZeltObject ZeltObject;
typedef struct ZeltCamera ZeltCamera;
typedef struct ZeltFace ZeltFace;
typedef struct ZeltMaterial ZeltMaterial;
typedef struct ZeltTexture ZeltTexture;
typedef struct ZeltBitmap ZeltBitmap;
typedef struct ZeltRenderContext ZeltRenderContext;

/* ------------------------------------------------------------------------------------------ */
/* Per-vertex arrays of one frame                                                              */

/* Screen position and reciprocal depth of a camera-space vertex, written by the renderer. */
typedef struct ZeltProjection {
  float x;    /* screen x, pixels */
  float y;    /* screen y, pixels, growing downward */
  float invZ; /* 1 / camera z */
} ZeltProjection;

/* Light of a vertex: the colour channels (0..255, used by the per-vertex colour filler) and the
   light value 0..255 used by the lit fillers. */
typedef struct ZeltVertexLight {
  float r;
  float g;
  float b;
  float value;
} ZeltVertexLight;

/* Allocation functions lent by the kernel. allocate returns zero-filled memory. */
typedef void* (*ZeltAllocateFn)(size_t count, size_t size);
typedef void* (*ZeltReallocateFn)(void* block, size_t size);
typedef void (*ZeltFreeFn)(void* block);

/* Render record: handed once to Zelt_Init_Render_Dll and kept for the plug-in's lifetime. */
typedef struct ZeltRenderRecord {
  ZeltVector4* cameraVertices;     /* camera-space x, y, z per vertex (16-byte records) */
  ZeltProjection* projections;     /* projection cache, per vertex */
  ZeltVertexLight* vertexLights;   /* per vertex */
  int* outcodes;                   /* per vertex: ZELT_IN_* bits */
  unsigned int* projectionStamps;  /* per vertex: stamp of its last projection */
  ZeltAllocateFn allocate;
  ZeltReallocateFn reallocate;
  ZeltFreeFn free;
  int depth;                       /* pixel format: 15 (5-5-5) or 16 (5-6-5) */
  unsigned int stamp;              /* projection stamp, advanced once per visible object */
  int vertexCapacity;              /* entries of the per-vertex arrays; 0 = not checked */
} ZeltRenderRecord;

/* ------------------------------------------------------------------------------------------ */
/* Camera and view                                                                              */

/* View record: viewport extent, projection and the factors of the screen-space depth plane. */
typedef struct ZeltViewRecord {
  float right;   /* viewport right x (exclusive), pixels */
  float bottom;  /* viewport bottom y (exclusive), pixels */
  float centreX;
  float centreY;
  float scaleX;
  float scaleY;
  float f1;      /* 1 / scaleX */
  float f2;      /* 1 / scaleY */
  float f3;      /* centreX / scaleX */
  float f4;      /* centreY / scaleY */
} ZeltViewRecord;

typedef struct ZeltCameraMethods {
  /* Prepares a frame: camera matrix, view record, near and far of the context. */
  void (*prepareFrame)(ZeltCamera* camera, ZeltRenderContext* context);
} ZeltCameraMethods;

struct ZeltCamera {
  const ZeltCameraMethods* methods;
  /* Kernel fields the game reads and writes. */
  float theta;             /* direction angle a: turn about z, radians */
  float phi;               /* direction angle b: from straight down, radians (pi/2 looks level) */
  float fov;               /* horizontal field of view, degrees */
  float bob;               /* added to the eye height */
  ZeltVector position;     /* eye, world space */
  int active;              /* non-zero for the scene's active camera */
  char name[32];
};

/* Render context: handed to Zelt_Render_Dll and Zelt_Pick_Dll. */
struct ZeltRenderContext {
  ZeltObject* firstRoot;   /* roots are chained through nextRoot */
  ZeltCamera* camera;
  float viewLeft;          /* viewport left x, pixels */
  float viewTop;           /* viewport top y, pixels */
  float nearZ;
  float farZ;              /* also the starting depth of a pick */
  int pitch;               /* pixel buffer pitch, in pixels */
  ZeltViewRecord* view;
};

/* ------------------------------------------------------------------------------------------ */
/* Objects                                                                                      */

/* Kind record of an object. */
typedef struct ZeltObjectKind {
  int group;        /* non-zero: a welded group whose members share one vertex pool */
  int lights;       /* non-zero when lights reach the object */
  int spotLights;   /* non-zero when spot lights reach the object */
} ZeltObjectKind;

/* Object methods, in the order the renderer calls them during a frame. */
typedef struct ZeltObjectMethods {
  void (*prepare)(ZeltObject* object);
  /* Object whose geometry is drawn for this one: itself or a stand-in (level of detail). */
  ZeltObject* (*chooseDisplayed)(ZeltObject* object, ZeltRenderContext* context);
  /* Vertices to camera space with outcodes, face normals to camera space. */
  void (*transform)(ZeltObject* object, ZeltRenderContext* context, void* argument);
  /* Sets the object's visible flag. */
  void (*cull)(ZeltObject* displayed, ZeltObject* object, ZeltRenderContext* context);
  /* Vertex light values. */
  void (*light)(ZeltObject* displayed, ZeltObject* object, ZeltRenderContext* context);
  void (*project)(ZeltObject* displayed, ZeltObject* object, ZeltRenderContext* context);
} ZeltObjectMethods;

typedef struct ZeltObjectClass {
  const ZeltObjectMethods* methods;
} ZeltObjectClass;

struct ZeltObject {
  char name[64];
  ZeltObject* parent;
  ZeltObject* firstChild;
  ZeltObject* nextSibling;
  ZeltObject* nextRoot;
  int hidden;              /* skip flag: the object itself is not drawn, its children are */
  int lineTestExcluded;
  int collisionOff;
  void* userData;          /* owned by the game */
  int faceCount;
  ZeltFace** faces;
  int visible;             /* set by the cull method */
  ZeltObjectKind* kind;
  ZeltObjectClass* objectClass;
  void* transformArgument; /* passed to the transform method */
};

/* ------------------------------------------------------------------------------------------ */
/* Faces, materials, textures                                                                  */

typedef struct ZeltFaceClass {
  /* Non-zero when the face is to be drawn (it faces the camera). */
  int (*isDrawn)(ZeltFace* face);
} ZeltFaceClass;

struct ZeltFace {
  int vertexCount;
  int* vertexIndices;          /* into the render record's per-vertex arrays */
  ZeltMaterial* material;
  float normal[3];             /* camera space */
  float* textureCoordinates;   /* u, v per face vertex */
  void* rendererBlock;         /* the renderer's per-face block */
  const ZeltFaceClass* faceClass;
};

typedef struct ZeltRgb {
  uint8_t r;
  uint8_t g;
  uint8_t b;
} ZeltRgb;

/* Render flags word bits. */
enum {
  ZELT_RF_TEXTURED = 0x1,
  ZELT_RF_KEYED = 0x2,
  ZELT_RF_HALF = 0x4,
  ZELT_RF_TRANSPARENT = 0x8,
  ZELT_RF_ADDITIVE = 0x40,
  ZELT_RF_ADDITIVE_OVERLAY = 0x100,
  ZELT_RF_ADDITIVE_SPRITE = 0x200,
  ZELT_RF_KEYED_OCCLUDING = 0x1000
};

/* Control bits of Zelt_Set_Material_Render_State_Dll. */
enum {
  ZELT_RS_DEFAULT_MODE = 0x100,   /* use the material's default mode */
  ZELT_RS_FROM_MATERIAL = 0x400,  /* recompute the flags word from the material */
  ZELT_RS_KEEP_FLAGS = 0x800      /* keep the flags word as it is */
};

struct ZeltMaterial {
  int defaultMode;
  ZeltRgb ambient;
  ZeltRgb diffuse;
  uint16_t flatPixel;          /* in the frame buffer's pixel format */
  ZeltRgb specular;
  ZeltRgb lightColour;
  int shininess;               /* percent */
  int shininessStrength;       /* percent */
  int transparency;            /* percent */
  int kind;
  ZeltTexture* texture;        /* or null */
  uint32_t* renderFlags;       /* the render flags word */
  void* rendererBlock;         /* the renderer's per-material block */
  char mapName[32];            /* texture file name, "" without texture */
};

struct ZeltBitmap {
  int texelDepth;              /* 8: palette indices; otherwise 16-bit pixels */
  int fastPath;                /* non-zero: addressed as 256 x 256 texels */
  uint32_t mask;               /* texel count - 1 */
  int log2Width;
  float width;
  float height;
  void* texels;                /* top row first */
};

struct ZeltTexture {
  uint8_t keyIndex;            /* colour key of 8-bit texels */
  uint16_t keyPixel;           /* colour key of 16-bit texels */
  ZeltBitmap* bitmap;
  uint8_t palette[256][4];     /* blue, green, red, unused */
};

#ifdef __cplusplus
}
#endif

#endif
