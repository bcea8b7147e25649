/*
 * Entry points of the software renderer plug-in libtarnel.so. The kernel resolves them by name
 * with dlsym; tests and benchmarks link the library directly.
 */
#ifndef TARNEL_TARNEL_H
#define TARNEL_TARNEL_H

#include "include/zelt/records.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(TARNEL_BUILDING)
#define TARNEL_EXPORT __attribute__((visibility("default")))
#else
#define TARNEL_EXPORT
#endif

TARNEL_EXPORT int Zelt_Init_Render_Dll(ZeltRenderRecord* record);
TARNEL_EXPORT void Zelt_Release_Scene_Dll(void);
TARNEL_EXPORT int Zelt_Add_Material_Dll(ZeltMaterial* material);
TARNEL_EXPORT void Zelt_Release_Material_Dll(ZeltMaterial* material);
TARNEL_EXPORT void Zelt_Update_Material_Dll(ZeltMaterial* material);
TARNEL_EXPORT int Zelt_Set_Material_Render_State_Dll(ZeltMaterial* material, int mode, int control);
TARNEL_EXPORT int Zelt_Get_Material_Render_State_Dll(ZeltMaterial* material);
TARNEL_EXPORT int Zelt_Add_Face_Dll(ZeltFace* face);
TARNEL_EXPORT void Zelt_Release_Face_Dll(ZeltFace* face);
/* flags bit 0: pixels no face covers become 0. Returns 0 after a frame (or without a camera),
   2 when the edge pool could not grow (nothing painted). */
TARNEL_EXPORT int Zelt_Render_Dll(ZeltRenderContext* context, uint16_t* pixels, void* depth, int flags);
/* Nearest object drawn under (x, y), or null; face index in the displayed object's face array
   and camera depth of the hit (far distance when nothing is hit). */
TARNEL_EXPORT ZeltObject* Zelt_Pick_Dll(ZeltRenderContext* context, float x, float y, int* face, float* depth);

TARNEL_EXPORT int Zelt_Add_Animation_Dll(void* animation);
TARNEL_EXPORT int Zelt_Add_Camera_Dll(void* camera);
TARNEL_EXPORT int Zelt_Add_Light_Dll(void* light);
TARNEL_EXPORT int Zelt_Add_Light_Map_Dll(void* lightMap);
TARNEL_EXPORT int Zelt_Add_Map_Dll(void* map);
TARNEL_EXPORT int Zelt_Add_Object_Dll(void* object);
TARNEL_EXPORT int Zelt_Add_Spot_Light_Dll(void* light);
TARNEL_EXPORT void Zelt_Release_Animation_Dll(void* animation);
TARNEL_EXPORT void Zelt_Release_Camera_Dll(void* camera);
TARNEL_EXPORT void Zelt_Release_Light_Dll(void* light);
TARNEL_EXPORT void Zelt_Release_Light_Map_Dll(void* lightMap);
TARNEL_EXPORT void Zelt_Release_Map_Dll(void* map);
TARNEL_EXPORT void Zelt_Release_Object_Dll(void* object);
TARNEL_EXPORT void Zelt_Release_Spot_Light_Dll(void* light);
TARNEL_EXPORT void Zelt_Release_Render_Dll(void* render);
TARNEL_EXPORT void Zelt_Update_Light_Map_Dll(void* lightMap);
TARNEL_EXPORT void Zelt_Update_Map_Dll(void* map);

#ifdef __cplusplus
}
#endif

#endif
