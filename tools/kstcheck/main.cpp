// kstcheck data-file [password]: checks the structure of a data file and prints what
// is wrong with it, or a summary when it is sound. Exit code 0 when sound, 1 when not,
// 2 for a wrong command line.
#include <cstdio>
#include <string>

#include "store/corruption.h"
#include "store/store_checker.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: kstcheck data-file [password]\n");
    return 2;
  }
  kestrand::armErrorExit();
  kestrand::StoreCheck check = kestrand::checkDataFile(argv[1], argc == 3 ? argv[2] : "");
  for (const std::string& problem : check.problems) std::printf("%s\n", problem.c_str());
  if (!check.sound()) return 1;
  std::printf("sound: %llu records, %u pages, %u levels\n", static_cast<unsigned long long>(check.recordCount), check.pages,
              check.levels);
  return 0;
}
