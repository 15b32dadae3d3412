// A player's own photos as faces: one picture file becomes a 128 x 128 face (decoded with limits,
// turned upright by its EXIF orientation, cropped to a square around its centre, scaled down
// with an area filter), and a loader prepares a whole list of folders and files off the UI
// thread, with a cache of prepared faces so that the second start is immediate.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "storage/translated_name.h"

namespace storage {

// The size of the face pictures in a package (box1.jpg ...) and of every prepared face.
inline constexpr int kFacePixels = 128;

// One prepared face: kFacePixels x kFacePixels pixels, red-green-blue, bottom row first, rows
// packed (like DecodedImage, ready for a GL upload). source names the file it came from; name
// is what a set's manifest calls the face (empty: named by its file).
// A deck's card may instead be a word, a sound, or a picture with either: rgb is then empty
// for a card without a picture, word holds its text (english empty: no word), sound an encoded
// sound file played when the card opens.
struct FaceImage {
  std::string source;
  std::vector<uint8_t> rgb;
  TranslatedName name;
  TranslatedName word{};
  std::vector<uint8_t> sound{};
};

// Decodes the picture file at path (JPEG, PNG or WebP, recognised by its content) within the
// size limits, applies its EXIF orientation, crops the largest centred square and scales it to
// kFacePixels. Returns false, face untouched, with problem set to one line naming the file.
// Prints nothing. Any thread.
bool PrepareFace(const std::string& path, FaceImage& face, std::string& problem);

// Prepares the faces of some folders and files on one worker thread of its own, below the UI
// thread's priority. Folders are listed one level deep (hidden names skipped, only picture
// names, sorted); a file reached twice and equal faces count once; prepared faces are cached
// (storage/paths says where) keyed by file path, size and modification time. Files are only
// read. docs/formats.md has the limits and the cache's format.
class PhotoSetLoader {
 public:
  PhotoSetLoader() = default;
  PhotoSetLoader(const PhotoSetLoader&) = delete;
  PhotoSetLoader& operator=(const PhotoSetLoader&) = delete;

  // Starts preparing paths (folders and/or files); a load in progress is cancelled first and
  // its results dropped (which waits for the picture being decoded, a JPEG of 100 megapixels
  // taking a good part of a second). UI thread.
  void Start(std::vector<std::string> paths);

  // Progress: files handled so far and files found (0 while the folders are still being listed).
  // Any thread.
  int Done() const;
  int Total() const;
  // True once the worker has finished (also after Start was never called). Any thread.
  bool Finished() const;

  // The faces prepared, in the order of the sorted names; empty before Finished. UI thread.
  std::vector<FaceImage> TakeFaces();
  // One line per skipped file or folder (each also printed once to stderr as it is found);
  // empty before Finished. UI thread.
  std::vector<std::string> TakeProblems();

  // Cancels a load in progress and joins the worker promptly.
  ~PhotoSetLoader();

 private:
  void Cancel();
  void Run(std::vector<std::string> paths);

  std::thread worker_;
  // Written by the worker, read anywhere; reset by Start.
  std::atomic<int> done_{0};
  std::atomic<int> total_{0};
  std::atomic<bool> finished_{true};
  std::atomic<bool> cancel_{false};
  // Handed over from the worker at its end, under resultsLock_.
  std::mutex resultsLock_;
  std::vector<FaceImage> faces_;
  std::vector<std::string> problems_;
};

}  // namespace storage
