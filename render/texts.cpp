// The language of the texts, chosen once at start-up on the UI thread; the one lookup of every
// text the game draws; the names of the picture sets and of the faces.
#include <filesystem>
#include <unordered_map>

#include "game/text_id.h"
#include "render/render_local.h"

namespace render {

namespace {

game::Language currentLanguage = game::Language::chinese;
bool catalogueLoaded = false;  // the default language's catalogue is loaded at the first lookup
// The chosen language's catalogue, source to text; empty for English, whose texts are the keys.
std::unordered_map<std::string_view, std::string_view> catalogue;
std::vector<std::string> pictureSetNames;  // UTF-8; empty: the game's own pictures only

// What the ten classic faces show (tools/pictures_faces.cpp draws them in this order).
constexpr std::string_view kClassicFaceNames[kFaceCount] = {
    // TRANSLATORS: the classic faces' names, shown under a face found; at most about 16
    // characters.
    N_("Apple"),  N_("Star"), N_("Fish"),   N_("Blossom"), N_("Cat"),
    N_("Clover"), N_("Moon"), N_("Grapes"), N_("Penguin"), N_("Rocket")};

std::span<const Translation> CatalogueOf(game::Language language) {
  switch (language) {
    case game::Language::chinese: return kChineseTranslations;
    case game::Language::english: break;
  }
  return {};
}

}  // namespace

void SetLanguage(game::Language language) {
  currentLanguage = language;
  catalogueLoaded = true;
  catalogue.clear();
  for (const Translation& translation : CatalogueOf(language))
    catalogue.emplace(translation.source, translation.text);
}

game::Language CurrentLanguage() { return currentLanguage; }

std::string_view Tr(std::string_view source) {
  if (!catalogueLoaded) SetLanguage(currentLanguage);
  const auto found = catalogue.find(source);
  return found != catalogue.end() ? found->second : source;
}

std::string_view NewRecordFormat(int place) {
  const int lastTwo = place % 100;
  if (lastTwo < 11 || lastTwo > 13) {
    // TRANSLATORS: the four forms of one message, by the English ordinal's ending (1st, 2nd,
    // 3rd, 4th); a language without such endings translates all four alike.
    if (place % 10 == 1) return N_("New record: %dst");
    if (place % 10 == 2) return N_("New record: %dnd");
    if (place % 10 == 3) return N_("New record: %drd");
  }
  return N_("New record: %dth");
}

void SetPictureSetNames(const std::vector<std::string>& names) { pictureSetNames = names; }

const std::vector<std::string>& PictureSetNames() { return pictureSetNames; }

std::string FaceName(const game::GameState& state, int face) {
  if (face < 0 || face >= kFaceCount) return {};
  const Assets& assets = TheAssets();
  if (!state.shuffledFaces || assets.setFaces.empty())
    return std::string(Tr(kClassicFaceNames[face]));
  const int picture = state.facePicture[face];
  if (picture < 0 || static_cast<std::size_t>(picture) >= assets.setFaces.size()) return {};
  const storage::FaceImage& image = assets.setFaces[static_cast<std::size_t>(picture)];
  const std::string& named = image.name.In(game::CodeOf(currentLanguage));
  if (!named.empty()) return named;
  // A photo is named by its file; a package's face by its entry ("path:box3.jpg").
  std::string source = image.source;
  if (const std::size_t colon = source.rfind(':'); colon != std::string::npos &&
                                                   source.find('/', colon) == std::string::npos)
    source.erase(0, colon + 1);
  return std::filesystem::path(source).stem().string();
}

}  // namespace render
