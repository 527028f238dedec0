// Application: the host application object, reached with GetApp, that shows messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

// Message categories of ShowMessage.
inline constexpr uint32_t MSG_Info = 0;
inline constexpr uint32_t MSG_Error = 16; // printed on standard error

// At most one application exists at a time; it makes itself the process's application when
// constructed and stops being it when destroyed.
class Application {
  public:
    struct Message {
        uint32_t Category;
        std::string Text;
    };
    // How many of the latest messages are kept for LastMessages.
    static constexpr std::size_t KeptMessages = 64;

    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Formats the message like printf. Error messages (category 16) are printed on standard
    // error; every message is kept among the latest ones.
    void ShowMessage(uint32_t category, const char* format, ...)
        __attribute__((format(printf, 3, 4)));

    std::vector<Message> LastMessages() const;
    void ClearMessages();

  private:
    mutable std::mutex m_MessagesLock; // guards m_Messages
    std::deque<Message> m_Messages;
};

// The process's application object, or null when there is none.
Application* GetApp();
