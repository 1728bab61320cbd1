#pragma once
// Paths inside the receipt folder. The folder setting may be written the Windows
// way ("f:\quimbo"); on POSIX a backslash counts as a separator too.

#include <filesystem>
#include <string>

namespace quimbo {

std::filesystem::path cartella(const std::string& msDirPerFile);
std::filesystem::path inCartella(const std::string& msDirPerFile, const std::string& nome);

}  // namespace quimbo
