#include "lumora/framework/LClassCreator.h"

#include <cstring>
#include <string>

#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LFrameReader.h"
#include "lumora/framework/LView.h"
#include "lumora/shell/MessageToUser.h"

namespace {

LClassCreator* g_ClassCreator = nullptr;

// Writes every block of a class from the current text record or behaviour.
int WriteClassBlocks(int code) {
    LFrameReader* reader = GetFrameReader();
    const LClassLayout* layout = FindClassLayout(code);
    if (!reader || !layout) return 0;
    for (const LBlockLayout* block : layout->blocks) {
        if (!block) continue;
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(block->size), 0);
        std::size_t at = 0;
        for (int i = 0; i < block->fieldCount; ++i) {
            const LFieldLayout& f = block->fields[i];
            if (f.size == 4) {
                int v = 0;
                if (!reader->GetInt(f.key, &v) || (f.defaultWhenZero && v == 0)) v = f.intDefault;
                PutInt32(bytes.data() + at, v);
            } else {
                char text[kFrameNameSize] = {};
                if (!reader->GetString(f.key, text, sizeof text)) std::strncpy(text, f.textDefault, sizeof text - 1);
                std::memcpy(bytes.data() + at, text, sizeof text);
            }
            at += static_cast<std::size_t>(f.size);
        }
        if (!reader->GetError().empty()) return 0;
        if (!reader->Write(bytes.data(), block->size)) return 0;
    }
    return 1;
}

template <int Code>
int WriteClass() {
    return WriteClassBlocks(Code);
}

struct WriterEntry {
    int code;
    LClassWriter writer;
};

#define W(code) {code, &WriteClass<code>}
constexpr WriterEntry kWriters[] = {
    W(kCodeView),          W(kCodeBitmapView),    W(kCodeLoupeView),     W(kCodeScrollView),
    W(kCodeLoadList),      W(kCodeSaveList),      W(kCodeUserList),      W(kCodeEditView),
    W(kCodeSaveEdit),      W(kCodeUserEdit),      W(kCodeSlider),        W(kCodeSliderA),
    W(kCodeSliderB),       W(kCodeInventoryArrow), W(kCodeInventoryStrip), W(kCodeFrameLink),
    W(kCodeCursor),        W(kCodeGameCursor),    W(kCodeDrag),          W(kCodeHighlight),
    W(kCodeFixedHighlight), W(kCodeScript),       W(kCodeAnimation),
};
#undef W

std::string CodeText(int code) {
    char text[5];
    ClassCodeText(code, text);
    for (char& c : text)
        if (c && (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)) c = '?';
    return text;
}

}  // namespace

LClassCreator* GetClassCreator() { return g_ClassCreator; }

LClassCreator::LClassCreator(int mode) : m_Codes(1, new LIntComparator(), 4), m_Functions(0, nullptr, sizeof(void*)), m_Mode(mode) {
    g_ClassCreator = this;
}

LClassCreator::~LClassCreator() {
    if (g_ClassCreator == this) g_ClassCreator = nullptr;
}

void LClassCreator::Register(int code, LClassFactory factory) {
    if (m_Mode != kLoad) return;
    Unregister(code);
    int index = m_Codes.Add(&code);
    void* f = reinterpret_cast<void*>(factory);
    m_Functions.InsertAt(&f, index);
}

void LClassCreator::RegisterWriter(int code, LClassWriter writer) {
    if (m_Mode != kCompile) return;
    Unregister(code);
    int index = m_Codes.Add(&code);
    void* f = reinterpret_cast<void*>(writer);
    m_Functions.InsertAt(&f, index);
}

void LClassCreator::RegisterAllWriters() {
    for (const WriterEntry& w : kWriters) RegisterWriter(w.code, w.writer);
}

void LClassCreator::Unregister(int code) {
    int index = m_Codes.Find(&code);
    if (index < 0) return;
    m_Codes.RemoveAt(index);
    m_Functions.RemoveAt(index);
}

void* LClassCreator::Lookup(int code) const {
    int index = m_Codes.Find(&code);
    return index < 0 ? nullptr : m_Functions.PtrAt<void>(index);
}

