// kstcheck: the structural check of a data file on disk.
//
//   kstcheck FILE [PASSWORD]
//
// Prints what it found and exits 0 when the file is sound, 1 when it is not, 2 for a
// wrong command line.
#include <cstdio>
#include <string>

#include "store/store_checker.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: kstcheck FILE [PASSWORD]\n", stderr);
    return 2;
  }
  const kestrand::StoreCheck check = kestrand::checkDataFile(argv[1], argc > 2 ? argv[2] : "", true);
  for (const std::string& problem : check.problems) std::printf("%s: %s\n", argv[1], problem.c_str());
  if (!check.sound()) return 1;
  std::printf("%s: sound, %u pages, %u levels, %llu records\n", argv[1], check.pages, check.levels,
              static_cast<unsigned long long>(check.recordCount));
  return 0;
}
