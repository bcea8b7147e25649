// A numbered message for the player: composed from the message table,
// written to the debug log and shown in a modal box. Callers create it on the
// heap and forget it; it reports and disposes of itself inside its
// constructor:
//
//     new MessageToUser(0, 1002, __FILE__, __LINE__, path, nullptr, nullptr);
//
// Form 0 shows the text of `number` and the extras; form 1 (error-code form)
// shows the text of message 100 followed by `number`, then the extras. Both
// end with the source file name and line. Message 101 is the box's caption.
#pragma once

#include <functional>
#include <memory>
#include <string>

class MessageToUser {
public:
    MessageToUser(int form, int number, const char* sourceFile, int line, const char* extra1 = nullptr,
                  const char* extra2 = nullptr, const char* extra3 = nullptr);

    MessageToUser(const MessageToUser&) = delete;
    MessageToUser& operator=(const MessageToUser&) = delete;

    // Only heap objects: the storage of a finished message is released by the
    // next allocation (or at exit), never while its constructor runs.
    static void* operator new(std::size_t size);
    static void operator delete(void* storage) noexcept;

    // The text the box shows for these arguments.
    static std::string Compose(int form, int number, const char* sourceFile, int line, const char* extra1,
                               const char* extra2, const char* extra3);

    std::unique_ptr<char[]> m_Extra1;
    std::unique_ptr<char[]> m_Extra2;
    std::unique_ptr<char[]> m_Extra3;

private:
    ~MessageToUser() = default;
    friend void ReleaseFinishedMessages();
};

// The message being reported, null when none is.
extern MessageToUser* g_CurrentMessage;

// Whether the game runs in full screen; the frame manager installs it. A
// full-screen message is framed by minimising and restoring the main window.
using FullScreenQuery = std::function<bool()>;
void SetFullScreenQuery(FullScreenQuery query);
bool IsFullScreenForMessages();

// Minimises (`minimise` true) or restores the main window around a
// full-screen message. The default uses the platform window; the shell may
// replace it.
using MessageWindowFrame = std::function<void(bool minimise)>;
void SetMessageWindowFrame(MessageWindowFrame frame);
