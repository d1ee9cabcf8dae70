// A fresh folder per test, removed afterwards, and small file helpers.
#ifndef VELMORA_TEST_TEMP_FOLDER_H
#define VELMORA_TEST_TEMP_FOLDER_H

#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return Root; }
    std::string File(const std::string& name) const { return Root + "/" + name; }

private:
    std::string Root;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
// The names in a folder, sorted, without "." and "..".
std::vector<std::string> ListFolder(const std::string& path);

#endif
