#pragma once
// The disk layer: what the queue writes is forced to disk, file and folder, before
// anything that depends on it, with a body per system (disco_posix.cpp, disco_win.cpp)
// and the steps said to whoever watches them.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

namespace quimbo {

// The device and file number of a file (the file index on Windows), whoever holds it
// open; false when they cannot be read.
bool NumeroDiFile(const std::filesystem::path& file, std::uint64_t& dispositivo, std::uint64_t& numero);

// The whole file; "" when it cannot be read. Closed again before it returns (Windows
// replaces no file that is still open).
std::string Contenuto(const std::filesystem::path& file);

// Opens a receipt for reading, letting others read, write, rename and delete it
// meanwhile; null with `ec` set when it cannot be opened.
std::FILE* ApriInLettura(const std::filesystem::path& file, std::error_code& ec);

// The whole text to a file, forced to disk; errors are numbered, and a file that could
// not be written whole is removed.
void ScriviSuDisco(const std::filesystem::path& file, const std::string& testo);
// Renames a file written with ScriviSuDisco over its final name, at once, and forces
// the folder to disk; errors are numbered.
void RinominaSuDisco(const std::filesystem::path& da, const std::filesystem::path& a);
// Renames a file at once, never over another one (error 58 when `a` exists), and
// forces the folder to disk; errors are numbered.
void RinominaSenzaSostituire(const std::filesystem::path& da, const std::filesystem::path& a);
// Forces the folder's entries to disk; errors are numbered.
void SincronizzaCartella(const std::filesystem::path& cartella);
// Removes a file and forces its folder's entries to disk: false when there was none;
// errors are numbered.
bool TogliSuDisco(const std::filesystem::path& file);

// Each step the disk layer has forced to disk, as it happens: "dati F" (a file's
// bytes), "nome F > G" (a rename), "tolto F", "cartella D" (a folder's entries); names
// without their folders. For the test that holds every system to one order.
void OsservaDisco(std::function<void(const std::string& passo)> osservatore);
void PassoSuDisco(const std::string& passo);
// After a rename of the disk layer's: the step said, then the entries of the folder it
// went to, and of the one it left, forced to disk.
void RinominatoSuDisco(const std::filesystem::path& da, const std::filesystem::path& a);

}  // namespace quimbo
