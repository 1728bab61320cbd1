#pragma once
// One program per receipt folder. Two programs on one folder (a window started by
// hand beside the service, two services with the same DirPerFile) would both send
// the same receipt: each holds a lock on "quimbo.lock" in the folder for its whole
// run, which the system lets go when the program ends, however it ends, and which a
// network share holds for every machine where the share can hold it.

#include <filesystem>
#include <memory>
#include <string>

namespace quimbo {

inline constexpr const char* kFileBlocco = "quimbo.lock";

class BloccoCartella {
 public:
  virtual ~BloccoCartella() = default;
  // Whether the lock is still on the file of that name: one deleted or replaced (the
  // folder made again) would let a second program lock a new one.
  virtual bool ancoraSu(const std::filesystem::path&) const { return true; }
};

// Takes the folder's lock and writes in it who holds it: this process's number and
// `ini`. None when another program holds it: `chi` then says who, as far as the lock's
// file tells ("PID 1234, file ini /etc/quimbo/quimbo.ini"). A folder that cannot be
// locked for another reason (missing, not writable) is an Errore.
std::unique_ptr<BloccoCartella> PrendiCartella(const std::filesystem::path& dir, const std::string& ini,
                                               std::string& chi);

// What the lock's file says of its holder: "1234\n/etc/quimbo/quimbo.ini\n" becomes
// "PID 1234, file ini /etc/quimbo/quimbo.ini"; what it does not say is left out.
std::string ChiTieneLaCartella(const std::string& contenuto);
// The file's text for this process.
std::string ContenutoDelBlocco(long pid, const std::string& ini);

}  // namespace quimbo
