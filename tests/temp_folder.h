#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

    // Writes content to name; returns the full path.
    std::string write(const std::string& name, const std::string& content = "x") const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    void setTime(const std::string& name, std::time_t time) const;

private:
    std::string m_path;
};
