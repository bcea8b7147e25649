#include "platform/Direct3D.h"

#include "platform/DisplayProfile.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace platform {

const GUID IID_IDirect3DRGBDevice = {0xA4665C60, 0x2673, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

namespace {

// Live devices, so that a texture or material going away leaves no handle
// pointing at it.
std::mutex g_devicesLock;
std::vector<Direct3DDevice*>& Devices() {
    static std::vector<Direct3DDevice*> devices;
    return devices;
}

std::vector<DDPIXELFORMAT> TextureFormats() {
    DDPIXELFORMAT argb1555 = PixelFormatDesc(PixelFormat::RGB555);
    argb1555.dwFlags |= DDPF_ALPHAPIXELS;
    argb1555.dwRGBAlphaBitMask = 0x8000;
    DDPIXELFORMAT argb8888 = PixelFormatDesc(PixelFormat::XRGB8888);
    argb8888.dwFlags |= DDPF_ALPHAPIXELS;
    argb8888.dwRGBAlphaBitMask = 0xFF000000u;
    return {PixelFormatDesc(PixelFormat::PAL8), PixelFormatDesc(PixelFormat::RGB555),
            PixelFormatDesc(PixelFormat::RGB565), argb1555, PixelFormatDesc(PixelFormat::XRGB8888), argb8888};
}

const Display3DDeviceProfile* FindDevice(const GUID& guid) {
    for (const Display3DDeviceProfile& d : CurrentDisplayProfile().devices)
        if (d.guid == guid) return &d;
    return nullptr;
}

}  // namespace

void DescribeDevice(const Display3DDeviceProfile& device, D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) {
    D3DDEVICEDESC d;
    d.dwFlags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_TRICAPS | D3DDD_DEVICERENDERBITDEPTH |
                D3DDD_DEVICEZBUFFERBITDEPTH;
    d.dcmColorModel = device.colorModel;
    d.dwDevCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_DRAWPRIMTLVERTEX |
                  (device.hardware ? 0u : static_cast<DWORD>(D3DDEVCAPS_TEXTURESYSTEMMEMORY));
    D3DPRIMCAPS caps;
    caps.dwSrcBlendCaps = D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA;
    caps.dwDestBlendCaps = device.destBlendCaps;
    caps.dwTextureCaps = device.textureCaps;
    d.dpcLineCaps = caps;
    d.dpcTriCaps = caps;
    d.dwDeviceRenderBitDepth = device.renderDepths;
    d.dwDeviceZBufferBitDepth = device.zDepths;
    d.dwMinTextureWidth = 1;
    d.dwMinTextureHeight = 1;
    d.dwMaxTextureWidth = 2048;
    d.dwMaxTextureHeight = 2048;
    // The description a device does not have is all zero (colour model 0).
    if (hardware) *hardware = device.hardware ? d : D3DDEVICEDESC{};
    if (software) *software = device.hardware ? D3DDEVICEDESC{} : d;
}

// ---------------------------------------------------------------------------
// Direct3D

HRESULT Direct3DCreate(DirectDraw* dd, Direct3D** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!dd) return DDERR_INVALIDPARAMS;
    *out = new Direct3D(dd);
    return DD_OK;
}

Direct3D::Direct3D(DirectDraw* dd) : m_dd(dd) { m_dd->AddRef(); }
Direct3D::~Direct3D() { m_dd->Release(); }

HRESULT Direct3D::EnumDevices(LPD3DENUMDEVICESCALLBACK callback, void* context) const {
    if (!callback) return DDERR_INVALIDPARAMS;
    const std::vector<Display3DDeviceProfile> devices = CurrentDisplayProfile().devices;
    for (const Display3DDeviceProfile& d : devices) {
        GUID guid = d.guid;
        std::string description = d.description, name = d.name;
        D3DDEVICEDESC hardware, software;
        DescribeDevice(d, &hardware, &software);
        if (callback(&guid, description.data(), name.data(), &hardware, &software, context) == DDENUMRET_CANCEL) break;
    }
    return DD_OK;
}

