// Puts the functions newer than Windows 7 back as they were looked up, after a test replaced
// them (Newer()).
#pragma once

#include "platform/newer_api.h"

namespace zarnik::test {

class NewerApiScope {
 public:
  NewerApiScope() : saved_(Newer()) {}
  ~NewerApiScope() { Newer() = saved_; }
  NewerApiScope(const NewerApiScope&) = delete;
  NewerApiScope& operator=(const NewerApiScope&) = delete;

 private:
  NewerApi saved_;
};

}  // namespace zarnik::test
