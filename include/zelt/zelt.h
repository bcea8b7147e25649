/*
 * The 3D kernel libzelt.so: scenes, objects, animations, cameras, lights, collision, the
 * engine asset loaders and render dispatch to the renderer plug-in.
 *
 * Every call is a plain C function. Calls that can fail return non-zero on success and 0 on
 * failure, and leave the failure in the last error (Zelt_Get_Last_Error).
 *
 * Include this header before any other kernel-family header: it declares the math entry points
 * (Zelt_Matrice_Mult ...) as the function pointers the kernel exports and fills in
 * Zelt_Init_Mathlib.
 */
#ifndef ZELT_ZELT_H
#define ZELT_ZELT_H

#if defined(ZELT_MATH_H) && !defined(ZELT_MATH_POINTERS)
#error "include/zelt/zelt.h must be included before include/zelt/math.h and records.h"
#endif

#include <stddef.h>
#include <stdint.h>

#ifndef ZELT_MATH_POINTERS
#define ZELT_MATH_POINTERS
#endif
#if defined(ZELT_BUILDING)
#pragma GCC visibility push(default)
#endif
#include "include/zelt/math.h"
#if defined(ZELT_BUILDING)
#pragma GCC visibility pop
#endif
#include "include/zelt/records.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(ZELT_BUILDING)
#define ZELT_API __attribute__((visibility("default")))
#else
#define ZELT_API
#endif

/* ------------------------------------------------------------------------------------------ */
/* Kernel records                                                                              */

typedef struct ZeltScene ZeltScene;
typedef struct ZeltAnimation ZeltAnimation;
typedef struct ZeltLight ZeltLight;
typedef struct ZeltSphere ZeltSphere;
typedef struct ZeltMap ZeltMap;

/* Face counters of the last Zelt_Render (the debug page shows them). */
typedef struct ZeltFaceCounters {
  int beforeCulling;         /* faces of every object the renderer walked */
  int afterCulling;          /* of those: in visible objects and facing the camera */
  int afterPyramidCulling;   /* of those: not wholly outside one plane of the view pyramid */
  int afterPyramidClipping;  /* of those: wholly inside the pyramid, drawn without clipping */
  int transparent;           /* faces kept with a blended or overlay material */
  int trianglesDrawn;        /* triangles (n - 2 per face) of the faces kept */
} ZeltFaceCounters;

struct ZeltScene {
  ZeltFaceCounters counters;
  int ambientR, ambientG, ambientB;  /* 0..255 */
  int viewX, viewY, viewW, viewH;    /* viewport inside the pixel buffer */
  int pitch;                         /* buffer width in pixels (Zelt_Scene_Init_Resolution) */
  float aspect;                      /* 1.0 for square pixels in a 4:3 view */
  float nearZ, farZ;
  int rendererKind;                  /* 1 software into the caller's buffer; 0 display layer */
  void* displayContext;              /* ZeltDisplayTarget* for the display-layer kind */
  ZeltCamera* activeCamera;
  unsigned int frame;                /* frames rendered */
};

/* Display-layer target of the rendering kind 0: the kernel locks the back buffer through it. */
typedef struct ZeltDisplayTarget {
  void* user;
  uint16_t* (*lock)(void* user, int* pitchPixels); /* null when the buffer cannot be locked */
  void (*unlock)(void* user);
  int depth; /* 15 (5-5-5) or 16 (5-6-5): the locked buffer's pixels; 0 keeps the kernel's 15 bits */
} ZeltDisplayTarget;

struct ZeltAnimation {
  char name[32];             /* name of the object it animates */
  ZeltAnimation* parent;
  ZeltAnimation* firstChild;
  ZeltAnimation* nextSibling;
  int firstFrame;            /* the game may rewrite both (SetRange) */
  int lastFrame;
  int length;                /* frames */
  ZeltVector pivot;
};

enum { ZELT_LIGHT_OMNI = 5, ZELT_LIGHT_SPOT = 7 };

struct ZeltLight {
  char name[32];
  int kind;                  /* ZELT_LIGHT_OMNI or ZELT_LIGHT_SPOT */
  uint8_t r, g, b;
  float multiplier;
  ZeltVector position;       /* world space */
  int off;
  int attenuate;             /* fades from innerRange to outerRange */
  float innerRange;
  float outerRange;
  ZeltVector target;         /* spot only */
  float hotspot;             /* degrees, spot only: full light inside this cone */
  float falloff;             /* degrees, spot only: no light outside this cone */
};

struct ZeltSphere {
  float radius;
  ZeltVector position;       /* world-space centre */
};