HRESULT Direct3D::CreateDevice(const GUID& guid, DirectDrawSurface* target, Direct3DDevice** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    const Display3DDeviceProfile* profile = FindDevice(guid);
    if (!profile || !target) return DDERR_INVALIDPARAMS;
    if (!(target->Caps() & DDSCAPS_3DDEVICE)) return DDERR_INVALIDCAPS;
    DDPIXELFORMAT pf;
    target->GetPixelFormat(&pf);
    if ((pf.dwFlags & DDPF_ZBUFFER) || target->Format() == PixelFormat::PAL8) return DDERR_INVALIDPIXELFORMAT;
    if (FAILED(target->IsLost())) return DDERR_SURFACELOST;
    *out = new Direct3DDevice(target);
    DescribeDevice(*profile, &(*out)->m_hardware, &(*out)->m_software);
    return DD_OK;
}

HRESULT Direct3D::CreateViewport(Direct3DViewport** out, void*) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = new Direct3DViewport();
    return DD_OK;
}

HRESULT Direct3D::CreateMaterial(Direct3DMaterial** out, void*) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = new Direct3DMaterial();
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Device

Direct3DDevice::Direct3DDevice(DirectDrawSurface* target) : m_target(target) {
    m_target->AddRef();
    // Direct3D's own starting states.
    m_renderStates[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = 0;
    m_renderStates[D3DRENDERSTATE_ZENABLE] = 0;
    m_renderStates[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
    m_renderStates[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
    m_renderStates[D3DRENDERSTATE_ZWRITEENABLE] = 1;
    m_renderStates[D3DRENDERSTATE_TEXTUREMAG] = D3DFILTER_NEAREST;
    m_renderStates[D3DRENDERSTATE_TEXTUREMIN] = D3DFILTER_NEAREST;
    m_renderStates[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    m_renderStates[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    m_renderStates[D3DRENDERSTATE_TEXTUREMAPBLEND] = D3DTBLEND_MODULATE;
    m_renderStates[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    m_renderStates[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
    m_renderStates[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
    m_lightStates[D3DLIGHTSTATE_COLORMODEL] = D3DCOLOR_RGB;
    std::lock_guard<std::mutex> guard(g_devicesLock);
    Devices().push_back(this);
}

Direct3DDevice::~Direct3DDevice() {
    {
        std::lock_guard<std::mutex> guard(g_devicesLock);
        auto& all = Devices();
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }
    for (Direct3DViewport* v : m_viewports) {
        v->m_device = nullptr;
        v->Release();
    }
    m_target->Release();
}

void Direct3DDevice::Forget(const void* object) {
    for (auto it = m_textures.begin(); it != m_textures.end();)
        it = it->second == object ? m_textures.erase(it) : std::next(it);
    for (auto it = m_materials.begin(); it != m_materials.end();)
        it = it->second == object ? m_materials.erase(it) : std::next(it);
    if (m_renderStates[D3DRENDERSTATE_TEXTUREHANDLE] && !TextureFromHandle(m_renderStates[D3DRENDERSTATE_TEXTUREHANDLE]))
        m_renderStates[D3DRENDERSTATE_TEXTUREHANDLE] = 0;
}

HRESULT Direct3DDevice::GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) const {
    if (!hardware && !software) return DDERR_INVALIDPARAMS;
    if (hardware) *hardware = m_hardware;
    if (software) *software = m_software;
    return DD_OK;
}

HRESULT Direct3DDevice::AddViewport(Direct3DViewport* viewport) {
    if (!viewport) return DDERR_INVALIDPARAMS;
    if (viewport->m_device == this) return DD_OK;
    if (viewport->m_device) return DDERR_INVALIDPARAMS;  // belongs to another device
    viewport->AddRef();
    viewport->m_device = this;
    m_viewports.push_back(viewport);
    return DD_OK;
}

HRESULT Direct3DDevice::DeleteViewport(Direct3DViewport* viewport) {
    auto it = std::find(m_viewports.begin(), m_viewports.end(), viewport);
    if (!viewport || it == m_viewports.end()) return DDERR_INVALIDPARAMS;
    m_viewports.erase(it);
    if (m_current == viewport) m_current = nullptr;
    viewport->m_device = nullptr;
    viewport->Release();
    return DD_OK;
}

HRESULT Direct3DDevice::SetCurrentViewport(Direct3DViewport* viewport) {
    if (!viewport || viewport->m_device != this) return DDERR_INVALIDPARAMS;
    m_current = viewport;
    return DD_OK;
}

HRESULT Direct3DDevice::GetCurrentViewport(Direct3DViewport** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = m_current;
    if (!m_current) return DDERR_NOTFOUND;
    m_current->AddRef();
    return DD_OK;
}

HRESULT Direct3DDevice::SetRenderState(DWORD state, DWORD value) {
    if (state == 0 || state >= D3DRENDERSTATE_LAST) return DDERR_INVALIDPARAMS;
    if (state == D3DRENDERSTATE_TEXTUREHANDLE && value != 0 && !TextureFromHandle(value)) return DDERR_INVALIDPARAMS;
    m_renderStates[state] = value;
    return DD_OK;
}

HRESULT Direct3DDevice::GetRenderState(DWORD state, DWORD* value) const {
    if (!value || state == 0 || state >= D3DRENDERSTATE_LAST) return DDERR_INVALIDPARAMS;
    *value = m_renderStates[state];
    return DD_OK;
}

HRESULT Direct3DDevice::SetLightState(DWORD state, DWORD value) {
    if (state == 0 || state >= D3DLIGHTSTATE_LAST) return DDERR_INVALIDPARAMS;
    if (state == D3DLIGHTSTATE_MATERIAL && value != 0 && !MaterialFromHandle(value)) return DDERR_INVALIDPARAMS;
    m_lightStates[state] = value;
    return DD_OK;
}

HRESULT Direct3DDevice::GetLightState(DWORD state, DWORD* value) const {
    if (!value || state == 0 || state >= D3DLIGHTSTATE_LAST) return DDERR_INVALIDPARAMS;
    *value = m_lightStates[state];
    return DD_OK;
}

HRESULT Direct3DDevice::EnumTextureFormats(LPD3DENUMTEXTUREFORMATSCALLBACK callback, void* context) const {
    if (!callback) return DDERR_INVALIDPARAMS;
    for (const DDPIXELFORMAT& pf : TextureFormats()) {
        DDSURFACEDESC desc;
        desc.dwFlags = DDSD_CAPS | DDSD_PIXELFORMAT;
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
        desc.ddpfPixelFormat = pf;
        if (callback(&desc, context) == DDENUMRET_CANCEL) break;
    }
    return DD_OK;
}

HRESULT Direct3DDevice::GetRenderTarget(DirectDrawSurface** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    m_target->AddRef();
    *out = m_target;
    return DD_OK;
}

Direct3DTexture* Direct3DDevice::TextureFromHandle(D3DTEXTUREHANDLE handle) const {
    auto it = m_textures.find(handle);
    return it == m_textures.end() ? nullptr : it->second;
}

Direct3DMaterial* Direct3DDevice::MaterialFromHandle(D3DMATERIALHANDLE handle) const {
    auto it = m_materials.find(handle);
    return it == m_materials.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------------------
// Viewport and material

Direct3DViewport::~Direct3DViewport() = default;

HRESULT Direct3DViewport::SetViewport2(const D3DVIEWPORT2* vp) {
    if (!vp) return DDERR_INVALIDPARAMS;
    if (!m_device) return D3DERR_SETVIEWPORTDATA_FAILED;
    DirectDrawSurface* target = m_device->m_target;
    const std::uint64_t right = static_cast<std::uint64_t>(vp->dwX) + vp->dwWidth;
    const std::uint64_t bottom = static_cast<std::uint64_t>(vp->dwY) + vp->dwHeight;
    if (vp->dwWidth == 0 || vp->dwHeight == 0 || right > static_cast<std::uint64_t>(target->Width()) ||
        bottom > static_cast<std::uint64_t>(target->Height()))
        return DDERR_INVALIDPARAMS;
    if (!(vp->dvClipWidth > 0) || !(vp->dvClipHeight > 0) || !(vp->dvMinZ < vp->dvMaxZ)) return DDERR_INVALIDPARAMS;
    m_viewport = *vp;
    m_set = true;
    return DD_OK;
}

HRESULT Direct3DViewport::GetViewport2(D3DVIEWPORT2* vp) const {
    if (!vp) return DDERR_INVALIDPARAMS;
    if (!m_set) return D3DERR_SETVIEWPORTDATA_FAILED;
    *vp = m_viewport;
    return DD_OK;
}

HRESULT Direct3DViewport::SetBackground(D3DMATERIALHANDLE material) {
    if (!m_device || !m_device->MaterialFromHandle(material)) return DDERR_INVALIDPARAMS;
    m_background = material;
    return DD_OK;
}

HRESULT Direct3DViewport::GetBackground(D3DMATERIALHANDLE* material, BOOL* valid) const {
    if (!material || !valid) return DDERR_INVALIDPARAMS;
    *valid = m_background != 0 && m_device && m_device->MaterialFromHandle(m_background) ? 1 : 0;
    *material = *valid ? m_background : 0;
    return DD_OK;
}

Direct3DMaterial::~Direct3DMaterial() {
    std::lock_guard<std::mutex> guard(g_devicesLock);
    for (Direct3DDevice* d : Devices()) d->Forget(this);
}

HRESULT Direct3DMaterial::SetMaterial(const D3DMATERIAL* material) {
    if (!material) return DDERR_INVALIDPARAMS;
    m_material = *material;
    m_set = true;
    return DD_OK;
}

HRESULT Direct3DMaterial::GetMaterial(D3DMATERIAL* material) const {
    if (!material) return DDERR_INVALIDPARAMS;
    if (!m_set) return D3DERR_MATERIAL_SETDATA_FAILED;
    *material = m_material;
    return DD_OK;
}

HRESULT Direct3DMaterial::GetHandle(Direct3DDevice* device, D3DMATERIALHANDLE* handle) {
    if (!device || !handle) return DDERR_INVALIDPARAMS;
    for (const auto& [h, m] : device->m_materials)
        if (m == this) {
            *handle = h;
            return DD_OK;
        }
    *handle = device->m_nextHandle++;
    device->m_materials[*handle] = this;
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Textures

HRESULT GetTexture(DirectDrawSurface* surface, Direct3DTexture** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!surface) return DDERR_INVALIDPARAMS;
    if (!(surface->Caps() & DDSCAPS_TEXTURE)) return D3DERR_TEXTURE_NO_SUPPORT;
    *out = new Direct3DTexture(surface);
    return DD_OK;
}

Direct3DTexture::Direct3DTexture(DirectDrawSurface* surface) : m_surface(surface) { m_surface->AddRef(); }

Direct3DTexture::~Direct3DTexture() {
    {
        std::lock_guard<std::mutex> guard(g_devicesLock);
        for (Direct3DDevice* d : Devices()) d->Forget(this);
    }
    m_surface->Release();
}

HRESULT Direct3DTexture::GetHandle(Direct3DDevice* device, D3DTEXTUREHANDLE* handle) {
    if (!device || !handle) return DDERR_INVALIDPARAMS;
    for (const auto& [h, t] : device->m_textures)
        if (t == this) {
            *handle = h;
            return DD_OK;
        }
    *handle = device->m_nextHandle++;
    device->m_textures[*handle] = this;
    return DD_OK;
}

HRESULT Direct3DTexture::Load(Direct3DTexture* source) {
    if (!source) return DDERR_INVALIDPARAMS;
    if (source == this) return DD_OK;
    DirectDrawSurface* src = source->m_surface;
    DirectDrawSurface* dst = m_surface;
    if (src->Width() != dst->Width() || src->Height() != dst->Height() || src->Format() != dst->Format())
        return D3DERR_TEXTURE_LOAD_FAILED;
    PixelView from, to;
    HRESULT hr = src->Lock(nullptr, &from, DDLOCK_WAIT | DDLOCK_READONLY);
    if (FAILED(hr)) return hr;
    hr = dst->Lock(nullptr, &to, DDLOCK_WAIT | DDLOCK_WRITEONLY);
    if (FAILED(hr)) {
        src->Unlock(from.bits);
        return hr;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(from.width) * static_cast<std::size_t>(BytesPerPixel(from.format));
    for (int y = 0; y < from.height; ++y)
        std::memcpy(static_cast<std::uint8_t*>(to.bits) + static_cast<std::ptrdiff_t>(y) * to.pitch,
                    static_cast<const std::uint8_t*>(from.bits) + static_cast<std::ptrdiff_t>(y) * from.pitch, rowBytes);
    dst->Unlock(to.bits);
    src->Unlock(from.bits);

    // An 8-bit texture brings its colours along into the palette of this one.
    if (dst->Format() == PixelFormat::PAL8) {
        DirectDrawPalette* sp = nullptr;
        DirectDrawPalette* dp = nullptr;
        if (SUCCEEDED(src->GetPalette(&sp)) && SUCCEEDED(dst->GetPalette(&dp)) && sp != dp)
            dp->SetEntries(0, 0, 256, sp->Entries());
        if (sp) sp->Release();
        if (dp) dp->Release();
    }
    return DD_OK;
}

}  // namespace platform
