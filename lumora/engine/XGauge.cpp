#include "lumora/engine/XGauge.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "lumora/engine/InfoTables.h"
#include "lumora/framework/Bitmaps.h"
#include "lumora/shell/XDisplay.h"
#include "platform/Time.h"

std::uint32_t XGauge::Now() {
    const std::uint32_t now = platform::timeGetTime();
    return now ? now : 1;
}

void XGauge::Start(float seconds, int visible, const char* label, int kind) {
    const double ms = static_cast<double>(seconds) * 1000.0;
    m_Duration = std::isfinite(ms) ? static_cast<int>(std::clamp(ms, 0.0, static_cast<double>(INT_MAX))) : 0;
    m_Start = Now();
    m_Elapsed = 0;
    // No time at all: finished from the start rather than dividing by zero.
    m_Fraction = m_Duration > 0 ? 0.0f : 1.0f;
    m_Visible = visible;
    std::snprintf(m_Label, sizeof m_Label, "%s", label ? label : "");
    m_Kind = kind;
    m_Paused = 0;
}

void XGauge::Update() {
    const std::uint32_t now = Now();
    const std::int64_t elapsed = static_cast<std::int64_t>(m_Elapsed) + (now - m_Start);
    m_Elapsed = static_cast<int>(std::min<std::int64_t>(elapsed, INT_MAX));
    m_Start = now;
    m_Fraction = m_Duration > 0 ? static_cast<float>(m_Elapsed) / static_cast<float>(m_Duration) : 1.0f;
}

void XGauge::Draw() {
    if (m_Paused || !IsRunning()) return;
    Update();
    if (m_Fraction >= 1.0f || !m_Visible) return;
    DwenContext* c = g_Display ? g_Display->m_Context : nullptr;
    platform::DirectDrawSurface* back = c ? c->backBuffer : nullptr;
    if (!back) return;
    platform::DDBLTFX fx;
    platform::RECT frame{9, 9, 111, 21};
    fx.dwFillColor = ColorMatch(back, 0x808080);
    back->Blt(&frame, nullptr, nullptr, platform::DDBLT_COLORFILL | platform::DDBLT_WAIT, &fx);
    platform::RECT bar{10, 10, 110 - static_cast<int>(m_Fraction * 100.0f), 20};
    fx.dwFillColor = ColorMatch(back, 0x0000FF);
    back->Blt(&bar, nullptr, nullptr, platform::DDBLT_COLORFILL | platform::DDBLT_WAIT, &fx);
}

int XGauge::Finished(int clear) {
    if (m_Fraction < 1.0f) return 0;
    m_Fraction = 0.0f;
    if (clear) Clear();
    return 1;
}

void XGauge::Complete() {
    if (!IsRunning()) return;
    m_Elapsed = m_Duration;
    m_Fraction = 1.0f;
}

void XGauge::Clear() {
    m_Start = 0;
    m_Kind = 0;
    m_Label[0] = '\0';
    m_Fraction = 0.0f;
}

void XGauge::Pause() { m_Paused = 1; }

void XGauge::Resume() {
    if (!m_Paused) return;
    m_Paused = 0;
    if (IsRunning()) m_Start = Now();
}

int XGauge::LoadState(XChunkFile* file) {
    XGaugeStateRecord record;
    if (!file || !ReadGaugeState(*file, record)) return 1;
    std::snprintf(m_Label, sizeof m_Label, "%s", record.m_Label);
    m_Visible = record.m_Visible;
    m_Duration = record.m_Duration > 0 ? record.m_Duration : 0;
    m_Elapsed = record.m_Elapsed > 0 ? record.m_Elapsed : 0;
    m_Paused = 0;
    // The chunk is only written while the gauge runs: it runs on from now,
    // even when it was saved before any time was counted.
    m_Start = Now();
    m_Fraction = m_Duration > 0 ? static_cast<float>(m_Elapsed) / static_cast<float>(m_Duration) : 1.0f;
    return 1;
}

int XGauge::SaveState(XChunkFile* file) {
    if (!file || !IsRunning()) return 1;
    XGaugeStateRecord record;
    std::snprintf(record.m_Label, sizeof record.m_Label, "%s", m_Label);
    record.m_Visible = m_Visible;
    record.m_Duration = m_Duration;
    record.m_Elapsed = m_Elapsed;
    return WriteGaugeState(*file, record);
}