struct ZeltMap {
  char name[32];             /* texture file name (".dmf") */
  int width;
  int height;
  int depth;                 /* 8 or 16 */
  ZeltTexture* texture;      /* after Zelt_Map_Init */
};

/* Camera kinds of Zelt_Camera_Set_Type. */
enum {
  ZELT_CAMERA_POLAR = 0,     /* looks along theta, phi */
  ZELT_CAMERA_TARGET = 1     /* looks at its target; theta and phi follow */
};

/* Billboard kinds of Zelt_Object_Set_Camera_Type. */
enum {
  ZELT_BILLBOARD_NONE = 0,
  ZELT_BILLBOARD_FULL = 1,   /* faces the camera on every axis */
  ZELT_BILLBOARD_Z = 2,      /* turns about z only */
  ZELT_BILLBOARD_XZ = 3      /* turns about x and z */
};

/* Render states of Zelt_Object_Set_Render_State. */
enum { ZELT_RENDER_NORMAL = 128, ZELT_RENDER_DIAGNOSTIC = 256 };

/* Last error codes. */
enum {
  ZELT_OK = 0,
  ZELT_ERR_MEMORY = 1,
  ZELT_ERR_OPEN = 2,
  ZELT_ERR_BAD_FILE = 3,
  ZELT_ERR_NAME = 4,
  ZELT_ERR_RENDERER = 5,
  ZELT_ERR_MATHLIB = 6,
  ZELT_ERR_ARGUMENT = 7
};

/* Functions lent by the program. */
typedef void* (*ZeltOpenFn)(const char* path, const char* mode);
/* On success *buffer and *size give the whole file, owned by the handle. On failure the
   handle is already closed and must not be closed again. */
typedef int (*ZeltReadAllFn)(void* handle, void** buffer, int* size);
typedef int (*ZeltWriteFn)(void* handle, const void* data, int length);
typedef void (*ZeltCloseFn)(void* handle);
typedef void* (*ZeltMallocFn)(size_t size);
typedef void* (*ZeltCallocFn)(size_t count, size_t size);
typedef void* (*ZeltReallocFn)(void* block, size_t size);
typedef void (*ZeltReleaseFn)(void* block);

/* ------------------------------------------------------------------------------------------ */
/* Start and end                                                                               */

/* 0 chooses the math build by processor; ZELT_MATHLIB=numa5|numa6|numa6k overrides; 5, 6 and
   7 ask for numa5, numa6 and numa6k. Non-zero when the math entry points are filled. */
ZELT_API int Zelt_Init_Mathlib(int cpu);
/* Name of the math build in use ("numa5", "numa6", "numa6k") or "" when none. */
ZELT_API const char* Zelt_Get_Mathlib_Name(void);
ZELT_API void Zelt_Init_Ptr(ZeltOpenFn open, ZeltReadAllFn readAll, ZeltWriteFn write, ZeltCloseFn close,
                            ZeltMallocFn malloc_, ZeltCallocFn calloc_, ZeltReallocFn realloc_,
                            ZeltReleaseFn free_);
ZELT_API void Zelt_Init_Vtbl(int kind);
/* 15 or 16: software pixels 5-5-5 or 5-6-5; 0: the display-layer kind (5-5-5). */
ZELT_API int Zelt_Init_Kernel(int bits);
ZELT_API void Zelt_Release_Kernel(void);
/* Returns the code; either pointer may be null. */
ZELT_API int Zelt_Get_Last_Error(int* code, const char** text);

/* ------------------------------------------------------------------------------------------ */
/* Scenes                                                                                      */

ZELT_API int Zelt_Scene_Create(ZeltScene** out);
ZELT_API int Zelt_Scene_Init_Resolution(ZeltScene* scene, int viewX, int viewY, int viewW, int viewH, int width,
                                        float aspect, float nearZ, float farZ);
ZELT_API int Zelt_Scene_Init_Render(ZeltScene* scene, int rendererKind, void* displayContext);
/* flags bit 0: pixels no face covers become 0. */
ZELT_API int Zelt_Render(ZeltScene* scene, uint16_t* pixels, void* depth, int flags);
ZELT_API void Zelt_Scene_Set_Ambient_Light(ZeltScene* scene, int r, int g, int b);
ZELT_API void Zelt_Print(const char* text, int x, int y, int pitchPixels, uint16_t colour, uint16_t* pixels);
ZELT_API void Zelt_Scene_Release(ZeltScene* scene);

/* ------------------------------------------------------------------------------------------ */
/* Loading                                                                                     */

ZELT_API int Zelt_Load_Sdk_s3d(ZeltScene* scene, const char* path);
ZELT_API int Zelt_Load_Sdk_o3d(ZeltScene* scene, const char* path, ZeltObject** out);
ZELT_API int Zelt_Load_Sdk_a3d(ZeltScene* scene, const char* path, ZeltAnimation** out);
ZELT_API int Zelt_Load_Sdk_c3d(ZeltScene* scene, const char* path);
ZELT_API int Zelt_Load_Sdk_l3d(ZeltScene* scene, const char* path);