int LClassCreator::LoadFrame(const char* frameName) {
    LFrameManager* fm = GetFrameManager();
    return LoadFrameInto(frameName, fm ? fm->GetCreatingFrame() : nullptr);
}

int LClassCreator::LoadFrameInto(const char* frameName, LFrame* frame) {
    LFrameReader* reader = GetFrameReader();
    if (!reader || !frame || m_Mode != kLoad) return 0;
    const int count = reader->Open(frameName);
    if (count <= 0) return 0;
    const int ok = LoadRecords(count, frame);
    reader->Close();
    return ok;
}

int LClassCreator::LoadRecords(int count, LFrame* frame) {
    LFrameReader* reader = GetFrameReader();
    auto damaged = [reader]() {
        new MessageToUser(0, 9, __FILE__, __LINE__, reader->GetName());
        return 0;
    };
    for (int n = 0; n < count; ++n) {
        int code = 0;
        reader->ReadCode(&code);
        if (reader->IsDamaged()) return damaged();
        auto factory = reinterpret_cast<LClassFactory>(Lookup(code));
        LFrameObject* object = factory ? factory() : nullptr;
        LView* view = dynamic_cast<LView*>(object);
        if (!view) {
            delete object;
            new MessageToUser(0, 5, __FILE__, __LINE__, CodeText(code).c_str());
            return 0;
        }
        // The frame takes the view first, so that a failure below deletes it with the frame.
        frame->AddView(view);
        if (!frame->GetRootView()) frame->SetRootView(view);
        if (reader->IsDamaged() || view->HasLoadError()) return damaged();
        view->LoadMedia();
        for (;;) {
            int behaviorCode = 0;
            if (!reader->ReadCode(&behaviorCode)) break;
            auto make = reinterpret_cast<LClassFactory>(Lookup(behaviorCode));
            LFrameObject* made = make ? make() : nullptr;
            LBehavior* behavior = dynamic_cast<LBehavior*>(made);
            if (!behavior) {
                delete made;
                return 0;
            }
            view->AddBehavior(behavior);
            if (reader->IsDamaged()) return damaged();
            behavior->Init();
        }
        if (reader->IsDamaged()) return damaged();
        view->FinishLoad();
    }
    return 1;
}

int LClassCreator::Compile(const char* sourceName, std::vector<std::uint8_t>* output) {
    LFrameReader* reader = GetFrameReader();
    if (!reader || m_Mode != kCompile || !reader->OpenText(sourceName, output)) return 0;
    return CompileRecords();
}

int LClassCreator::CompileText(const char* text, std::size_t size, std::vector<std::uint8_t>* output) {
    LFrameReader* reader = GetFrameReader();
    if (!reader || m_Mode != kCompile || !reader->OpenTextBytes(text, size, output)) return 0;
    return CompileRecords();
}

int LClassCreator::CompileRecords() {
    LFrameReader* reader = GetFrameReader();
    int count = 0;
    int code = 0;
    while (reader->NextRecord(&code)) {
        auto writer = reinterpret_cast<LClassWriter>(Lookup(code));
        if (!writer || code >> 24 != '#') {
            reader->SetError("unknown view class " + CodeText(code));
            break;
        }
        std::uint8_t bytes[4];
        PutInt32(bytes, code);
        if (!reader->Write(bytes, 4) || !writer()) break;
        int behaviorCode = 0;
        bool ok = true;
        while (ok && reader->NextBehavior(&behaviorCode)) {
            auto behaviorWriter = reinterpret_cast<LClassWriter>(Lookup(behaviorCode));
            if (!behaviorWriter || behaviorCode >> 24 != '@') {
                reader->SetError("unknown behaviour class " + CodeText(behaviorCode));
                ok = false;
                break;
            }
            PutInt32(bytes, behaviorCode);
            ok = reader->Write(bytes, 4) && behaviorWriter();
        }
        if (!ok || !reader->GetError().empty()) break;
        PutInt32(bytes, 0);
        reader->Write(bytes, 4);
        ++count;
    }
    if (count == 0) reader->SetError("the source holds no record");
    const bool failed = !reader->GetError().empty();
    return failed ? 0 : count;
}

