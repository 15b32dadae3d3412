// Temporary: stands in for the photo library until its branch is merged.
#include "storage/photo_faces.h"

namespace storage {

bool PrepareFace(const std::string& path, FaceImage&, std::string& problem) {
  problem = path + ": pictures of your own are not read yet";
  return false;
}

void PhotoSetLoader::Start(std::vector<std::string>) { finished_ = true; }
int PhotoSetLoader::Done() const { return done_.load(); }
int PhotoSetLoader::Total() const { return total_.load(); }
bool PhotoSetLoader::Finished() const { return finished_.load(); }
std::vector<FaceImage> PhotoSetLoader::TakeFaces() { return {}; }
std::vector<std::string> PhotoSetLoader::TakeProblems() { return {}; }
PhotoSetLoader::~PhotoSetLoader() = default;

}  // namespace storage
