// The application object: message display and the process's current application.
#include "tarsel/system/application.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {

// The process's application object; set and cleared only by Application itself.
std::atomic<Application*> CurrentApplication{nullptr};

} // namespace

Application::Application() {
    Application* none = nullptr;
    CurrentApplication.compare_exchange_strong(none, this);
}

Application::~Application() {
    Application* self = this;
    CurrentApplication.compare_exchange_strong(self, nullptr);
}

Application* GetApp() {
    return CurrentApplication.load();
}

void Application::ShowMessage(uint32_t category, const char* format, ...) {
    if (!format) return;
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(std::size_t(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(std::size_t(length));
    }
    va_end(again);

    if (category == MSG_Error) {
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
    }
    std::lock_guard guard(m_MessagesLock);
    m_Messages.push_back({category, std::move(text)});
    while (m_Messages.size() > KeptMessages)
        m_Messages.pop_front();
}

std::vector<Application::Message> Application::LastMessages() const {
    std::lock_guard guard(m_MessagesLock);
    return {m_Messages.begin(), m_Messages.end()};
}

void Application::ClearMessages() {
    std::lock_guard guard(m_MessagesLock);
    m_Messages.clear();
}