namespace {

// A whole file: the view count, then the records the compile step wrote.
template <typename CompileStep>
std::vector<std::uint8_t> CompileWhole(CompileStep step, std::string* error) {
    LFrameReader reader("", LFrameReader::kText);
    LClassCreator creator(LClassCreator::kCompile);
    creator.RegisterAllWriters();
    std::vector<std::uint8_t> records;
    const int count = step(creator, &records);
    if (count <= 0) {
        if (error) *error = reader.GetError();
        return {};
    }
    std::vector<std::uint8_t> file(4);
    PutInt32(file.data(), count);
    file.insert(file.end(), records.begin(), records.end());
    return file;
}

}  // namespace

std::vector<std::uint8_t> CompileFrameText(const char* text, std::size_t size, std::string* error) {
    return CompileWhole([&](LClassCreator& c, std::vector<std::uint8_t>* out) { return c.CompileText(text, size, out); },
                        error);
}

std::vector<std::uint8_t> CompileFrameFile(const char* path, std::string* error) {
    return CompileWhole([&](LClassCreator& c, std::vector<std::uint8_t>* out) { return c.Compile(path, out); }, error);
}

namespace {

// False when a text field holds a character the text form cannot carry.
bool AppendBlocks(const LClassLayout& layout, const std::uint8_t* p, std::string* text) {
    for (const LBlockLayout* block : layout.blocks) {
        if (!block) continue;
        for (int i = 0; i < block->fieldCount; ++i) {
            const LFieldLayout& f = block->fields[i];
            *text += ' ';
            *text += f.key;
            *text += ' ';
            if (f.size == 4) {
                *text += std::to_string(GetInt32(p));
            } else {
                char name[kFrameNameSize + 1] = {};
                std::memcpy(name, p, kFrameNameSize);
                if (std::strpbrk(name, ";$@")) return false;
                *text += name;
            }
            *text += ';';
            p += f.size;
        }
    }
    return true;
}

}  // namespace

bool DecompileFrame(const std::uint8_t* data, std::size_t size, std::string* text, std::string* error) {
    std::size_t at = 0;
    auto readInt = [&](int* v) {
        if (size - at < 4 || at > size) return false;
        *v = GetInt32(data + at);
        at += 4;
        return true;
    };
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    int count = 0;
    if (!readInt(&count) || count <= 0 || static_cast<std::size_t>(count) > (size - 4) / kMinViewRecordSize)
        return fail("the view count is missing or out of range");
    text->clear();
    // One class: its code (of the kind marker '#' or '@') and its blocks.
    std::string why;
    auto appendClass = [&](int code, char marker, const char* kind, int record) {
        const LClassLayout* layout = FindClassLayout(code);
        if (!layout || code >> 24 != marker) {
            why = std::string("unknown ") + kind + " class " + CodeText(code);
            return false;
        }
        const std::size_t need = static_cast<std::size_t>(ClassDataSize(*layout));
        if (size - at < need) {
            why = "record " + std::to_string(record) + " is cut short";
            return false;
        }
        *text += CodeText(code);
        if (!AppendBlocks(*layout, data + at, text)) {
            why = "a text field holds ';', '$' or '@'";
            return false;
        }
        at += need;
        return true;
    };
    for (int n = 0; n < count; ++n) {
        const std::string cut = "record " + std::to_string(n + 1) + " is cut short";
        int code = 0;
        if (!readInt(&code)) return fail(cut);
        if (!appendClass(code, '#', "view", n + 1)) return fail(why);
        for (;;) {
            int behavior = 0;
            if (!readInt(&behavior)) return fail(cut);
            if (behavior == 0) break;
            *text += "\n";
            if (!appendClass(behavior, '@', "behaviour", n + 1)) return fail(why);
        }
        *text += "\n$\n";
    }
    if (at != size) return fail("bytes follow the last record");
    return true;
}
