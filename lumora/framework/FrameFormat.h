// The layout of frame files: the class codes, the data blocks each class
// carries after its code, and the text keys of every block field. The
// compile writers, the decompiler and the tools all read this one table.
#pragma once

#include <cstdint>

// A class code held as the 32-bit value whose most significant byte is the
// first character ("#VIE" is 0x23564945, stored in files as "EIV#").
constexpr int MakeClassCode(const char (&s)[5]) {
    return static_cast<int>((static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24) |
                            (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16) |
                            (static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8) |
                            static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])));
}
// The four characters of a code, NUL-terminated (dst holds 5 bytes).
char* ClassCodeText(int code, char* dst);
int ClassCodeFromText(const char* text);  // first four characters

constexpr int kCodeView = MakeClassCode("#VIE");
constexpr int kCodeBitmapView = MakeClassCode("#BIT");
constexpr int kCodeLoupeView = MakeClassCode("#LOP");
constexpr int kCodeScrollView = MakeClassCode("#SCR");
constexpr int kCodeLoadList = MakeClassCode("#LOA");
constexpr int kCodeSaveList = MakeClassCode("#SAV");
constexpr int kCodeUserList = MakeClassCode("#USc");
constexpr int kCodeEditView = MakeClassCode("#Edi");
constexpr int kCodeSaveEdit = MakeClassCode("#SEd");
constexpr int kCodeUserEdit = MakeClassCode("#UEd");
constexpr int kCodeSlider = MakeClassCode("#Vol");
constexpr int kCodeSliderA = MakeClassCode("#VoA");
constexpr int kCodeSliderB = MakeClassCode("#VoB");
constexpr int kCodeInventoryArrow = MakeClassCode("#pob");
constexpr int kCodeInventoryStrip = MakeClassCode("#pov");
constexpr int kCodeFrameLink = MakeClassCode("@FRA");
constexpr int kCodeCursor = MakeClassCode("@CUR");
constexpr int kCodeGameCursor = MakeClassCode("@gcu");
constexpr int kCodeDrag = MakeClassCode("@DRA");
constexpr int kCodeHighlight = MakeClassCode("@HIL");
constexpr int kCodeFixedHighlight = MakeClassCode("@HIG");
constexpr int kCodeScript = MakeClassCode("@SCR");
constexpr int kCodeAnimation = MakeClassCode("@ANI");
constexpr int kCodeAllBehaviors = MakeClassCode("@BEV");

// Text fields of records are 32 bytes: at most 31 characters and a NUL.
constexpr int kFrameNameSize = 32;

struct LFieldLayout {
    const char* key;         // text key
    int size;                // 4: int32; kFrameNameSize: text
    int intDefault;          // int fields: value when the key is absent
    const char* textDefault; // text fields: value when the key is absent
    bool defaultWhenZero;    // int fields: a value of 0 also takes the default
};

struct LBlockLayout {
    const char* name;
    const LFieldLayout* fields;
    int fieldCount;
    int size;  // bytes
};

struct LClassLayout {
    int code;
    const char* className;
    const LBlockLayout* blocks[3];  // in file order; unused slots null
};

// The class with this code, or null.
const LClassLayout* FindClassLayout(int code);
// Every class, views first.
const LClassLayout* ClassLayouts(int* count);
// Total bytes of a class's blocks.
int ClassDataSize(const LClassLayout& layout);
// The smallest view record (code, view block, terminator): bounds a view count.
constexpr int kMinViewRecordSize = 4 + 36 + 4;

// Little-endian field access, used by the writers and the decompiler.
inline void PutInt32(std::uint8_t* p, std::int32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}
inline std::int32_t GetInt32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
}
