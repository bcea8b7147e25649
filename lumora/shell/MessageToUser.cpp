#include "lumora/shell/MessageToUser.h"

#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "lumora/shell/DebugLog.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/WinFormat.h"
#include "platform/Window.h"

MessageToUser* g_CurrentMessage = nullptr;

namespace {

FullScreenQuery g_FullScreenQuery;
MessageWindowFrame g_WindowFrame;

// Messages whose constructor has finished; their storage goes back at the
// next allocation or at exit. The lock covers a report raised off the window
// thread (the sound timer), which must not corrupt the list.
std::mutex g_FinishedLock;

std::vector<MessageToUser*>& Finished() {
    static std::vector<MessageToUser*> finished;
    return finished;
}

struct ReleaseAtExit {
    ReleaseAtExit() { Finished(); }  // the list must outlive this object
    ~ReleaseAtExit();
} g_ReleaseAtExit;

std::unique_ptr<char[]> CopyText(const char* text) {
    if (!text) return nullptr;
    std::size_t size = std::strlen(text) + 1;
    auto copy = std::make_unique<char[]>(size);
    std::memcpy(copy.get(), text, size);
    return copy;
}

// The file name after the last path separator. Backslashes are the game's
// own; slashes come from this platform's compiler.
const char* BaseName(const char* path) {
    if (!path) return "";
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') base = p + 1;
    return base;
}

void FrameWindow(bool minimise) {
    if (g_WindowFrame) {
        g_WindowFrame(minimise);
        return;
    }
    if (platform::HWND window = GetReportWindow())
        platform::ShowWindow(window, minimise ? platform::SW_MINIMIZE : platform::SW_SHOWNORMAL);
}

}  // namespace

void ReleaseFinishedMessages() {
    std::lock_guard<std::mutex> lock(g_FinishedLock);
    for (MessageToUser* message : Finished()) {
        message->~MessageToUser();
        ::operator delete(message);
    }
    Finished().clear();
}

ReleaseAtExit::~ReleaseAtExit() { ReleaseFinishedMessages(); }

void* MessageToUser::operator new(std::size_t size) {
    ReleaseFinishedMessages();
    void* storage = ::operator new(size);
    std::lock_guard<std::mutex> lock(g_FinishedLock);
    Finished().reserve(Finished().size() + 16);  // room for nested messages
    return storage;
}

void MessageToUser::operator delete(void* storage) noexcept { ::operator delete(storage); }

void SetFullScreenQuery(FullScreenQuery query) { g_FullScreenQuery = std::move(query); }

bool IsFullScreenForMessages() { return g_FullScreenQuery && g_FullScreenQuery(); }

void SetMessageWindowFrame(MessageWindowFrame frame) { g_WindowFrame = std::move(frame); }

std::string MessageToUser::Compose(int form, int number, const char* sourceFile, int line, const char* extra1,
                                   const char* extra2, const char* extra3) {
    const char* sep = "\n";
    std::string text;
    if (form == 1) {
        text += GetMessageText(100);
        text += FormatWinText("%i", number);
        text += sep;
    } else if (number != 0) {
        text += GetMessageText(number);
        text += sep;
    }
    for (const char* extra : {extra1, extra2, extra3}) {
        if (!extra) continue;
        text += extra;
        text += sep;
    }
    text += sep;
    text += "( File : ";
    text += BaseName(sourceFile);
    text += "  ";
    text += "Line : ";
    text += FormatWinText("%i )", line);
    if (form == 1) text += sep;
    return text;
}

MessageToUser::MessageToUser(int form, int number, const char* sourceFile, int line, const char* extra1,
                             const char* extra2, const char* extra3)
    : m_Extra1(CopyText(extra1)), m_Extra2(CopyText(extra2)), m_Extra3(CopyText(extra3)) {
    MessageToUser* outer = g_CurrentMessage;
    g_CurrentMessage = this;

    // In full screen the message is shown over the game rather than ending
    // it: a missing file must not cost the player the game in progress.
    std::string text = Compose(form, number, sourceFile, line, m_Extra1.get(), m_Extra2.get(), m_Extra3.get());
    AppLog(text.c_str());

    std::string caption = GetMessageText(101);
    bool fullScreen = IsFullScreenForMessages();
    if (fullScreen) FrameWindow(true);
    ShowMessageBox(GetReportWindow(), text.c_str(), caption.c_str(), platform::MB_OK | platform::MB_TOPMOST);
    if (fullScreen) FrameWindow(false);

    m_Extra1.reset();
    m_Extra2.reset();
    m_Extra3.reset();
    g_CurrentMessage = outer;
    std::lock_guard<std::mutex> lock(g_FinishedLock);
    Finished().push_back(this);  // capacity reserved by operator new
}
