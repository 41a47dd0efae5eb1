// Which UI language a test run was started for: CTest sets ZARNIK_TEST_LANGUAGE=en on the
// English runs (see zarnik_add_english_run); everything else runs under the Japanese UI.
#pragma once

#include <cstdlib>
#include <string_view>

namespace zarnik::test {

inline bool EnglishRun() {
  const char* language = std::getenv("ZARNIK_TEST_LANGUAGE");
  return language && std::string_view(language) == "en";
}

}  // namespace zarnik::test