/* ------------------------------------------------------------------------------------------ */
/* Objects                                                                                     */

ZELT_API ZeltObject* Zelt_Scene_Get_First_Object(ZeltScene* scene);
ZELT_API ZeltObject* Zelt_Scene_Get_Next_Object(ZeltScene* scene, ZeltObject* object);
ZELT_API ZeltObject* Zelt_Scene_Get_Object(ZeltScene* scene, const char* name);
ZELT_API void Zelt_Object_Get_Local_Matrix(ZeltObject* object, float matrix[16]);
ZELT_API void Zelt_Object_Set_Local_Matrix(ZeltObject* object, const float matrix[16]);
ZELT_API void Zelt_Object_Get_Global_Matrix(ZeltObject* object, float matrix[16]);
ZELT_API void Zelt_Object_Get_Global_Position(ZeltObject* object, ZeltVector* position);
ZELT_API void Zelt_Object_Set_Local_Position(ZeltObject* object, const ZeltVector* position);
ZELT_API void Zelt_Object_Hide(ZeltObject* object, int withChildren);
ZELT_API void Zelt_Object_Unhide(ZeltObject* object, int withChildren);
ZELT_API void Zelt_Object_Set_Camera_Type(ZeltObject* object, int type);
ZELT_API int Zelt_Object_Add_Lod(ZeltObject* object, ZeltObject* lod, ZeltScene* scene, float distance);
ZELT_API int Zelt_Object_Set_Render_State(ZeltObject* object, ZeltScene* scene, int state, int withChildren);
ZELT_API int Zelt_Object_Animate_Spline(ZeltObject* object, ZeltAnimation* animation, float frame, int mode,
                                        int withChildren);
/* Object-space bounding sphere (centre, radius) and box. */
ZELT_API void Zelt_Object_Get_Bounds(ZeltObject* object, ZeltVector* centre, float* radius, ZeltVector* boxMin,
                                     ZeltVector* boxMax);
/* Vertices the object's face indices reach: its own, or its group's whole pool. */
ZELT_API int Zelt_Object_Get_Vertex_Count(ZeltObject* object);
/* Vertex `index` (as a face indexes it) in world space, and its unit world-space normal; either
   pointer may be null. 0 for an index out of range. */
ZELT_API int Zelt_Object_Get_Vertex(ZeltObject* object, int index, ZeltVector* world, ZeltVector* normal);
/* Light values (0..255) of the vertices the object owns, as the next frame lights them; returns
   how many were written (at most max). */
ZELT_API int Zelt_Object_Get_Vertex_Lights(ZeltScene* scene, ZeltObject* object, float* values, int max);
/* Takes the object (and its subtree) out of its scene and frees it. */
ZELT_API void Zelt_Object_Release(ZeltObject* object);

ZELT_API ZeltAnimation* Zelt_Scene_Get_Animation(ZeltScene* scene, const char* name);
ZELT_API void Zelt_Animation_Release(ZeltAnimation* animation);

/* ------------------------------------------------------------------------------------------ */
/* Faces and materials                                                                         */

ZELT_API int Zelt_Object_Get_Face_Count(ZeltObject* object);
ZELT_API ZeltFace* Zelt_Object_Get_Face(ZeltObject* object, int index);
ZELT_API ZeltMaterial* Zelt_Scene_Get_Material(ZeltScene* scene, const char* name);
/* Looks the material's mapName up among the scene's maps, takes that texture (or none) and
   updates the renderer's state for the material. */
ZELT_API int Zelt_Material_Update(ZeltMaterial* material);

/* ------------------------------------------------------------------------------------------ */
/* Cameras                                                                                     */

ZELT_API ZeltCamera* Zelt_Scene_Get_First_Camera(ZeltScene* scene);
ZELT_API ZeltCamera* Zelt_Scene_Get_Next_Camera(ZeltScene* scene, ZeltCamera* camera);
ZELT_API ZeltCamera* Zelt_Scene_Get_Camera(ZeltScene* scene, const char* name);
ZELT_API int Zelt_Camera_Create(ZeltScene* scene, ZeltCamera** out);
ZELT_API int Zelt_Scene_Set_Active_Camera(ZeltScene* scene, ZeltCamera* camera);
ZELT_API void Zelt_Camera_Set_Fov(ZeltCamera* camera, float degrees);
ZELT_API void Zelt_Camera_Set_Type(ZeltCamera* camera, int type);
ZELT_API void Zelt_Camera_Set_Position(ZeltCamera* camera, const ZeltVector* position);
ZELT_API void Zelt_Camera_Set_Polar(ZeltCamera* camera, float theta, float phi);
ZELT_API void Zelt_Camera_Set_Target(ZeltCamera* camera, const ZeltVector* target);
/* World-to-camera matrix of the camera as the next frame will use it. */
ZELT_API void Zelt_Camera_Get_Matrix(ZeltCamera* camera, float matrix[16]);
ZELT_API void Zelt_Camera_Release(ZeltCamera* camera);

