// Test helper: a fresh temporary folder removed with everything in it at the end.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarsel-system-XXXXXX");
        char* made = ::mkdtemp(pattern.data());
        if (made) m_Path = made;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!m_Path.empty()) std::filesystem::remove_all(m_Path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_Path; }
    std::string File(const std::string& name) const { return m_Path + "/" + name; }

  private:
    std::string m_Path;
};
