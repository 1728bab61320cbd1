#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <future>
#include <system_error>

#include "shell/errore.h"

using quimbo::Errore;
using quimbo::descrizioneErrore;
using quimbo::erroreDa;

namespace {

TEST(Errore, NumeroEDescrizione) {
  const Errore e(53);
  EXPECT_EQ(e.numero(), 53);
  EXPECT_EQ(e.descrizione(), "File not found");
  EXPECT_STREQ(e.what(), "File not found");

  const Errore propria(1001, "Porta occupata");
  EXPECT_EQ(propria.numero(), 1001);
  EXPECT_EQ(propria.descrizione(), "Porta occupata");
}

TEST(Errore, Descrizioni) {
  const std::pair<int, const char*> casi[] = {
      {5, "Invalid procedure call or argument"},
      {6, "Overflow"},
      {9, "Subscript out of range"},
      {13, "Type mismatch"},
      {53, "File not found"},
      {70, "Permission denied"},
      {75, "Path/File access error"},
      {76, "Path not found"},
      {94, "Invalid use of Null"},
      {8018, "Operation valid only when the port is open"},
      {12345, "Application-defined or object-defined error"},
  };
  for (const auto& [n, testo] : casi) EXPECT_EQ(descrizioneErrore(n), testo) << n;
}

TEST(Errore, DaErrorCode) {
  const std::pair<int, int> casi[] = {
      {ENOENT, 53}, {ENOTDIR, 76}, {EACCES, 75}, {EPERM, 75},      {EROFS, 75},
      {EBUSY, 75},  {ENOSPC, 61},  {EIO, 57},    {ENAMETOOLONG, 52}, {EMFILE, 67},
      {EISDIR, 75},
  };
  for (const auto& [e, n] : casi) {
    EXPECT_EQ(erroreDa(std::error_code(e, std::generic_category())).numero(), n) << e;
    EXPECT_EQ(erroreDa(std::error_code(e, std::system_category())).numero(), n) << e;
  }
}

TEST(Errore, DaErroreVeroDelFileSystem) {
  std::error_code ec;
  (void)std::filesystem::file_size("/nonexistent-quimbo-dir/x.sco", ec);
  ASSERT_TRUE(ec);
  EXPECT_EQ(erroreDa(ec).numero(), 53);
  EXPECT_EQ(erroreDa(ec).descrizione(), "File not found");
}

TEST(Errore, AltraCategoriaEAccessoPercorso) {
  EXPECT_EQ(erroreDa(std::make_error_code(std::future_errc::no_state)).numero(), 75);
}

}  // namespace