/* ------------------------------------------------------------------------------------------ */
/* Lights                                                                                      */

ZELT_API ZeltLight* Zelt_Scene_Get_First_Light(ZeltScene* scene);
ZELT_API ZeltLight* Zelt_Scene_Get_Next_Light(ZeltScene* scene, ZeltLight* light);
ZELT_API int Zelt_Light_Create(ZeltScene* scene, ZeltLight** out);
ZELT_API int Zelt_Spot_Light_Create(ZeltScene* scene, ZeltLight** out);
ZELT_API void Zelt_Light_Set_Name(ZeltLight* light, const char* name);
ZELT_API void Zelt_Light_Set_Colour(ZeltLight* light, int r, int g, int b);
ZELT_API void Zelt_Light_Set_Multiplier(ZeltLight* light, float multiplier);
ZELT_API void Zelt_Light_Set_Global_Position(ZeltLight* light, const ZeltVector* position);
ZELT_API void Zelt_Light_Set_Range(ZeltLight* light, int attenuate, float innerRange, float outerRange);
ZELT_API void Zelt_Spot_Light_Set_Target(ZeltLight* light, const ZeltVector* target);
ZELT_API void Zelt_Spot_Light_Set_Cone(ZeltLight* light, float hotspot, float falloff);
ZELT_API void Zelt_Scene_All_Light_Include_Scene_All_Object(ZeltScene* scene, int on);
ZELT_API void Zelt_Scene_All_Light_Include_Object(ZeltScene* scene, ZeltObject* object, int on);
ZELT_API void Zelt_Light_Include_Object(ZeltLight* light, ZeltObject* object, int on);
ZELT_API int Zelt_Light_Includes_Object(ZeltLight* light, ZeltObject* object);

/* ------------------------------------------------------------------------------------------ */
/* Maps                                                                                        */

ZELT_API int Zelt_Map_Create(ZeltMap** out);
/* Loads the .dmf file through the lent functions. */
ZELT_API int Zelt_Map_Init(ZeltMap* map, const char* file);
/* The scene takes the map over and frees it with itself. */
ZELT_API int Zelt_Scene_Add_Map(ZeltScene* scene, ZeltMap* map);
ZELT_API void Zelt_Map_Release(ZeltMap* map);

/* ------------------------------------------------------------------------------------------ */
/* Collision and picking                                                                       */

ZELT_API int Zelt_Sphere_Create(ZeltScene* scene, ZeltSphere** out);
ZELT_API void Zelt_Sphere_Set_Radius(ZeltSphere* sphere, float radius);
ZELT_API void Zelt_Sphere_Set_Position(ZeltSphere* sphere, const ZeltVector* position);
ZELT_API void Zelt_Sphere_Release(ZeltSphere* sphere);
/* Non-zero when the segment p0-p1 meets the object's world bounding sphere. */
ZELT_API int Zelt_Object_Check_Line_Collision(ZeltObject* object, const float p0[3], const float p1[3]);
/* Non-zero when the segment crosses the face polygon (world space); hit receives the point. */
ZELT_API int Zelt_Line_Face_Collision(ZeltObject* object, int face, const float p0[3], const float p1[3],
                                      float hit[3]);
/* Non-zero when the sphere meets the object's world bounds. */
ZELT_API int Zelt_Object_Check_Sphere_Collision(ZeltObject* object, ZeltSphere* sphere);
/* 0 no contact; 2 the sphere touches the face inside its polygon (contact = centre projected on
   the plane); 1 it touches an edge or a corner (contact = nearest boundary point). */
ZELT_API int Zelt_Sphere_Face_Collision(ZeltSphere* sphere, ZeltObject* object, int face, float contact[3],
                                        int mode);
/* Unit world-space normal of the face. */
ZELT_API void Zelt_Face_Get_Collision_Normal(ZeltObject* object, int face, float normal[3]);
/* Nearest drawn object under the pixel, or null; face index and camera depth of the hit. */
ZELT_API ZeltObject* Zelt_Scene_Pick_Object(ZeltScene* scene, float x, float y, int* face, float* depth);

#ifdef __cplusplus
}
#endif

#endif
