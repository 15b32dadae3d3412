#include "app/save_snapshot.h"

#include <utility>

namespace app {

void SaveSnapshot::Publish(SaveContents contents) {
  std::lock_guard lock(mutex_);
  contents_ = std::move(contents);
}

SaveContents SaveSnapshot::Take() const {
  std::lock_guard lock(mutex_);
  return contents_;
}

}  // namespace app
