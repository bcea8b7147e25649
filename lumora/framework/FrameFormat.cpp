#include "lumora/framework/FrameFormat.h"

namespace {

constexpr int N = kFrameNameSize;

constexpr LFieldLayout kViewFields[] = {
    {"VIE.ViewID", 4, 0, nullptr, false},      {"VIE.ViewPosX", 4, 0, nullptr, false},
    {"VIE.ViewPosY", 4, 0, nullptr, false},    {"VIE.ViewSizeX", 4, 0, nullptr, false},
    {"VIE.ViewSizeY", 4, 0, nullptr, false},   {"VIE.Visible", 4, 1, nullptr, false},
    {"VIE.SuperView", 4, 0, nullptr, false},   {"VIE.MustClip", 4, 0, nullptr, false},
    {"VIE.IgnoreClip", 4, 0, nullptr, false},
};
constexpr LFieldLayout kBitmapFields[] = {
    {"BIT.OffsetX", 4, 0, nullptr, false},
    {"BIT.OffsetY", 4, 0, nullptr, false},
    {"BIT.BitmapName", N, 0, "0", false},
    {"BIT.DrawMode", 4, 96, nullptr, false},
};
constexpr LFieldLayout kLoupeFields[] = {
    {"LOP.ScrollUnit", 4, 0, nullptr, false},
    {"LOP.ScrollZone", 4, 50, nullptr, true},
};
constexpr LFieldLayout kScrollFields[] = {
    {"SCR.BitmapAsc", N, 0, "", false},    {"SCR.FlecheZoneY", 4, 0, nullptr, false},
    {"SCR.FlecheZoneX", 4, 0, nullptr, false}, {"SCR.BitmapBoule", N, 0, "", false},
    {"SCR.BitmapScroll", N, 0, "", false}, {"SCR.ScrollValue", 4, 0, nullptr, false},
};
constexpr LFieldLayout kSliderFields[] = {
    {"VOL.ButtonWidth", 4, 0, nullptr, false},
    {"VOL.BitmapThumb", N, 0, "", false},
};
constexpr LFieldLayout kFrameLinkFields[] = {{"FRA.FrameName", N, 0, "", false}};
constexpr LFieldLayout kCursorFields[] = {{"CUR.CursorName", 4, 0, nullptr, false}};
constexpr LFieldLayout kGameCursorFields[] = {{"GCU.CursorIndex", 4, 0, nullptr, false}};
constexpr LFieldLayout kDragFields[] = {{"DRA.MustReturn", 4, 0, nullptr, false}};
constexpr LFieldLayout kHighlightFields[] = {
    {"HIL.BitmapName", N, 0, "", false},
    {"HIL.OffsetX", 4, 0, nullptr, false},
    {"HIL.OffsetY", 4, 0, nullptr, false},
};
constexpr LFieldLayout kScriptFields[] = {{"SCR.ScriptName", N, 0, "", false}};
constexpr LFieldLayout kAnimationFields[] = {
    {"ANI.FrameCount", 4, 0, nullptr, false}, {"ANI.BaseName", N, 0, "", false},
    {"ANI.Delay", 4, 0, nullptr, false},      {"ANI.Loop", 4, 0, nullptr, false},
    {"ANI.HoverOnly", 4, 0, nullptr, false},  {"ANI.OffsetX", 4, 0, nullptr, false},
    {"ANI.OffsetY", 4, 0, nullptr, false},
};

template <int Count>
constexpr int BlockSize(const LFieldLayout (&fields)[Count]) {
    int size = 0;
    for (const LFieldLayout& f : fields) size += f.size;
    return size;
}

#define BLOCK(var, name, fields) constexpr LBlockLayout var{name, fields, sizeof fields / sizeof fields[0], BlockSize(fields)}
BLOCK(kViewBlock, "view", kViewFields);
BLOCK(kBitmapBlock, "bitmap", kBitmapFields);
BLOCK(kLoupeBlock, "loupe", kLoupeFields);
BLOCK(kScrollBlock, "scroll list", kScrollFields);
BLOCK(kSliderBlock, "slider", kSliderFields);
BLOCK(kFrameLinkBlock, "frame link", kFrameLinkFields);
BLOCK(kCursorBlock, "cursor", kCursorFields);
BLOCK(kGameCursorBlock, "game cursor", kGameCursorFields);
BLOCK(kDragBlock, "drag", kDragFields);
BLOCK(kHighlightBlock, "highlight", kHighlightFields);
BLOCK(kScriptBlock, "script", kScriptFields);
BLOCK(kAnimationBlock, "animation", kAnimationFields);
#undef BLOCK

static_assert(kViewBlock.size == 36 && kBitmapBlock.size == 44 && kLoupeBlock.size == 8);
static_assert(kScrollBlock.size == 108 && kSliderBlock.size == 36 && kHighlightBlock.size == 40);
static_assert(kAnimationBlock.size == 56 && kFrameLinkBlock.size == 32);

const LClassLayout kClasses[] = {
    {kCodeView, "LView", {&kViewBlock}},
    {kCodeBitmapView, "LBitmapView", {&kViewBlock, &kBitmapBlock}},
    {kCodeLoupeView, "LLoupeView", {&kViewBlock, &kBitmapBlock, &kLoupeBlock}},
    {kCodeScrollView, "LScrollView", {&kViewBlock, &kScrollBlock}},
    {kCodeLoadList, "load-game list", {&kViewBlock, &kScrollBlock}},
    {kCodeSaveList, "save-game list", {&kViewBlock, &kScrollBlock}},
    {kCodeUserList, "player list", {&kViewBlock, &kScrollBlock}},
    {kCodeEditView, "LEditView", {&kViewBlock}},
    {kCodeSaveEdit, "saved-game name entry", {&kViewBlock}},
    {kCodeUserEdit, "player name entry", {&kViewBlock}},
    {kCodeSlider, "LSliderView", {&kViewBlock, &kSliderBlock}},
    {kCodeSliderA, "volume slider A", {&kViewBlock, &kSliderBlock}},
    {kCodeSliderB, "volume slider B", {&kViewBlock, &kSliderBlock}},
    {kCodeInventoryArrow, "inventory arrow", {&kViewBlock}},
    {kCodeInventoryStrip, "inventory strip", {&kViewBlock}},
    {kCodeFrameLink, "LFrameLinkBehavior", {&kFrameLinkBlock}},
    {kCodeCursor, "LCursorBehavior", {&kCursorBlock}},
    {kCodeGameCursor, "LGameCursorBehavior", {&kGameCursorBlock}},
    {kCodeDrag, "LDragBehavior", {&kDragBlock}},
    {kCodeHighlight, "LHighlightBehavior", {&kHighlightBlock}},
    {kCodeFixedHighlight, "LFixedHighlightBehavior", {&kHighlightBlock}},
    {kCodeScript, "LScriptBehavior", {&kScriptBlock}},
    {kCodeAnimation, "LAnimationBehavior", {&kAnimationBlock}},
};

}  // namespace

char* ClassCodeText(int code, char* dst) {
    const auto v = static_cast<std::uint32_t>(code);
    for (int i = 0; i < 4; ++i) dst[i] = static_cast<char>(v >> (24 - 8 * i));
    dst[4] = '\0';
    return dst;
}

int ClassCodeFromText(const char* text) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(text[i]);
    return static_cast<int>(v);
}

const LClassLayout* FindClassLayout(int code) {
    for (const LClassLayout& layout : kClasses)
        if (layout.code == code) return &layout;
    return nullptr;
}

const LClassLayout* ClassLayouts(int* count) {
    *count = static_cast<int>(sizeof kClasses / sizeof kClasses[0]);
    return kClasses;
}

int ClassDataSize(const LClassLayout& layout) {
    int size = 0;
    for (const LBlockLayout* block : layout.blocks)
        if (block) size += block->size;
    return size;
}
