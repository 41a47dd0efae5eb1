// Converts argv[1] to argv[2] through the program's binding; the exit code tells the test
// what happened: 0 converted, 1 the converter reported failure, 2 the converter was not bound.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "converter/quorvel_binding.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 3;
  auto result = zarnik::ConvertBMPtoJPG(argv[1], argv[2], 50);
  if (!result) return 2;
  return *result == 1 ? 0 : 1;
}
